// Feeds each input to the table file detection as a file of every layout, checks what it makes
// of it, and runs the whole load on the raw table that the automatic detection produced.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/raw_header.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/load_allocations.h"
#include "fuzz/record_checks.h"
#include "platform/entry_point.h"
#include "platform/serving/served_firmware_table.h"
#include "reader/reader.h"
#include "reader/testing.h"
#include "tablefile/table_file.h"

namespace {

[[noreturn]] void fail(const char* format, const char* problem) {
  fprintf(stderr, "table file check failed: %s: %s\n", format, problem);
  abort();
}

// A refusal is one line that says why, unless memory ran out for the words.
void checkError(const std::string& error, const char* format) {
  if (error.empty() && !loadAllocations.failed) fail(format, "refused without a reason");
  for (const char c : error) {
    const auto u = static_cast<unsigned char>(c);
    if (u == '\n' || u < 0x20 || u > 0x7E) fail(format, "reason is not one printable line");
  }
}

// What each layout may make of the file: the rsmb layout, whose table comes from the file.
void checkRaw(const uint8_t* file, size_t size, TableFormat format, const char* name,
              const std::vector<uint8_t>& raw) {
  if (format == TableFormat::Rsmb) {
    // Served as it stands; the reader copes with whatever the header says.
    if (raw.size() != size || memcmp(raw.data(), file, size) != 0) fail(name, "file changed");
    return;
  }
  RawHeader header;
  if (!readRawHeader(raw.data(), raw.size(), &header)) fail(name, "raw table without its header");
  const uint8_t* table = raw.data() + kRawHeaderSize;
  const size_t tableSize = raw.size() - kRawHeaderSize;
  switch (format) {
    case TableFormat::Rsmb:
      return;
    case TableFormat::Bare:
      if (tableSize != size || (size > 0 && memcmp(table, file, size) != 0)) {
        fail(name, "table is not the whole file");
      }
      break;
    case TableFormat::Dump: {
      platform::EntryPoint entry{};
      if (!platform::parseEntryPoint(file, size, &entry))
        fail(name, "accepted without an entry point");
      if (entry.tableAddress > size || tableSize > size - entry.tableAddress ||
          (tableSize > 0 && memcmp(table, file + entry.tableAddress, tableSize) != 0)) {
        fail(name, "table is not the bytes at the entry point's address");
      }
      break;
    }
    case TableFormat::Auto:
      if (tableSize > size || (tableSize > 0 && std::search(file, file + size, table,
                                                            table + tableSize) == file + size)) {
        fail(name, "table does not come from the file");
      }
      break;
  }
  // Built by the detection, not taken from the file: the header tells the table's true length.
  if (format != TableFormat::Auto && header.tableLength != tableSize) {
    fail(name, "header length differs from the table");
  }
}

void loadAndCheck(const std::vector<uint8_t>& raw) {
  resetReaderForTesting();
  platform::resetFirmwareTableCallCount();
  platform::serveRawTable(raw.data(), raw.size());
  getRecord(kProcessorCategory);
  checkLoadedRecords(raw.size());
  releaseLoad();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kLargestFuzzInput) return 0;
  // An exactly sized copy, so that AddressSanitizer sees a read one byte past the file.
  std::unique_ptr<uint8_t[]> file(new uint8_t[size]);
  if (size > 0) memcpy(file.get(), data, size);

  struct Layout {
    TableFormat format;
    const char* name;
  };
  const Layout layouts[] = {{TableFormat::Auto, "auto"},
                            {TableFormat::Rsmb, "rsmb"},
                            {TableFormat::Dump, "dump"},
                            {TableFormat::Bare, "raw"}};
  std::vector<uint8_t> detected;
  for (const Layout& layout : layouts) {
    TextBuffer converted;
    TextBuffer error;
    if (rawTableFromFileBytes(file.get(), size, layout.format, &converted, &error)) {
      std::vector<uint8_t> raw(converted.bytes(), converted.bytes() + converted.size());
      checkRaw(file.get(), size, layout.format, layout.name, raw);
      if (layout.format == TableFormat::Auto) detected = std::move(raw);
    } else {
      checkError(error.text(), layout.name);
    }
  }
  if (!detected.empty()) loadAndCheck(detected);
  return 0;
}
