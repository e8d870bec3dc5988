// Every structure of a table that the decoders read, each read once into its facts by the
// decoders' own facts readers, in table order, for callers that want the whole machine rather
// than the one record per category that getRecord keeps: the package's five types and System
// Information, which only the tool decodes. Touches no record of the package. Uses only C
// headers, so that programs built without the C++ standard library can include it.
#pragma once

#include <stdint.h>

#include "decoders/structure_facts.h"
#include "reader/walk_end.h"

// One structure's facts; position is where it stands in the table, the first structure 1. The
// facts (and the strings they point at) live as long as the table.
typedef void (*InventoryVisitor)(uint32_t position, const StructureFacts* facts, void* context);

struct InventoryWalk {
  uint32_t structures;  // structures walked before the end (the one that ended it not counted)
  int32_t counted;      // the structures the load counts in the table before it walks
  WalkEnd end;          // as the load's walk ends on the same table
};

// Walks the structure table (table bytes only, no rsmb header) silently, in table order, as far
// as the load's walk would go by length, and hands every structure of the decoders' types to
// visit. The string lookups rewrite the unprintable bytes of the strings they read as '.', in
// place, as the load does in its own copy of the table: pass a copy of your own. Returns how the
// walk ended.
InventoryWalk walkStructureInventory(uint8_t* table, uint32_t length, InventoryVisitor visit,
                                     void* context);
