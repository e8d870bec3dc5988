// Serves each input as the raw firmware table (8-byte rsmb header, then the structure table), runs
// the whole one-time load with every decoder, then reads every record through getRecord and
// checks what must hold whatever the table held. Then loads it again observed, as the tool does:
// the texts made of every structure's facts are checked as they come, the walk's report and the
// messages too, and the records must be those of the package's own load.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "base/raw_header.h"
#include "decoders/record_fields.h"
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
  if (formatDiagnostic(kind, numbers, text) != strlen(text)) fail("a message of another length");
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

// Every record's texts, to tell two loads of the same table apart.
std::string everyRecordText() {
  std::string texts;
  const auto add = [&texts](const char* text) {
    texts += text != nullptr ? text : "(null)";
    texts += '\x1F';
  };
  const auto* bios = static_cast<const BiosRecord*>(getRecord(kBiosCategory));
  for (const auto& field : kBiosFields) add(recordText(*bios, field));
  const auto* language = static_cast<const BiosLanguageRecord*>(getRecord(kBiosLanguageCategory));
  for (const auto& field : kBiosLanguageFields) add(recordText(*language, field));
  const auto* processor = static_cast<const ProcessorRecord*>(getRecord(kProcessorCategory));
  for (const auto& field : kProcessorFields) add(recordText(*processor, field));
  const auto* array = static_cast<const MemoryArrayRecord*>(getRecord(kMemoryArrayCategory));
  for (const auto& field : kMemoryArrayFields) add(recordText(*array, field));
  const auto* devices = *static_cast<MemoryDeviceRecord* const*>(getRecord(kMemoryDevicesCategory));
  for (uint32_t i = 0; devices != nullptr && i < array->deviceCount; ++i) {
    for (const auto& field : kMemoryDeviceFields) add(recordText(devices[i], field));
  }
  return texts + std::to_string(bios->present) + std::to_string(array->present) + ' ' +
         std::to_string(array->deviceCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kLargestFuzzInput) return 0;
  // An exactly sized copy, so that AddressSanitizer sees a read one byte past the input.
  std::unique_ptr<uint8_t[]> raw(new uint8_t[size]);
  if (size > 0) memcpy(raw.get(), data, size);

  // The package's load, as the engine runs it: its messages to the streams, or for every other
  // input observed alone (the walk then reads what the package reads), by the input's size, so
  // that the corpus takes both ways.
  resetReaderForTesting();
  platform::resetFirmwareTableCallCount();
  platform::serveRawTable(raw.get(), size);
  const LoadObserver messagesOnly = {nullptr, nullptr, observeMessage, nullptr};
  if (size % 2 == 0) observeLoad(&messagesOnly);
  getRecord(kProcessorCategory);
  observeLoad(nullptr);
  checkLoadedRecords(size);
  const std::string packages = loadAllocations.failed ? "" : everyRecordText();
  releaseLoad();

  // The tool's: every structure's facts as the records are stored from them, and every message,
  // observed. It stores the same records.
  Seen seen;
  seen.rawBytes = size;
  const LoadObserver observer = {observeStructure, observeWalk, observeMessage, &seen};
  platform::resetFirmwareTableCallCount();
  observeLoad(&observer);
  getRecord(kProcessorCategory);
  observeLoad(nullptr);
  checkLoadedRecords(size);
  checkWalk(seen);
  if (!loadAllocations.failed && !packages.empty() && everyRecordText() != packages) {
    fail("the observed load stored other records");
  }
  releaseLoad();
  return 0;
}
