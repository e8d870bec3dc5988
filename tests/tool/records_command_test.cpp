// zentrik records: the JSON parsed back and compared with the records the reader holds for the
// same table in this process, the load's diagnostics, and hostile tables, each ending in order.
#include <algorithm>
#include <filesystem>

#include "tests/tool/tool.h"

namespace {

using RecordsCommand = ZentrikTool;

TEST_F(RecordsCommand, SamplesShowTheRecordsTheReaderHolds) {
  for (const char* name : {"desktop", "server", "broken", "truncated"}) {
    SCOPED_TRACE(name);
    const Bytes raw = readFile(samplePath(name));
    ASSERT_FALSE(raw.empty()) << samplePath(name);
    expectJsonMatchesLoad({"--table", samplePath(name)}, raw);
  }
}

TEST_F(RecordsCommand, RealTablesShowTheRecordsTheReaderHolds) {
  SKIP_WITHOUT_SHARED_TABLES();
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(sharedTable(""))) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || ext == ".smbios_entry_point" || ext == ".md") continue;
    SCOPED_TRACE(entry.path().filename().string());
    expectJsonMatchesLoad({"--table", entry.path().string()},
                          sharedTableRaw(entry.path().filename().string()));
    ++seen;
  }
  EXPECT_GE(seen, 14);
}

