#include "tools/inventory.h"

#include <stdlib.h>
#include <string.h>

#include "base/raw_header.h"
#include "tools/record_fields.h"

namespace {

// Replaces every text of the record with a copy of its own, so that it outlives the visit.
template <typename Record, size_t N>
bool copyTexts(Record* record, const Field<Record> (&fields)[N]) {
  bool copied = true;
  for (const Field<Record>& field : fields) {
    const char* text = record->*field.member;
    if (text == nullptr) continue;
    const size_t size = strlen(text) + 1;
    char* copy = static_cast<char*>(malloc(size));
    if (copy != nullptr) memcpy(copy, text, size);
    copied = copied && copy != nullptr;
    record->*field.member = copy;
  }
  return copied;
}

template <typename Record, size_t N>
void releaseTexts(Record* record, const Field<Record> (&fields)[N]) {
  for (const Field<Record>& field : fields) {
    free(record->*field.member);
    record->*field.member = nullptr;
  }
}

// A copy of text of its own; null for null, and where memory ran out (*copied then false).
char* copyOf(const char* text, bool* copied) {
  if (text == nullptr) return nullptr;
  const size_t size = strlen(text) + 1;
  char* copy = static_cast<char*>(malloc(size));
  if (copy == nullptr) {
    *copied = false;
    return nullptr;
  }
  memcpy(copy, text, size);
  return copy;
}

// Keeps a copy of the entry with texts of its own; an entry that cannot be kept is let go whole.
template <typename Entry, typename Record, size_t N>
bool keep(GrowableArray<Entry>* list, Entry entry, Record Entry::*record,
          const Field<Record> (&fields)[N]) {
  const bool copied = copyTexts(&(entry.*record), fields);
  if (list->push(entry)) return copied;
  releaseTexts(&(entry.*record), fields);
  return false;
}

void collectStructure(const InventoryStructure* s, void* context) {
  Inventory& inventory = *static_cast<Inventory*>(context);
  bool kept = true;
  if (s->bios != nullptr) {
    // ROM size is the one text outside the field list; the characteristics are inline.
    BiosRecord record = *s->bios;
    // Both copies are made even when the first fails, so that every text is ours to free.
    const bool fieldsCopied = copyTexts(&record, kBiosFields);
    const bool copied = copyTexts(&record, {kBiosRomSize}) && fieldsCopied;
    if (inventory.bios.push(InventoryBios{s->handle, record, s->numbers})) {
      kept = copied;
    } else {
      releaseTexts(&record, kBiosFields);
      releaseTexts(&record, {kBiosRomSize});
      kept = false;
    }
  } else if (s->biosLanguage != nullptr) {
    kept = keep(&inventory.languages, InventoryLanguage{s->handle, *s->biosLanguage},
                &InventoryLanguage::record, kBiosLanguageFields);
  } else if (s->processor != nullptr) {
    kept = keep(&inventory.processors, InventoryProcessor{s->handle, *s->processor, s->numbers},
                &InventoryProcessor::record, kProcessorFields);
  } else if (s->memoryArray != nullptr) {
    kept = keep(&inventory.arrays,
                InventoryArray{s->handle, s->memoryUse, *s->memoryArray, s->numbers},
                &InventoryArray::record, kMemoryArrayFields);
  } else if (s->memoryDevice != nullptr) {
    kept = keep(&inventory.devices,
                InventoryDevice{s->handle, s->arrayHandle, *s->memoryDevice, s->numbers},
                &InventoryDevice::record, kMemoryDeviceFields);
  } else if (s->type == 1) {
    InventorySystem system = {s->handle, copyOf(s->systemManufacturer, &kept),
                              copyOf(s->systemProduct, &kept)};
    if (!inventory.systems.push(system)) {
      free(system.manufacturer);
      free(system.product);
      kept = false;
    }
  }
  if (!kept) inventory.failed = true;
}

}  // namespace

void SizeTotal::add(const InventoryDevice& device) {
  if (device.numbers.installed != 1) return;
  ++modules;
  if (device.numbers.sizeBytes.known) {
    bytes += device.numbers.sizeBytes.value;
  } else {
    ++unknown;
  }
}

SizeTotal installedIn(const Inventory& inventory, const InventoryArray* array) {
  SizeTotal total;
  for (const InventoryDevice& d : inventory.devices) {
    if (inventory.arrayOf(d) == array) total.add(d);
  }
  return total;
}

SizeTotal installedInAll(const Inventory& inventory) {
  SizeTotal total;
  for (const InventoryDevice& d : inventory.devices) total.add(d);
  return total;
}

unsigned long populatedCount(const Inventory& inventory) {
  unsigned long populated = 0;
  for (const InventoryProcessor& p : inventory.processors) populated += socketPopulated(p) == 1;
  return populated;
}

int socketPopulated(const InventoryProcessor& processor) {
  return processor.numbers.populated;
}

Inventory::~Inventory() {
  for (InventoryBios& b : bios) {
    releaseTexts(&b.record, kBiosFields);
    releaseTexts(&b.record, {kBiosRomSize});
  }
  for (InventoryLanguage& l : languages) releaseTexts(&l.record, kBiosLanguageFields);
  for (InventoryProcessor& p : processors) releaseTexts(&p.record, kProcessorFields);
  for (InventoryArray& a : arrays) releaseTexts(&a.record, kMemoryArrayFields);
  for (InventoryDevice& d : devices) releaseTexts(&d.record, kMemoryDeviceFields);
  for (InventorySystem& s : systems) {
    free(s.manufacturer);
    free(s.product);
  }
}

bool Inventory::collect(const uint8_t* raw, size_t size) {
  RawHeader header;
  if (!readRawHeader(raw, size, &header)) return true;
  // SMBIOS begins at 2.0: a major version of 0 is an rsmb header made for a bare table.
  version = {true, header.major != 0, header.major, header.minor};
  // As the load: never beyond the bytes delivered.
  const uint32_t length = deliveredTableLength(header, size);
  if (!walkStructureInventory(raw + kRawHeaderSize, length, collectStructure, this, &walk)) {
    failed = true;
  }
  return !failed;
}

const InventoryArray* Inventory::arrayOf(const InventoryDevice& device) const {
  if (device.arrayHandle < 0) return nullptr;
  for (const InventoryArray& a : arrays) {
    if (a.handle == device.arrayHandle) return &a;
  }
  return nullptr;
}
