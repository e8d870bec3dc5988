// Serves each input as the raw firmware table (8-byte rsmb header, then the structure table), runs
// the whole one-time load with every decoder, then reads every record through getRecord and
// checks what must hold whatever the table held. Then reads the same table into every structure's
// facts, as the inventory does, checks the texts made of them, and that this leaves the loaded
// records as they were.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/raw_header.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/load_allocations.h"
#include "fuzz/record_checks.h"
#include "platform/serving/served_firmware_table.h"
#include "reader/reader.h"
#include "reader/structure_inventory.h"
#include "reader/testing.h"
#include "records/record_store.h"

namespace {

// Every record's bytes (text pointers included) and the list's position, as a caller sees them.
struct RecordBytes {
  BiosRecord bios;
  BiosLanguageRecord language;
  ProcessorRecord processor;
  MemoryArrayRecord array;
  MemoryDeviceRecord* devices;
  uint32_t fillIndex;
};

RecordBytes recordBytes() {
  RecordBytes out;
  memset(&out, 0, sizeof out);
  memcpy(&out.bios, getRecord(kBiosCategory), sizeof out.bios);
  memcpy(&out.language, getRecord(kBiosLanguageCategory), sizeof out.language);
  memcpy(&out.processor, getRecord(kProcessorCategory), sizeof out.processor);
  memcpy(&out.array, getRecord(kMemoryArrayCategory), sizeof out.array);
  out.devices = *static_cast<MemoryDeviceRecord**>(getRecord(kMemoryDevicesCategory));
  out.fillIndex = deviceFillIndex;
  return out;
}

void checkInventory(const uint8_t* raw, size_t size) {
  RawHeader header;
  if (!readRawHeader(raw, size, &header)) return;
  const uint32_t length = deliveredTableLength(header, size);
  const RecordBytes before = recordBytes();
  // The walk filters the strings it reads in place: a copy of its own, exactly sized.
  std::unique_ptr<uint8_t[]> table(new uint8_t[length > 0 ? length : 1]);
  if (length > 0) memcpy(table.get(), raw + kRawHeaderSize, length);
  walkStructureInventory(
      table.get(), length,
      [](uint32_t, const StructureFacts* facts, void*) { checkStructureFacts(facts); }, nullptr);
  const RecordBytes after = recordBytes();
  if (memcmp(&before, &after, sizeof before) != 0) {
    fprintf(stderr, "inventory check failed: the loaded records changed\n");
    abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kLargestFuzzInput) return 0;
  // An exactly sized copy, so that AddressSanitizer sees a read one byte past the input.
  std::unique_ptr<uint8_t[]> raw(new uint8_t[size]);
  if (size > 0) memcpy(raw.get(), data, size);

  resetReaderForTesting();
  platform::resetFirmwareTableCallCount();
  platform::serveRawTable(raw.get(), size);
  getRecord(kProcessorCategory);
  checkLoadedRecords(size);
  checkInventory(raw.get(), size);
  checkLoadedRecords(size);
  releaseLoad();
  return 0;
}
