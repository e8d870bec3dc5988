#include "reader/structure_inventory.h"

#include <stdlib.h>
#include <string.h>

#include "base/byte_reader.h"
#include "base/limits.h"
#include "decoders/bios_layout.h"
#include "decoders/memory.h"
#include "decoders/memory_layout.h"
#include "decoders/processor_layout.h"
#include "decoders/structure_decoders.h"
#include "decoders/system_layout.h"
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
  namespace field = bios_field;
  if (!holdsField(h, field::kCharacteristics, 8)) return;
  const uint8_t romSize = readU8(h, field::kRomSize);
  if (romSize != 0xFF) {
    n->romSizeBytes = known((romSize + 1u) * uint64_t{64} << 10);
    return;
  }
  const uint16_t extended =
      holdsField(h, field::kExtendedRomSize, 2) ? readU16Le(h, field::kExtendedRomSize) : 16;
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
  if (byte == 0xFF && holdsField(h, wordOffset, 2)) return known(readU16Le(h, wordOffset));
  return known(byte);
}

// Processor Information. Voltage: bit 7 set, tenths of a volt in the others; clear, bits 0 to 2
// name the voltages the socket takes (5.0, 3.3, 2.9 V). The ID: its eight bytes, zeros where the
// structure is too short for them, as the decoder stores their text.
void processorNumbers(const StructureHeader* h, InventoryNumbers* n) {
  namespace field = processor_field;
  if (h->length < field::kLength20) return;
  ByteReader id(h->data, h->length);
  const uint8_t* bytes = nullptr;
  n->idRead = true;
  if (id.seek(field::kId) && id.readBytes(sizeof n->id, &bytes)) memcpy(n->id, bytes, sizeof n->id);
  const uint8_t voltage = readU8(h, field::kVoltage);
  if ((voltage & 0x80) != 0) {
    n->voltageMillivolts = known((voltage & 0x7Fu) * 100u);
  } else {
    static constexpr uint16_t kLegacyMillivolts[] = {5000, 3300, 2900};
    const unsigned bits = voltage & 0x07u;
    for (unsigned bit = 0; bit < 3; ++bit) {
      if (bits == 1u << bit) n->voltageMillivolts = known(kLegacyMillivolts[bit]);
    }
  }
  n->externalClockMHz = megahertz(h, field::kExternalClock);
  n->maxSpeedMHz = megahertz(h, field::kMaxSpeed);
  n->currentSpeedMHz = megahertz(h, field::kCurrentSpeed);
  if (h->length < field::kLength25) return;
  n->coreCount = count(h, field::kCoreCount, field::kCoreCount2);
  n->coresEnabled = count(h, field::kCoresEnabled, field::kCoresEnabled2);
  n->threadCount = count(h, field::kThreadCount, field::kThreadCount2);
}

// Physical Memory Array. The package stores the capacity of a system memory array only: a count
// of kB, or kCapacityInExtendedField to defer to the extended capacity, a count of bytes.
void memoryArrayNumbers(const StructureHeader* h, InventoryNumbers* n) {
  namespace field = memory_array_field;
  if (!holdsField(h, field::kNumberOfDevices, 2)) return;
  n->deviceSlots = known(readU16Le(h, field::kNumberOfDevices));
  if (readU8(h, field::kUse) != field::kSystemMemoryUse) return;
  const uint32_t capacity = readU32Le(h, field::kMaximumCapacity);
  if (capacity != field::kCapacityInExtendedField) {
    n->maximumCapacityBytes = known(uint64_t{capacity} << 10);
  } else if (holdsField(h, field::kExtendedMaximumCapacity, 8)) {
    n->maximumCapacityBytes = known(readU64Le(h, field::kExtendedMaximumCapacity));
  }
}

// A memory speed: the word, or its extended double word where the word defers to it; 0 is
// unknown.
InventoryNumber memorySpeed(uint16_t speed, uint32_t extended) {
  if (speed == memory_device_field::kSpeedInExtendedField) {
    return extended != 0 ? known(extended) : InventoryNumber{};
  }
  return speed != 0 ? known(speed) : InventoryNumber{};
}

// Memory Device. Size: no module, unknown, deferring to the extended size (MB) where the
// structure holds it, else MB, or kB with bit 15 set.
void memoryDeviceNumbers(const StructureHeader* h, InventoryNumbers* n) {
  namespace field = memory_device_field;
  n->installed = -1;
  if (!holdsField(h, field::kTypeDetail, 2)) return;
  const uint16_t size = readU16Le(h, field::kSize);
  n->installed = size != field::kNoModule ? 1 : 0;
  if (size == field::kSizeInExtendedField && holdsField(h, field::kExtendedSize, 4)) {
    n->sizeBytes = known(uint64_t{readU32Le(h, field::kExtendedSize) & 0x7FFFFFFFu} << 20);
  } else if (size != field::kNoModule && size != field::kSizeUnknown) {
    n->sizeBytes = known(uint64_t{size & 0x7FFFu} << ((size & 0x8000) != 0 ? 10 : 20));
  }
  if (!holdsField(h, field::kSpeed, 2) || size == field::kNoModule) return;
  const bool extendedSpeeds = holdsField(h, field::kExtendedConfiguredSpeed, 4);
  n->speedMTs = memorySpeed(readU16Le(h, field::kSpeed),
                            extendedSpeeds ? readU32Le(h, field::kExtendedSpeed) : 0);
  if (!holdsField(h, field::kConfiguredSpeed, 2)) return;
  n->configuredSpeedMTs =
      memorySpeed(readU16Le(h, field::kConfiguredSpeed),
                  extendedSpeeds ? readU32Le(h, field::kExtendedConfiguredSpeed) : 0);
  if (!holdsField(h, field::kConfiguredVoltage, 2)) return;
  const uint16_t millivolts = readU16Le(h, field::kConfiguredVoltage);
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
      if (holdsField(header, system_field::kProductName, 1)) {
        s.systemManufacturer = structureString(header, readU8(header, system_field::kManufacturer));
        s.systemProduct = structureString(header, readU8(header, system_field::kProductName));
      }
      break;
    case kProcessorInformationType:
      s.numbers.populated = -1;
      if (holdsField(header, processor_field::kStatus, 1)) {
        s.statusByte = readU8(header, processor_field::kStatus);
        s.numbers.populated = (s.statusByte & processor_field::kSocketPopulated) != 0 ? 1 : 0;
      }
      s.processor = &processorRecord;
      processorNumbers(header, &s.numbers);
      break;
    case kBiosLanguageType:
      s.biosLanguage = &biosLanguageRecord;
      break;
    case kPhysicalMemoryArrayType:
      if (holdsField(header, memory_array_field::kUse, 1)) {
        s.memoryUse = memoryUseText(readU8(header, memory_array_field::kUse));
      }
      s.memoryArray = &memoryArrayRecord;
      memoryArrayNumbers(header, &s.numbers);
      break;
    case kMemoryDeviceType:
      if (holdsField(header, memory_device_field::kArrayHandle, 2)) {
        s.arrayHandle = readU16Le(header, memory_device_field::kArrayHandle);
      }
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
