#include "reader/structure_inventory.h"

#include "base/limits.h"
#include "decoders/structure_decoders.h"
#include "reader/table_load.h"
#include "reader/table_walk.h"

InventoryWalk walkStructureInventory(uint8_t* table, uint32_t length, InventoryVisitor visit,
                                     void* context) {
  InventoryWalk ended = {0, countStructures(table, length), kWalkComplete};
  if (length < kStructureHeaderSize) return ended;
  uint32_t position = 0;
  StructureFacts facts;
  // The load's walk, without its count and its diagnostics.
  const WalkStop stop = walkStructures(table, length, 0, false, [&](const StructureHeader* header) {
    ++position;
    if (readStructureFacts(header, &facts)) visit(position, &facts, context);
  });
  ended.structures = stop.structures;
  ended.end = stop.end;
  return ended;
}
