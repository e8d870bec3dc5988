// The whole machine as the table describes it: every BIOS, BIOS language, processor, memory array
// and memory device structure, each decoded on its own by the package's decoders, grouped as a
// person reads a machine (each array with the devices that name it). inventory_text.h and
// inventory_json.h write it for people and as JSON.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "reader/structure_inventory.h"
#include "records/records.h"
#include "tools/growable_array.h"

struct InventoryBios {
  uint16_t handle;
  BiosRecord record;
  InventoryNumbers numbers;
};

struct InventoryLanguage {
  uint16_t handle;
  BiosLanguageRecord record;
};

struct InventoryProcessor {
  uint16_t handle;
  ProcessorRecord record;
  InventoryNumbers numbers;
};

struct InventoryArray {
  uint16_t handle;
  const char* use;  // static text of the Use byte; null when the structure is too short
  MemoryArrayRecord record;
  InventoryNumbers numbers;
};

struct InventoryDevice {
  uint16_t handle;
  int32_t arrayHandle;  // -1: the structure is too short to name one
  MemoryDeviceRecord record;
  InventoryNumbers numbers;
};

// System Information, which the package does not decode: whom the table names as the machine's
// maker and model.
struct InventorySystem {
  uint16_t handle;
  char* manufacturer;  // null when the structure is too short for it
  char* product;
};

// The SMBIOS version the table's layout carries (an entry point or an rsmb header); a bare
// structure table carries none, and its rsmb header says 0.0.
struct SmbiosVersion {
  bool read;  // false: there was no table to read
  bool known;
  uint8_t major;
  uint8_t minor;
};

// Whether the processor's socket holds a processor: 1 yes, 0 no, -1 the structure does not say.
int socketPopulated(const InventoryProcessor& processor);

class Inventory {
 public:
  Inventory() = default;
  ~Inventory();
  Inventory(const Inventory&) = delete;
  Inventory& operator=(const Inventory&) = delete;

  // Decodes every structure of the rsmb layout (8-byte header, then the table, as long as the
  // header says and the bytes allow, as the load reads it). False when memory ran out.
  bool collect(const uint8_t* raw, size_t size);

  // The array a device belongs to: the first whose handle it names; null when none does.
  const InventoryArray* arrayOf(const InventoryDevice& device) const;

  GrowableArray<InventoryBios> bios;
  GrowableArray<InventoryLanguage> languages;
  GrowableArray<InventoryProcessor> processors;
  GrowableArray<InventoryArray> arrays;
  GrowableArray<InventoryDevice> devices;  // in table order, whatever array they name
  GrowableArray<InventorySystem> systems;
  SmbiosVersion version = {};
  InventoryWalk walk = {0, 0, kWalkComplete};
  bool failed = false;
};

// The installed modules of a set of slots and their sizes added up.
struct SizeTotal {
  unsigned long modules = 0;
  unsigned long unknown = 0;  // modules whose size the structure does not give
  uint64_t bytes = 0;

  void add(const InventoryDevice& device);
};

// The devices that belong to array (null: those that belong to none), added up.
SizeTotal installedIn(const Inventory& inventory, const InventoryArray* array);
// Every device of the table, added up.
SizeTotal installedInAll(const Inventory& inventory);

// The processors whose socket holds one.
unsigned long populatedCount(const Inventory& inventory);
