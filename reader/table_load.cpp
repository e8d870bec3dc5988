#include "reader/table_load.h"

#include "base/limits.h"
#include "base/raw_header.h"
#include "platform/fetch_firmware_table.h"
#include "reader/load_state.h"
#include "reader/reader.h"
#include "reader/table_walk.h"
#include "records/record_store.h"
#include "structures/structure.h"

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
  RawTable raw;
  raw.data = platform::fetchFirmwareTable(&raw.size);
  return raw;
}

int32_t countStructures(const uint8_t* start, uint32_t length) {
  ConstStructureIterator structures(start, length);
  int32_t n = 0;
  uint8_t formattedLength = 0;
  while (!structures.atEnd()) {
    ++n;
    // A lone byte at the end starts a structure whose length byte the table does not hold.
    if (!structures.formattedLength(&formattedLength)) break;
    structures.next(formattedLength);
  }
  return n;
}

void loadRecords() {
  resetRecords();
  const RawTable raw = fetchRawTable();
  rawTableBuffer = raw.data;
  RawHeader header;
  if (raw.data == nullptr || !readRawHeader(raw.data, raw.size, &header)) return;

  uint8_t* const table = raw.data + kRawHeaderSize;
  // The header may announce more than was delivered; never look beyond the delivered bytes.
  const uint32_t tableLength = deliveredTableLength(header, raw.size);

  const int32_t count = countStructures(table, tableLength);
  const WalkStop stop = walkTable(table, tableLength, static_cast<uint16_t>(count & kWalkCountBits));
  if (loadObserver != nullptr && loadObserver->walkEnded != nullptr) {
    const InventoryWalk walk = {stop.structures, count, stop.end};
    loadObserver->walkEnded(&walk, loadObserver->context);
  }
}
