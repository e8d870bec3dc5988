#include "reader/structure_inventory.h"

#include <stdlib.h>
#include <string.h>

#include "base/limits.h"
#include "decoders/memory.h"
#include "reader/record_store.h"
#include "reader/structure.h"
#include "reader/table_walk.h"

namespace {

constexpr uint8_t kManagementDeviceThresholdType = 34;

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

bool isInventoried(uint8_t type) {
  return type == 0 || type == 4 || type == 13 || type == 16 || type == 17;
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
    case 0:
      s.bios = &biosRecord;
      break;
    case 4:
      if (header->length > 0x18) s.statusByte = readU8(header, 0x18);
      s.processor = &processorRecord;
      break;
    case 13:
      s.biosLanguage = &biosLanguageRecord;
      break;
    case 16:
      if (header->length > 0x05) s.memoryUse = memoryUseText(readU8(header, 0x05));
      s.memoryArray = &memoryArrayRecord;
      break;
    case 17:
      if (header->length >= 0x06) s.arrayHandle = readU16Le(header, 0x04);
      memoryDevices = &device;
      memoryDeviceCapacity = 1;
      deviceFillIndex = 0;
      s.memoryDevice = &device;
      break;
  }
  decodeStructure(header);
  visit(&s, context);
  scratch->release();
  if (header->type == 16) free(memoryDevices);
  memoryDevices = nullptr;
  memoryDeviceCapacity = 0;
}

}  // namespace

bool walkStructureInventory(const uint8_t* bytes, uint32_t length, InventoryVisitor visit,
                            void* context) {
  if (length < kStructureHeaderSize) return true;
  // String lookups rewrite unprintable bytes in place: work on a copy.
  uint8_t* table = static_cast<uint8_t*>(malloc(length));
  if (table == nullptr) return false;
  memcpy(table, bytes, length);
  SavedRecords saved;
  saveRecords(&saved);
  TextArena scratch;
  TextArena* const recordArena = redirectTextCopies(&scratch);

  // The load's stepping, without its count and its diagnostics.
  uint64_t p = 0;
  StructureHeader header;
  while (readStructureHeader(table, length, p, &header) && header.length >= kStructureHeaderSize) {
    if (header.type == kManagementDeviceThresholdType) fixupEntryLength(&header, 0);
    // A formatted area that the table cuts off is never decoded, as in the load.
    if (isInventoried(header.type) && header.length <= header.available) {
      decodeAlone(&header, &scratch, visit, context);
    }
    p = stringSetEnd(table, length, p + header.length);
  }

  redirectTextCopies(recordArena);
  restoreRecords(saved);
  free(table);
  return true;
}
