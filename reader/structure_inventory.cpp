#include "reader/structure_inventory.h"

#include <stdlib.h>
#include <string.h>

#include "base/limits.h"
#include "decoders/memory.h"
#include "decoders/structure_decoders.h"
#include "reader/table_load.h"
#include "reader/table_walk.h"
#include "records/record_store.h"
#include "structures/structure.h"

namespace {

// The process-wide state the decoders write, kept aside while structures are decoded one by one.
struct SavedRecords {
  BiosRecord bios;
  BiosLanguageRecord biosLanguage;
  ProcessorRecord processor;
  MemoryArrayRecord memoryArray;
  ReservedRecord reserved;
  MemoryDeviceRecord* devices;
  uint32_t deviceCapacity;
  uint32_t fillIndex;
};

void saveRecords(SavedRecords* saved) {
  saved->bios = biosRecord;
  saved->biosLanguage = biosLanguageRecord;
  saved->processor = processorRecord;
  saved->memoryArray = memoryArrayRecord;
  saved->reserved = reservedRecord;
  saved->devices = memoryDevices;
  saved->deviceCapacity = memoryDeviceCapacity;
  saved->fillIndex = deviceFillIndex;
}

void restoreRecords(const SavedRecords& saved) {
  biosRecord = saved.bios;
  biosLanguageRecord = saved.biosLanguage;
  processorRecord = saved.processor;
  memoryArrayRecord = saved.memoryArray;
  reservedRecord = saved.reserved;
  memoryDevices = saved.devices;
  memoryDeviceCapacity = saved.deviceCapacity;
  deviceFillIndex = saved.fillIndex;
}

// What the package decodes, and System Information, which only the tools read.
bool isInventoried(uint8_t type) {
  return kDecodersByType.of[type] != nullptr || type == kSystemInformationType;
}

InventoryNumber known(uint64_t value) {
  return {true, value};
}

// ---- The numbers behind the texts, on the decoders' conditions (decoders/*.cpp) ----

// BIOS Information: the ROM size byte counts 64 kB blocks less one; 0xFF defers to the extended
// word (16 MB where the structure is too short for it), whose top two bits give its unit.
void biosNumbers(const StructureHeader* h, InventoryNumbers* n) {
  if (h->length < 0x12) return;
  const uint8_t romSize = readU8(h, 0x09);
  if (romSize != 0xFF) {
    n->romSizeBytes = known((romSize + 1u) * uint64_t{64} << 10);
    return;
  }
  const uint16_t extended = h->length >= 0x1A ? readU16Le(h, 0x18) : 16;
  const unsigned unit = extended >> 14;  // 0 MB, 1 GB, others undefined
  if (unit < 2) n->romSizeBytes = known(uint64_t{extended & 0x3FFFu} << (unit == 0 ? 20 : 30));
}

// A speed word: 0 says unknown.
InventoryNumber megahertz(const StructureHeader* h, unsigned offset) {
  const uint16_t value = readU16Le(h, offset);
  return value != 0 ? known(value) : InventoryNumber{};
}

// A count byte: 0 stores nothing; 0xFF defers to the word behind it where the structure holds it.
InventoryNumber count(const StructureHeader* h, unsigned byteOffset, unsigned wordOffset) {
  const uint8_t byte = readU8(h, byteOffset);
  if (byte == 0) return {};
  if (byte == 0xFF && h->length >= wordOffset + 2) return known(readU16Le(h, wordOffset));
  return known(byte);
}

// Processor Information. Voltage: bit 7 set, tenths of a volt in the others; clear, bits 0 to 2
// name the voltages the socket takes (5.0, 3.3, 2.9 V).
void processorNumbers(const StructureHeader* h, InventoryNumbers* n) {
  if (h->length < 0x1A) return;
  const uint8_t voltage = readU8(h, 0x11);
  if ((voltage & 0x80) != 0) {
    n->voltageMillivolts = known((voltage & 0x7Fu) * 100u);
  } else {
    static constexpr uint16_t kLegacyMillivolts[] = {5000, 3300, 2900};
    const unsigned bits = voltage & 0x07u;
    for (unsigned bit = 0; bit < 3; ++bit) {
      if (bits == 1u << bit) n->voltageMillivolts = known(kLegacyMillivolts[bit]);
    }
  }
  n->externalClockMHz = megahertz(h, 0x12);
  n->maxSpeedMHz = megahertz(h, 0x14);
  n->currentSpeedMHz = megahertz(h, 0x16);
  if (h->length < 0x28) return;
  n->coreCount = count(h, 0x23, 0x2A);
  n->coresEnabled = count(h, 0x24, 0x2C);
  n->threadCount = count(h, 0x25, 0x2E);
}

// Physical Memory Array. The package stores the capacity of a system memory array only: a count
// of kB, or 0x80000000 to defer to the extended capacity, a count of bytes.
void memoryArrayNumbers(const StructureHeader* h, InventoryNumbers* n) {
  if (h->length < 0x0F) return;
  n->deviceSlots = known(readU16Le(h, 0x0D));
  constexpr uint8_t kSystemMemory = 0x03;
  if (readU8(h, 0x05) != kSystemMemory) return;
  const uint32_t capacity = readU32Le(h, 0x07);
  if (capacity != 0x80000000u) {
    n->maximumCapacityBytes = known(uint64_t{capacity} << 10);
  } else if (h->length >= 0x17) {
    n->maximumCapacityBytes = known(readU64Le(h, 0x0F));
  }
}

// A memory speed: the word, or its extended double word where the word is 0xFFFF; 0 is unknown.
InventoryNumber memorySpeed(uint16_t speed, uint32_t extended) {
  if (speed == 0xFFFF) return extended != 0 ? known(extended) : InventoryNumber{};
  return speed != 0 ? known(speed) : InventoryNumber{};
}

// Memory Device. Size: 0 no module, 0xFFFF unknown, 0x7FFF deferring to the extended size (MB)
// where the structure holds it, else MB, or kB with bit 15 set.
void memoryDeviceNumbers(const StructureHeader* h, InventoryNumbers* n) {
  n->installed = -1;
  if (h->length < 0x15) return;
  const uint16_t size = readU16Le(h, 0x0C);
  n->installed = size != 0 ? 1 : 0;
  if (size == 0x7FFF && h->length >= 0x20) {
    n->sizeBytes = known(uint64_t{readU32Le(h, 0x1C) & 0x7FFFFFFFu} << 20);
  } else if (size != 0 && size != 0xFFFF) {
    n->sizeBytes = known(uint64_t{size & 0x7FFFu} << ((size & 0x8000) != 0 ? 10 : 20));
  }
  if (h->length < 0x17 || size == 0) return;
  const bool extendedSpeeds = h->length >= 0x5C;
  n->speedMTs = memorySpeed(readU16Le(h, 0x15), extendedSpeeds ? readU32Le(h, 0x54) : 0);
  if (h->length < 0x22) return;
  n->configuredSpeedMTs = memorySpeed(readU16Le(h, 0x20), extendedSpeeds ? readU32Le(h, 0x58) : 0);
  if (h->length < 0x28) return;
  const uint16_t millivolts = readU16Le(h, 0x26);
  if (millivolts != 0) n->configuredMillivolts = known(millivolts);
}

// Decodes one structure into empty records and hands it to visit. A device gets a list of one
// entry of its own; the list an array's decoder allocates is released again, and so are the
// texts, which the decoders copied into scratch.
void decodeAlone(const StructureHeader* header, TextArena* scratch, InventoryVisitor visit,
                 void* context) {
  resetRecords();
  MemoryDeviceRecord device = {};
  InventoryStructure s = {};
  s.type = header->type;
  s.handle = header->handle;
  s.statusByte = -1;
  s.arrayHandle = -1;
  switch (header->type) {
    case kBiosInformationType:
      s.bios = &biosRecord;
      biosNumbers(header, &s.numbers);
      break;
    case kSystemInformationType:
      // Manufacturer and Product Name, strings of every version of the structure.
      if (header->length >= 0x06) {
        s.systemManufacturer = structureString(header, readU8(header, 0x04));
        s.systemProduct = structureString(header, readU8(header, 0x05));
      }
      break;
    case kProcessorInformationType:
      if (header->length > 0x18) s.statusByte = readU8(header, 0x18);
      s.processor = &processorRecord;
      processorNumbers(header, &s.numbers);
      break;
    case kBiosLanguageType:
      s.biosLanguage = &biosLanguageRecord;
      break;
    case kPhysicalMemoryArrayType:
      if (header->length > 0x05) s.memoryUse = memoryUseText(readU8(header, 0x05));
      s.memoryArray = &memoryArrayRecord;
      memoryArrayNumbers(header, &s.numbers);
      break;
    case kMemoryDeviceType:
      if (header->length >= 0x06) s.arrayHandle = readU16Le(header, 0x04);
      memoryDevices = &device;
      memoryDeviceCapacity = 1;
      deviceFillIndex = 0;
      s.memoryDevice = &device;
      memoryDeviceNumbers(header, &s.numbers);
      break;
  }
  decodeStructure(header);
  visit(&s, context);
  scratch->release();
  if (header->type == kPhysicalMemoryArrayType) free(memoryDevices);
  memoryDevices = nullptr;
  memoryDeviceCapacity = 0;
}

}  // namespace

bool walkStructureInventory(const uint8_t* bytes, uint32_t length, InventoryVisitor visit,
                            void* context, InventoryWalk* walk) {
  InventoryWalk ended = {0, countStructures(bytes, length), kWalkComplete};
  if (walk != nullptr) *walk = ended;
  if (length < kStructureHeaderSize) return true;
  // String lookups rewrite unprintable bytes in place: work on a copy.
  uint8_t* table = static_cast<uint8_t*>(malloc(length));
  if (table == nullptr) return false;
  memcpy(table, bytes, length);
  SavedRecords saved;
  saveRecords(&saved);
  TextArena scratch;
  TextArena* const recordArena = redirectTextCopies(&scratch);

  // The load's walk, without its count and its diagnostics.
  const WalkStop stop = walkStructures(table, length, 0, false, [&](const StructureHeader* header) {
    if (isInventoried(header->type)) decodeAlone(header, &scratch, visit, context);
  });
  ended.structures = stop.structures;
  ended.end = stop.end;
  if (walk != nullptr) *walk = ended;

  redirectTextCopies(recordArena);
  restoreRecords(saved);
  free(table);
  return true;
}
