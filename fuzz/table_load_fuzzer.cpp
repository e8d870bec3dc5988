// Serves each input as the raw firmware table (8-byte rsmb header, then the structure table), runs
// the whole one-time load with every decoder, then reads every record through getRecord and
// checks what must hold whatever the table held. Where the load is observed, as the tool observes
// it, the texts made of every structure's facts are checked as they come, and the walk's report.
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
#include "reader/load_observer.h"
#include "reader/reader.h"
#include "reader/testing.h"
#include "records/record_store.h"

namespace {

[[noreturn]] void fail(const char* problem) {
  fprintf(stderr, "observer check failed: %s\n", problem);
  abort();
}

// What the load's observer saw: each structure's facts checked as they come.
struct Seen {
  size_t rawBytes;
  uint32_t structures = 0;
  uint32_t lastPosition = 0;
  bool walkEnded = false;
  InventoryWalk walk = {};
};

void observeStructure(uint32_t position, const StructureFacts* facts, void* context) {
  auto& seen = *static_cast<Seen*>(context);
  if (position <= seen.lastPosition) fail("structures out of table order");
  seen.lastPosition = position;
  ++seen.structures;
  checkStructureFacts(facts, seen.rawBytes);
}

void observeMessage(DiagnosticKind kind, DiagnosticNumbers numbers, void*) {
  char text[kDiagnosticTextCapacity];
  if (formatDiagnostic(kind, numbers, text, sizeof text) >= sizeof text) {
    fail("a message longer than its room");
  }
}

void observeWalk(const InventoryWalk* walk, void* context) {
  auto& seen = *static_cast<Seen*>(context);
  seen.walkEnded = true;
  seen.walk = *walk;
}

// The walk hands over at most the structures it walked and the one that ended it, and never
// walks more than the table holds.
void checkWalk(const Seen& seen) {
  if (!seen.walkEnded) return;
  const InventoryWalk& walk = seen.walk;
  if (walk.counted < 0 || walk.structures > static_cast<uint32_t>(walk.counted) ||
      seen.structures > walk.structures + 1 || seen.lastPosition > walk.structures + 1) {
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
  // As the package loads, or observed as the tool loads (every structure's facts as the records
  // are stored from them; the messages too, or left to the streams): by the input's size, so
  // that the corpus takes every way.
  Seen seen;
  seen.rawBytes = size;
  const bool observed = size % 2 == 0;
  const LoadObserver observer = {observeStructure, observeWalk,
                                 size % 4 == 0 ? observeMessage : nullptr, &seen};
  if (observed) observeLoad(&observer);
  getRecord(kProcessorCategory);
  observeLoad(nullptr);
  checkLoadedRecords(size);
  checkWalk(seen);
  releaseLoad();
  return 0;
}
