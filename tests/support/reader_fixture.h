// A fresh reader for every test: serves a raw buffer through the platform layer, runs the load
// and captures what it writes to standard output and standard error.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/reader.h"
#include "records/record_store.h"
#include "tests/support/table_builder.h"

struct LoadOutput {
  std::string out;  // standard output during the load
  std::string err;  // standard error during the load
};

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Forgets the load within one test, for table-driven cases.
  void freshReader() { SetUp(); }

  // Serves raw as the firmware table and makes the first getRecord call.
  LoadOutput load(const Bytes& raw);
  // Serves a table in the rsmb layout with its real length.
  LoadOutput loadTable(const Bytes& table) { return load(rawBuffer(table)); }
  // Serves these structures and the end-of-table structure as the table.
  LoadOutput loadStructures(std::initializer_list<Bytes> structures) {
    return loadTable(tableOf({tableOf(structures), endOfTable()}));
  }

  static ProcessorRecord& processor() { return *static_cast<ProcessorRecord*>(getRecord(9)); }
  static BiosRecord& bios() { return *static_cast<BiosRecord*>(getRecord(5)); }
  static BiosLanguageRecord& biosLanguage() {
    return *static_cast<BiosLanguageRecord*>(getRecord(4));
  }
  static MemoryArrayRecord& memoryArray() { return *static_cast<MemoryArrayRecord*>(getRecord(3)); }
  static MemoryDeviceRecord* devices() { return *static_cast<MemoryDeviceRecord**>(getRecord(10)); }
};

// A reader test run once for each row of a table of cases (TEST_P), each with a fresh reader.
template <typename Case>
class ReaderCaseTest : public ReaderTest, public ::testing::WithParamInterface<Case> {};

// The load's two messages on a table whose structures are not the count and length it announced.
std::string countAndLengthMessages(int32_t announced, int32_t decoded, size_t announcedBytes,
                                   size_t occupiedBytes);

// A field's text, or "(null)" so that expectations can name the null case.
std::string text(const char* field);

// Reads a whole file; empty when it cannot be read.
Bytes readFile(const std::string& path);

// A sample table of samples/ by name ("desktop": samples/desktop.rsmb).
std::string samplePath(const std::string& name);
// A real machine's table of ../shared/tables by file name ("": the folder).
std::string sharedTable(const std::string& file);
bool haveSharedTables();
// A real machine's table as the platform delivers it: a capture in that layout (.dat, .rsmb) as
// it stands; a dump's table (behind its "_SM3_" entry point, at 0x20) or a bare table behind a
// header.
Bytes sharedTableRaw(const std::string& file);
// Every sample, fuzz seed of the load and real machine's table (those where ../shared is there).
std::vector<std::string> everyTableInput();
// One of them in the rsmb layout the platform delivers: a seed as it stands, whatever it holds, a
// table as the tool reads it; false where the tool would refuse it.
bool readTableAsRaw(const std::string& path, Bytes* raw);

// Tests that read the real machines' tables skip with one line where ../shared is missing.
#define SKIP_WITHOUT_SHARED_TABLES() \
  if (!haveSharedTables()) GTEST_SKIP() << "no shared tables at " << sharedTable("")
