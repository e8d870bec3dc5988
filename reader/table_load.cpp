#include "reader/table_load.h"

#include <stdlib.h>

#include "platform/firmware_table.h"
#include "reader/load_state.h"
#include "reader/record_store.h"
#include "reader/table_walk.h"

platform::OnceFlag loadOnce;
int32_t tableLoaded = 0;
uint8_t* rawTableBuffer = nullptr;

namespace {

void loadAndMark() {
  loadRecords();
  tableLoaded = 1;
}

}  // namespace

void* getRecord(uint32_t code) {
  // After the load this is one flag test; callers that race the first call wait for the one
  // load, and every caller sees the records it wrote.
  platform::runOnce(&loadOnce, loadAndMark);
  switch (code) {
    case kMemoryArrayCategory:
      return &memoryArrayRecord;
    case kBiosLanguageCategory:
      return &biosLanguageRecord;
    case kBiosCategory:
      return &biosRecord;
    case kProcessorCategory:
      return &processorRecord;
    case kMemoryDevicesCategory:
      return &memoryDevices;
    case kReservedCategory:
      return &reservedRecord;
    default:
      return nullptr;
  }
}

RawTable fetchRawTable() {
  const uint32_t needed = platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, nullptr, 0);
  if (needed == 0) return {nullptr, 0};
  auto* buffer = static_cast<uint8_t*>(malloc(needed));
  if (buffer == nullptr) return {nullptr, 0};
  const uint32_t copied =
      platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, buffer, needed);
  // Only what the second call really copied may be read.
  return {buffer, copied <= needed ? copied : 0};
}

int32_t countStructures(const uint8_t* start, uint32_t length) {
  uint64_t p = 0;
  int32_t n = 0;
  while (p < length) {
    // A lone byte at the end starts a structure whose length byte the table does not hold.
    if (p + 1 >= length) {
      ++n;
      break;
    }
    p += start[p + 1];
    ++n;
    while (p + 1 < length && (start[p] != 0 || start[p + 1] != 0)) ++p;
    p += 2;
  }
  return n;
}

void loadRecords() {
  resetRecords();
  const RawTable raw = fetchRawTable();
  rawTableBuffer = raw.data;
  if (raw.data == nullptr || raw.size < platform::kRawHeaderSize) return;

  uint8_t* const table = raw.data + platform::kRawHeaderSize;
  const uint32_t announced = static_cast<uint32_t>(raw.data[4]) | raw.data[5] << 8 |
                             raw.data[6] << 16 | static_cast<uint32_t>(raw.data[7]) << 24;
  // The header may announce more than was delivered; never look beyond the delivered bytes.
  const uint32_t delivered = raw.size - platform::kRawHeaderSize;
  const uint32_t tableLength = announced < delivered ? announced : delivered;

  const int32_t count = countStructures(table, tableLength);
  walkTable(table, tableLength, static_cast<uint16_t>(count & 0xFFFF));
}
