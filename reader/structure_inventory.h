// Every BIOS, processor, BIOS language, memory array and memory device structure of a table,
// each decoded on its own by the package's decoders, for callers that want the whole machine
// rather than the one record per category that getRecord keeps; also System Information, which
// the package does not decode, and how far the walk got. Uses only C headers, so that programs
// built without the C++ standard library can include it.
#pragma once

#include <stdint.h>

#include "reader/walk_end.h"
#include "records/records.h"

// A number the structure gives. known is false where the structure is too short for the field,
// where the field says the firmware does not know it, or where the package stores no text for it.
struct InventoryNumber {
  bool known;
  uint64_t value;
};

// The numbers behind the texts, read from the structure under the conditions on which the
// decoders store those texts. Only those of the structure's type are filled.
struct InventoryNumbers {
  // Type 0.
  InventoryNumber romSizeBytes;
  // Type 4. The ID's eight bytes in table order (idRead false where the decoder stores no ID).
  // populated: the socket holds a processor, 1 yes, 0 no, -1 too short to say. The voltage is
  // the current one, or the one voltage the older encoding names (none where it names several).
  bool idRead;
  uint8_t id[8];
  int populated;
  InventoryNumber voltageMillivolts;
  InventoryNumber externalClockMHz;
  InventoryNumber maxSpeedMHz;
  InventoryNumber currentSpeedMHz;
  InventoryNumber coreCount;
  InventoryNumber coresEnabled;
  InventoryNumber threadCount;
  // Type 16: capacity as the package stores it (for a system memory array only); the slots the
  // structure announces, whatever the array holds.
  InventoryNumber maximumCapacityBytes;
  InventoryNumber deviceSlots;
  // Type 17. installed: 1 a module is in the slot, 0 the slot is empty, -1 too short to say.
  int installed;
  InventoryNumber sizeBytes;
  InventoryNumber speedMTs;
  InventoryNumber configuredSpeedMTs;
  InventoryNumber configuredMillivolts;
};

// One structure as its decoder alone fills the records. Only the record of the structure's type
// is set; the others are null. Texts are those the package would store.
struct InventoryStructure {
  uint8_t type;  // 0, 1, 4, 13, 16 or 17
  uint16_t handle;
  // Type 4: the Status byte (bit 6: the socket is populated), or -1 when the structure is too
  // short to hold it.
  int statusByte;
  // Type 16: the text of its Use byte ("System Memory", ...), or null when too short.
  const char* memoryUse;
  // Type 17: the handle of the Physical Memory Array it names, or -1 when too short.
  int32_t arrayHandle;
  // Type 1 (System Information, no record of the package): its Manufacturer and Product Name
  // strings as structureString gives them; null when the structure is too short for them.
  const char* systemManufacturer;
  const char* systemProduct;
  const BiosRecord* bios;
  const BiosLanguageRecord* biosLanguage;
  const ProcessorRecord* processor;
  const MemoryArrayRecord* memoryArray;  // deviceCount: the slots it announces, 0 unless stored
  const MemoryDeviceRecord* memoryDevice;
  InventoryNumbers numbers;
};

typedef void (*InventoryVisitor)(const InventoryStructure* structure, void* context);

struct InventoryWalk {
  uint32_t structures;  // structures walked before the end (the one that ended it not counted)
  int32_t counted;      // the structures the load counts in the table before it walks
  WalkEnd end;          // as the load's walk ends on the same table
};

// Walks the structure table (table bytes only, no rsmb header) silently, in table order, as far as
// the load's walk would go by length, and hands every structure of the six types to visit. The
// records and texts handed over live only during that call. Reads only the length bytes given
// and leaves them unchanged. The process-wide records are put back as they were before it
// returns, so it must not run while another thread reads them. How the walk ended goes to *walk
// when walk is not null. False when memory ran out.
bool walkStructureInventory(const uint8_t* table, uint32_t length, InventoryVisitor visit,
                            void* context, InventoryWalk* walk = nullptr);
