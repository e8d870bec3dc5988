#include "tools/inventory.h"

#include <stdlib.h>

#include "base/raw_header.h"
#include "tools/sort_keys.h"

namespace {

template <typename Facts>
bool keep(GrowableArray<Inventoried<Facts>>* list, uint32_t position, const Facts& facts) {
  return list->push(Inventoried<Facts>{position, facts});
}

bool systemMemoryArray(const MemoryArrayFacts& array) {
  return array.holds(memory_array_field::kUse, 1) &&
         array.use == memory_array_field::kSystemMemoryUse;
}

}  // namespace

void Inventory::observeStructure(uint32_t position, const StructureFacts* facts, void* context) {
  Inventory& inventory = *static_cast<Inventory*>(context);
  bool kept = true;
  switch (facts->type) {
    case kBiosInformationType:
      kept = keep(&inventory.bios, position, facts->bios);
      break;
    case kSystemInformationType:
      kept = keep(&inventory.systems, position, facts->system);
      break;
    case kProcessorInformationType:
      kept = keep(&inventory.processors, position, facts->processor);
      break;
    case kBiosLanguageType:
      kept = keep(&inventory.languages, position, facts->biosLanguage);
      break;
    case kPhysicalMemoryArrayType:
      ++inventory.memoryStructures;
      if (inventory.keep_ == Keep::kEverything) {
        kept = keep(&inventory.arrays, position, facts->memoryArray);
      }
      break;
    case kMemoryDeviceType:
      ++inventory.memoryStructures;
      if (inventory.keep_ == Keep::kEverything) {
        kept = keep(&inventory.devices, position, facts->memoryDevice);
      }
      break;
  }
  if (!kept) inventory.failed = true;
}

void Inventory::observeWalk(const InventoryWalk* walk, void* context) {
  static_cast<Inventory*>(context)->walk = *walk;
}

bool Inventory::finish(const uint8_t* raw, size_t size) {
  RawHeader header;
  // SMBIOS begins at 2.0: a major version of 0 is an rsmb header made for a bare table.
  if (readRawHeader(raw, size, &header)) {
    version = {true, header.major != 0, header.major, header.minor};
  }
  if (!groupDevices()) failed = true;
  return !failed;
}

// Finds each device's array once, by the arrays' handles sorted (the first in table order among
// arrays of one handle), then groups the devices by array, each group in table order: the
// reports and totals then cost what the table holds, however many arrays it has.
bool Inventory::groupDevices() {
  const size_t arrayCount = arrays.size();
  uint64_t* handles = static_cast<uint64_t*>(malloc((arrayCount + 1) * sizeof(uint64_t)));
  if (handles == nullptr) return false;
  for (size_t i = 0; i < arrayCount; ++i) {
    handles[i] = uint64_t{arrays[i].facts.handle} << 32 | i;
  }
  sortKeys(handles, arrayCount);
  bool grouped = true;
  for (const InventoryDevice& d : devices) {
    uint32_t index = static_cast<uint32_t>(arrayCount);
    if (d.facts.holds(memory_device_field::kArrayHandle, 2)) {
      const uint64_t wanted = uint64_t{d.facts.arrayHandle} << 32;
      size_t low = 0;
      size_t high = arrayCount;
      while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (handles[middle] < wanted) {
          low = middle + 1;
        } else {
          high = middle;
        }
      }
      if (low < arrayCount && handles[low] >> 32 == d.facts.arrayHandle) {
        index = static_cast<uint32_t>(handles[low] & 0xFFFFFFFFu);
      }
    }
    grouped = arrayIndex_.push(index) && grouped;
  }
  free(handles);
  if (!grouped) return false;

  // Where each group starts: the counts, added up.
  for (size_t i = 0; i <= arrayCount + 1; ++i) grouped = groupStart_.push(0) && grouped;
  if (!grouped) return false;
  for (uint32_t index : arrayIndex_) ++groupStart_[index + 1];
  for (size_t i = 1; i <= arrayCount + 1; ++i) groupStart_[i] += groupStart_[i - 1];
  for (size_t i = 0; i < devices.size(); ++i) grouped = grouped_.push(nullptr) && grouped;
  if (!grouped) return false;
  GrowableArray<size_t> next;
  for (size_t i = 0; i <= arrayCount; ++i) grouped = next.push(groupStart_[i]) && grouped;
  if (!grouped) return false;
  for (size_t i = 0; i < devices.size(); ++i) grouped_[next[arrayIndex_[i]]++] = &devices[i];
  return true;
}

const InventoryArray* Inventory::arrayOf(const InventoryDevice& device) const {
  const size_t at = static_cast<size_t>(&device - devices.begin());
  if (at >= arrayIndex_.size()) return nullptr;
  const size_t index = arrayIndex_[at];
  return index < arrays.size() ? &arrays[index] : nullptr;
}

Inventory::Devices Inventory::devicesOf(const InventoryArray* array) const {
  const size_t group =
      array != nullptr ? static_cast<size_t>(array - arrays.begin()) : arrays.size();
  if (groupStart_.empty()) return {nullptr, 0};
  return {grouped_.begin() + groupStart_[group], groupStart_[group + 1] - groupStart_[group]};
}

void SizeTotal::add(const MemoryDeviceFacts& device) {
  if (deviceInstalled(device) != 1) return;
  ++modules;
  uint64_t size = 0;
  if (deviceSizeBytes(device, &size)) {
    bytes += size;
  } else {
    ++unknown;
  }
}

SizeTotal installedIn(const Inventory& inventory, const InventoryArray* array) {
  SizeTotal total;
  for (const InventoryDevice* d : inventory.devicesOf(array)) total.add(d->facts);
  return total;
}

SizeTotal systemMemory(const Inventory& inventory) {
  SizeTotal total = installedIn(inventory, nullptr);
  for (const InventoryArray& a : inventory.arrays) {
    if (!systemMemoryArray(a.facts)) continue;
    for (const InventoryDevice* d : inventory.devicesOf(&a)) total.add(d->facts);
  }
  return total;
}

void otherArrays(const Inventory& inventory, GrowableArray<UseTotal>* totals) {
  for (const InventoryArray& a : inventory.arrays) {
    if (systemMemoryArray(a.facts)) continue;
    const bool useKnown = a.facts.holds(memory_array_field::kUse, 1);
    UseTotal* found = nullptr;
    for (UseTotal& t : *totals) {
      if (t.useKnown == useKnown && (!useKnown || t.use == a.facts.use)) found = &t;
    }
    if (found == nullptr) {
      if (!totals->push(UseTotal{useKnown, useKnown ? a.facts.use : uint8_t{0}, {}})) continue;
      found = &(*totals)[totals->size() - 1];
    }
    for (const InventoryDevice* d : inventory.devicesOf(&a)) found->total.add(d->facts);
  }
}

unsigned long populatedCount(const Inventory& inventory) {
  unsigned long populated = 0;
  for (const InventoryProcessor& p : inventory.processors) {
    populated += socketPopulated(p.facts) == 1;
  }
  return populated;
}
