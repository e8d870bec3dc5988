// The whole machine as the table describes it: every BIOS, BIOS language, processor, memory array,
// memory device and System Information structure the load read, each as the facts the load read
// it into, grouped as a person reads a machine (each array with the devices that name it).
// inventory_text.h and inventory_json.h write it for people and as JSON, every text one the
// decoders make of the facts.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "decoders/structure_facts.h"
#include "reader/load_observer.h"
#include "tools/growable_array.h"

// One structure's facts and where it stands in the table (the first structure 1). Its strings
// point into the load's copy of the table, which lives until the process ends.
template <typename Facts>
struct Inventoried {
  uint32_t position;
  Facts facts;
};
using InventoryBios = Inventoried<BiosFacts>;
using InventoryLanguage = Inventoried<BiosLanguageFacts>;
using InventoryProcessor = Inventoried<ProcessorFacts>;
using InventoryArray = Inventoried<MemoryArrayFacts>;
using InventoryDevice = Inventoried<MemoryDeviceFacts>;
using InventorySystem = Inventoried<SystemFacts>;

// The SMBIOS version the table's layout carries (an entry point or an rsmb header); a bare
// structure table carries none, and its rsmb header says 0.0.
struct SmbiosVersion {
  bool read;  // false: there was no table to read
  bool known;
  uint8_t major;
  uint8_t minor;
};

// The installed modules of a set of slots and their sizes added up.
struct SizeTotal {
  unsigned long modules = 0;
  unsigned long unknown = 0;  // modules whose size the structure does not give
  uint64_t bytes = 0;

  void add(const MemoryDeviceFacts& device);
};

// The modules of the arrays of one use other than System Memory.
struct UseTotal {
  bool useKnown;  // false: the arrays are too short to give their use
  uint8_t use;
  SizeTotal total;
};

class Inventory {
 public:
  // What the caller shows: every structure, or what the processor ID's assessment reads (the
  // memory structures only counted, not kept).
  enum class Keep { kEverything, kAllButMemory };

  Inventory(const Inventory&) = delete;
  Inventory& operator=(const Inventory&) = delete;

  // What to keep of the load that runs next; then the load's observer collects into it
  // (observeStructure, observeWalk, with this inventory as context).
  explicit Inventory(Keep keep) : keep_(keep) {}
  static void observeStructure(uint32_t position, const StructureFacts* facts, void* inventory);
  static void observeWalk(const InventoryWalk* walk, void* inventory);
  // After the load: the SMBIOS version of the table it read (raw, in the rsmb layout), and the
  // devices grouped by array. False when memory ran out, here or while collecting.
  bool finish(const uint8_t* raw, size_t size);

  // The array a device belongs to: the first whose handle it names; null when none does.
  const InventoryArray* arrayOf(const InventoryDevice& device) const;
  // The devices that belong to array (null: those that belong to none), in table order.
  struct Devices {
    const InventoryDevice* const* first;
    size_t count;
    const InventoryDevice* const* begin() const { return first; }
    const InventoryDevice* const* end() const { return first + count; }
  };
  Devices devicesOf(const InventoryArray* array) const;

  GrowableArray<InventoryBios> bios;
  GrowableArray<InventoryLanguage> languages;
  GrowableArray<InventoryProcessor> processors;
  GrowableArray<InventoryArray> arrays;
  GrowableArray<InventoryDevice> devices;  // in table order, whatever array they name
  GrowableArray<InventorySystem> systems;
  size_t memoryStructures = 0;  // arrays and devices, kept or not
  SmbiosVersion version = {};
  InventoryWalk walk = {0, 0, kWalkComplete};
  bool failed = false;

 private:
  bool groupDevices();

  Keep keep_ = Keep::kEverything;
  // For each device, the index of its array in arrays, or arrays.size() for none.
  GrowableArray<uint32_t> arrayIndex_;
  // The devices grouped by array, each group in table order; group i (arrays.size(): none)
  // starts at groupStart_[i].
  GrowableArray<const InventoryDevice*> grouped_;
  GrowableArray<size_t> groupStart_;
};

// The devices that belong to array (null: those that belong to none), added up.
SizeTotal installedIn(const Inventory& inventory, const InventoryArray* array);
// The devices of the System Memory arrays and those that name no array, added up.
SizeTotal systemMemory(const Inventory& inventory);
// The devices of the arrays of every other use, added up by use, in the order each use first
// appears among the arrays.
void otherArrays(const Inventory& inventory, GrowableArray<UseTotal>* totals);

// The processors whose socket holds one.
unsigned long populatedCount(const Inventory& inventory);
