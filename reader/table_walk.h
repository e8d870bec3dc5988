// The walk over the structure table: finds where each structure ends, hands the ones to be
// decoded to their decoder, stops at a broken table, and reports what it found wrong.
#pragma once

#include <stdint.h>

#include "base/limits.h"
#include "reader/walk_end.h"
#include "structures/structure.h"

struct WalkStop {
  WalkEnd end;
  uint32_t structures;    // walked before the end (the one that ended it not counted)
  uint64_t occupied;      // where the walk ended: behind the last structure, or at the broken one
  StructureHeader ended;  // the structure that ended it, for kWalkBrokenLength and kWalkTruncated
};

// Some firmware announces 16 bytes for a type 34 structure that has 11: the five bytes behind the
// eleventh are then already its first string. Lowers the length in the header (never in the
// table) and says so through the diagnostics writer.
void fixupEntryLength(StructureHeader* header);

// The walk itself, in table order: at most limit structures (0: no limit), stopping at a length
// below the header or at a string set that the table cuts off. Each structure whose formatted
// area the table holds goes to visit(const StructureHeader*), type 34 fixed up first.
template <typename Visit>
WalkStop walkStructures(uint8_t* table, uint32_t length, uint32_t limit, Visit visit) {
  StructureIterator structures(table, length);
  WalkStop stop = {kWalkComplete, 0, 0, {}};
  StructureHeader header;
  while ((limit == 0 || stop.structures < limit) && structures.header(&header)) {
    if (header.length < kStructureHeaderSize) {
      stop.end = kWalkBrokenLength;
      stop.ended = header;
      break;
    }
    if (header.type == kManagementDeviceThresholdType) fixupEntryLength(&header);
    // A formatted area that the table cuts off is never decoded: it would be read past the end.
    if (header.length <= header.available) visit(static_cast<const StructureHeader*>(&header));
    structures.next(header.length);
    if (structures.pastEnd()) {
      stop.end = kWalkTruncated;
      stop.ended = header;
      break;
    }
    ++stop.structures;
  }
  stop.occupied = structures.offset();
  return stop;
}

// The load's walk: every structure but the inactive and the end-of-table ones to its decoder (and
// its facts to the load's observer), then what was wrong with the table, through the diagnostics
// writer. count is the structures counted in it (0: as many as there are). Returns where it
// stopped.
WalkStop walkTable(uint8_t* table, uint32_t tableLength, uint16_t count);
