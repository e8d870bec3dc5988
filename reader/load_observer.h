// What a program sees of the one-time load as it runs: every structure the walk reads, as the
// facts the records are stored from, how the walk ended, and every message the load writes
// (records/diagnostics.h), observed rather than written. For the tool, which shows every
// structure of the table rather than the one record per category that getRecord keeps; the
// package observes nothing. Uses only C headers, so that programs built without the C++ standard
// library can include it.
#pragma once

#include <stdint.h>

#include "decoders/structure_facts.h"
#include "reader/walk_end.h"
#include "records/diagnostics.h"

struct InventoryWalk {
  uint32_t structures;  // structures walked before the end (the one that ended it not counted)
  int32_t counted;      // the structures the load counts in the table before it walks
  WalkEnd end;
};

// The load's walk is given only these bits of what it counted (0: walk to the end), as the
// table's own 16-bit count would hold them.
inline constexpr uint32_t kWalkCountBits = 0xFFFF;

// Whether the walk ended at the count it was given with structures of the table left unread:
// only a table of more structures than 16 bits count.
inline bool walkStoppedAtCount(const InventoryWalk& walk) {
  const uint32_t given = static_cast<uint32_t>(walk.counted) & kWalkCountBits;
  return walk.end == kWalkComplete && walk.counted > static_cast<int32_t>(kWalkCountBits) &&
         given != 0 && walk.structures == given;
}

// Whether every structure the table holds was read.
inline bool walkReadWhole(const InventoryWalk& walk) {
  return walk.end == kWalkComplete && !walkStoppedAtCount(walk);
}

// Each member may be null: nothing of that kind is observed.
struct LoadObserver {
  // Each structure of the decoders' types (the package's five and System Information), in table
  // order; position counts every structure walked, the first 1. The facts are the ones the
  // package's records are stored from; they and the strings they point at (in the load's copy
  // of the table) live until the process ends.
  void (*structure)(uint32_t position, const StructureFacts* facts, void* context);
  // How the walk ended; not called where no table could be read.
  void (*walkEnded)(const InventoryWalk* walk, void* context);
  // Each message of the load, which then goes to no stream.
  DiagnosticObserver diagnostic;
  void* context;
};

// The load sends what it reads and writes to observer from now on (null: to nobody, and its
// messages to the streams again). Process-wide, as the load is: set it before the first
// getRecord and clear it after.
void observeLoad(const LoadObserver* observer);
