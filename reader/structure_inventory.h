// Every BIOS, processor, BIOS language, memory array and memory device structure of a table,
// each decoded on its own by the package's decoders, for callers that want the whole machine
// rather than the one record per category that getRecord keeps. Uses only C headers, so that
// programs built without the C++ standard library can include it.
#pragma once

#include <stdint.h>

#include "reader/records.h"

// One structure as its decoder alone fills the records. Only the record of the structure's type
// is set; the others are null. Texts are those the package would store.
struct InventoryStructure {
  uint8_t type;  // 0, 4, 13, 16 or 17
  uint16_t handle;
  // Type 4: the Status byte (bit 6: the socket is populated), or -1 when the structure is too
  // short to hold it.
  int statusByte;
  // Type 16: the text of its Use byte ("System Memory", ...), or null when too short.
  const char* memoryUse;
  // Type 17: the handle of the Physical Memory Array it names, or -1 when too short.
  int32_t arrayHandle;
  const BiosRecord* bios;
  const BiosLanguageRecord* biosLanguage;
  const ProcessorRecord* processor;
  const MemoryArrayRecord* memoryArray;  // deviceCount: the slots it announces, 0 unless stored
  const MemoryDeviceRecord* memoryDevice;
};

typedef void (*InventoryVisitor)(const InventoryStructure* structure, void* context);

// Walks the structure table (table bytes only, no raw header) silently, in table order, as far as
// the load's walk would go by length, and hands every structure of the five types to visit. The
// records and texts handed over live only during that call. Reads only the length bytes given
// and leaves them unchanged. The process-wide records are put back as they were before it
// returns, so it must not run while another thread reads them. False when memory ran out.
bool walkStructureInventory(const uint8_t* table, uint32_t length, InventoryVisitor visit,
                            void* context);
