// Serves each input as the raw firmware table (8-byte rsmb header, then the structure table), runs
// the whole one-time load with every decoder, then reads every record through getRecord and
// checks what must hold whatever the table held. Then decodes the same table structure by
// structure, as the inventory does, with and without the report of how its walk ended, and checks
// that this leaves the loaded records as they were.
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

[[noreturn]] void fail(const char* problem) {
  fprintf(stderr, "inventory check failed: %s\n", problem);
  abort();
}

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

// The structures the inventory hands over, each checked, and how its walk ended when walk is
// not null; -1 when memory ran out.
int64_t inventory(const uint8_t* table, uint32_t length, InventoryWalk* walk) {
  uint32_t visited = 0;
  const bool walked = walkStructureInventory(
      table, length,
      [](const InventoryStructure* s, void* visits) {
        checkInventoryStructure(s);
        ++*static_cast<uint32_t*>(visits);
      },
      &visited, walk);
  return walked ? int64_t{visited} : -1;
}

void checkInventory(const uint8_t* raw, size_t size) {
  RawHeader header;
  if (!readRawHeader(raw, size, &header)) return;
  const uint32_t length = deliveredTableLength(header, size);
  const RecordBytes before = recordBytes();
  InventoryWalk walk;
  const int64_t reported = inventory(raw + kRawHeaderSize, length, &walk);
  const int64_t silent = inventory(raw + kRawHeaderSize, length, nullptr);
  const RecordBytes after = recordBytes();
  if (memcmp(&before, &after, sizeof before) != 0) fail("the loaded records changed");
  if (reported >= 0 && silent >= 0 && reported != silent) fail("the walk's report changed it");
  // It hands over at most the structures it walked and the one that ended the walk, and never
  // walks more than the table holds.
  if (reported >= 0 && (walk.counted < 0 || walk.structures > static_cast<uint32_t>(walk.counted) ||
                        reported > int64_t{walk.structures} + 1)) {
    fail("the walk disagrees with the structures it counted or handed over");
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
