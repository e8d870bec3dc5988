// Serves each input as the raw firmware table (8-byte raw header, then the structure table), runs
// the whole one-time load with every decoder, then reads every record through getRecord and
// checks what must hold whatever the table held.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz/load_allocations.h"
#include "fuzz/record_checks.h"
#include "platform/firmware_source.h"
#include "reader/records.h"
#include "reader/testing.h"

namespace {

// Real tables are a few KiB; larger inputs only slow the fuzzer down.
constexpr size_t kMaxInputBytes = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInputBytes) return 0;
  // An exactly sized copy, so that AddressSanitizer sees a read one byte past the input.
  std::unique_ptr<uint8_t[]> raw(new uint8_t[size]);
  if (size > 0) memcpy(raw.get(), data, size);

  resetReaderForTesting();
  platform::resetFirmwareTableCallCount();
  platform::serveRawTable(raw.get(), size);
  getRecord(kProcessorCategory);
  checkLoadedRecords(size);
  releaseLoad();
  return 0;
}