// The report shows the load's diagnostics under their heading, the JSON holds their exact bytes,
// and serial sends them all to standard error, in the order the load writes them, each on a line
// of its own, keeping standard output for the ID.
TEST_F(RecordsCommand, DiagnosticsAreExact) {
  const std::string brokenErr =
      std::string("Invalid entry length (3). DMI table is broken! Stop.\n\n") +
      countAndLengthMessages(14, 12, 789, 753);
  const std::string truncatedErr = countAndLengthMessages(5, 4, 564, 565);
  const struct {
    const char* sample;
    std::string out;  // what the load writes to standard output
    std::string err;
    std::string serialErr;  // both, as they reach standard error
  } cases[] = {
      {"broken", "BiosReader: trying to over allocate!",
       "Invalid entry length (16). Fixed up to 11.\n" + brokenErr,
       "Invalid entry length (16). Fixed up to 11.\nBiosReader: trying to over allocate!\n" +
           brokenErr},
      {"truncated", "\t<TRUNCATED>\n\n", truncatedErr, "\t<TRUNCATED>\n\n" + truncatedErr},
      {"desktop", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sample);
    const std::string path = samplePath(c.sample);
    const ProcessRun text = runTool({"records", "--table", path});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.err, "");
    EXPECT_EQ(text.out.rfind("\nBIOS", 0), 0u);
    EXPECT_EQ(text.out.find("\nDiagnostics: ") != std::string::npos, !c.err.empty());
    const ProcessRun json = runTool({"records", "--table", path, "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.err, "");
    const Json parsed = parsedRun(json);
    EXPECT_EQ(parsed["diagnostics"]["stdout"].text, c.out);
    EXPECT_EQ(parsed["diagnostics"]["stderr"].text, c.err);
    const ProcessRun serial = runTool({"serial", "--table", path});
    EXPECT_EQ(serial.err.substr(0, c.serialErr.size()), c.serialErr);
    EXPECT_EQ(std::count(serial.out.begin(), serial.out.end(), '\n'), serial.status == 0 ? 1 : 0);
  }
}

// The load's messages are observed, not captured in files: without a descriptor to spare they
// are shown as ever, and nothing reaches standard error.
TEST_F(RecordsCommand, MessagesNeedNoFile) {
  ProcessSetUp fourDescriptors;  // the three streams and one more
  fourDescriptors.descriptors = 4;
  const std::string broken = samplePath("broken");
  const ProcessRun run = runTool({"records", "--json", "--table", broken}, fourDescriptors);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const Json json = parsedRun(run);
  EXPECT_NE(json["diagnostics"]["stderr"].text.find(
                "Invalid entry length (3). DMI table is broken! Stop."),
            std::string::npos);
  const ProcessRun inventory = runTool({"inventory", "--table", broken}, fourDescriptors);
  EXPECT_EQ(inventory.status, 0);
  EXPECT_EQ(inventory.err, "");
  EXPECT_NE(inventory.out.find("\nDiagnostics: what the reader reported about this table\n"),
            std::string::npos);
}

// ---- Hostile tables: records and diagnostics, never a crash or a hang ----

// Every truncation where AddressSanitizer watches the tool's reads; elsewhere every 13th, which
// still meets each structure boundary of the samples at some offset, at a tenth of the time.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kTruncationStep = 1;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr size_t kTruncationStep = 1;
#else
constexpr size_t kTruncationStep = 13;
#endif
#else
constexpr size_t kTruncationStep = 13;
#endif

// Four quarters of the truncations (by length modulo 4), so that CTest can run them side by side.
constexpr size_t kTruncationQuarters = 4;

class ZentrikTruncatedSamples : public ZentrikBadInput,
                                public ::testing::WithParamInterface<size_t> {};

TEST_P(ZentrikTruncatedSamples, EveryTruncationEndsInAnOrderlyWay) {
  std::vector<std::string> samples;
  for (const auto& entry : std::filesystem::directory_iterator(ZENTRIK_SAMPLES)) {
    if (entry.path().extension() == ".rsmb") samples.push_back(entry.path().string());
  }
  std::sort(samples.begin(), samples.end());
  ASSERT_FALSE(samples.empty());
  for (const std::string& sample : samples) {
    const Bytes whole = readFile(sample);
    for (size_t size = 0; size < whole.size(); size += kTruncationStep) {
      if (size % kTruncationQuarters != GetParam()) continue;
      const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
      expectOrderlyEnd(records(cut), sample + " cut to " + std::to_string(size) + " bytes");
      if (HasFatalFailure()) return;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Quarter, ZentrikTruncatedSamples,
                         ::testing::Range(size_t{0}, kTruncationQuarters));

TEST_F(ZentrikBadInput, SixtyFiveThousandFiveHundredThirtySixStructuresAndMore) {
  // The count handed to the walk keeps only its low 16 bits: 0 for 65,536 structures.
  for (size_t count : {65535, 65536, 65537, 131072}) {
    Bytes table;
    const Bytes one = Structure(1, 4);  // formatted area and two zero bytes: 6 bytes
    table.reserve(count * one.size());
    for (size_t i = 0; i + 1 < count; ++i) table.insert(table.end(), one.begin(), one.end());
    const Bytes end = endOfTable();
    table.insert(table.end(), end.begin(), end.end());
    const ProcessRun run = records(rawBuffer(table), "rsmb");
    expectOrderlyEnd(run, std::to_string(count) + " structures");
    EXPECT_EQ(run.status, 0);
  }
}

TEST_F(ZentrikBadInput, StructuresOfLength0xFF) {
  for (uint8_t type : {0, 4, 13, 16, 17}) {
    Structure s(type, 0xFF);
    for (size_t offset = 4; offset < 0xFF; ++offset) s.u8(offset, 0xFF);
    const Bytes table =
        tableOf({Structure(16, 0x17).u8(0x05, 3).u16(0x0D, 4), s.str("x"), endOfTable()});
    expectOrderlyInEveryLayout(rawBuffer(table),
                               "type " + std::to_string(type) + " of length 0xFF");
  }
}

TEST_F(ZentrikBadInput, StringSetsWithoutAnEnd) {
  for (uint8_t type : {0, 4, 13, 17}) {
    Structure s(type, 0x30);
    for (size_t offset = 4; offset < 0x30; ++offset) s.u8(offset, 1);
    // Strings that run to the end of the table: no closing NUL, no double zero.
    const Bytes table = tableOf({Structure(16, 0x17).u8(0x05, 3).u16(0x0D, 1),
                                 s.rawStrings({'a', 'b', 'c', 0, 'd', 'e', 'f'})});
    const ProcessRun run = records(rawBuffer(table), "rsmb");
    expectOrderlyEnd(run, "type " + std::to_string(type) + " strings without an end");
    EXPECT_EQ(run.status, 0);
  }
}

}  // namespace
