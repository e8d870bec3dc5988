// The load's diagnostics: written through one writer, byte for byte what printf writes with their
// formats; observed instead of written, they give back exactly what the load would have written;
// and as the tool explains them.
#include "tools/diagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/serving/served_firmware_table.h"
#include "tests/support/json_reader.h"
#include "tests/support/reader_fixture.h"
#include "tools/observed_load.h"

namespace {

std::string written(FILE* file) {
  std::string text(static_cast<size_t>(ftell(file)), '\0');
  rewind(file);
  EXPECT_EQ(fread(text.data(), 1, text.size(), file), text.size());
  fclose(file);
  return text;
}

Json listJson(const DiagnosticList& list) {
  FILE* file = tmpfile();
  JsonWriter json(file);
  json.open(nullptr, '{');
  list.writeJson(json);
  json.close('}');
  json.finish();
  Json parsed;
  std::string error;
  EXPECT_TRUE(parseJson(written(file), &parsed, &error)) << error;
  return parsed["diagnostics"];
}

TEST(Diagnostics, FormattedAsPrintfFormatsThem) {
  const struct {
    DiagnosticKind kind;
    DiagnosticNumbers numbers;
    std::string printed;
  } cases[] = {
      {DiagnosticKind::kLengthFixedUp, {16, 11}, "Invalid entry length (16). Fixed up to 11.\n"},
      {DiagnosticKind::kLengthBelowHeader,
       {0, 0},
       "Invalid entry length (0). DMI table is broken! Stop.\n\n"},
      {DiagnosticKind::kStructureCountMismatch,
       {65535, 1073741823},
       "Wrong DMI structures count: 65535 announced, only 1073741823 decoded.\n"},
      {DiagnosticKind::kTableLengthMismatch,
       {4294967295, 18446744073709551615ull >> 1},
       "Wrong DMI structures length: 4294967295 bytes announced, structures occupy "
       "9223372036854775807 bytes.\n"},
      {DiagnosticKind::kSecondMemoryArray, {7, 7}, "BiosReader: trying to over allocate!"},
  };
  for (const auto& c : cases) {
    char text[kDiagnosticTextCapacity];
    EXPECT_EQ(formatDiagnostic(c.kind, c.numbers, text), c.printed.size());
    EXPECT_EQ(text, c.printed);
  }
}

class ObservedLoad : public ReaderTest {};

// On every seed and sample: observed, the load writes nothing, and what it would have written to
// each stream is given back byte for byte.
TEST_F(ObservedLoad, GivesBackWhatTheStreamsWouldHaveGot) {
  std::vector<std::string> inputs;
  const std::string seeds = std::string(ZENTRIK_SAMPLES) + "/../fuzz/corpus/load";
  for (const auto& entry : std::filesystem::directory_iterator(seeds)) {
    inputs.push_back(entry.path().string());
  }
  for (const char* sample : {"desktop", "server", "broken", "truncated"}) {
    inputs.push_back(samplePath(sample));
  }
  size_t withMessages = 0;
  for (const std::string& path : inputs) {
    SCOPED_TRACE(path);
    const Bytes raw = readFile(path);
    freshReader();
    const LoadOutput streams = load(raw);
    freshReader();
    platform::serveRawTable(raw.data(), raw.size());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    LoadMessages observed;
    runObservedLoad(&observed, nullptr);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(observed.failed());
    EXPECT_EQ(observed.written(DiagnosticStream::Stdout), streams.out);
    EXPECT_EQ(observed.written(DiagnosticStream::Stderr), streams.err);
    withMessages += !observed.messages().empty();
  }
  EXPECT_GT(withMessages, 10u);
  // And the writer writes to the streams again.
  freshReader();
  const LoadOutput after = loadStructures(
      {Structure(16, 0x0F).u8(0x05, 3).u16(0x0D, 1), Structure(16, 0x0F).u8(0x05, 3).u16(0x0D, 1)});
  EXPECT_EQ(after.out, "BiosReader: trying to over allocate!");
}

// Each message by its kind, stream and shown text, runs as one, then what the tool found itself.
TEST_F(ObservedLoad, ListedWithTheirMeaning) {
  const Bytes array = Structure(16, 0x0F).u8(0x05, 3).u16(0x0D, 1);
  const Bytes raw = rawBuffer(
      tableOf({array, array, array, Structure(34, 0x10).bytes(11, {'A', 'B', 'C', 'D', 'E'}),
               Bytes{4, 0x30, 0, 0, 0}}));
  platform::serveRawTable(raw.data(), raw.size());
  LoadMessages load;
  runObservedLoad(&load, nullptr);
  DiagnosticList list(load);
  list.addBadStringNumber(7, 17, 0x0011, "Locator", 5, 3);
  std::vector<std::string> got;
  for (const Json& m : listJson(list).items) {
    EXPECT_FALSE(m["meaning"].text.empty());
    got.push_back(m["kind"].text + "|" +
                  (m["stream"].kind == Json::Kind::Null ? "null" : m["stream"].text) + "|" +
                  m["text"].text + "|" + std::to_string(m["times"].number));
  }
  EXPECT_EQ(got, (std::vector<std::string>{
                     "secondMemoryArray|stdout|BiosReader: trying to over allocate!|2",
                     "structureTruncated|stdout|<TRUNCATED>|1",
                     "lengthFixedUp|stderr|Invalid entry length (16). Fixed up to 11.|1",
                     "structureCountMismatch|stderr|Wrong DMI structures count: 5 announced, "
                     "only 4 decoded.|1",
                     "tableLengthMismatch|stderr|Wrong DMI structures length: 74 bytes "
                     "announced, structures occupy 119 bytes.|1",
                     "badStringNumber|null|structure 7 (type 17, handle 0x0011): Locator names "
                     "string 5 of 3|1"}));
  // The report for people shows the load's messages; the tool's own are shown at their field.
  FILE* file = tmpfile();
  list.writeText(file);
  const std::string text = written(file);
  EXPECT_EQ(text.find("\nDiagnostics: what the reader reported about this table\n"), 0u);
  EXPECT_NE(text.find("  BiosReader: trying to over allocate! (2 times)\n"), std::string::npos);
  EXPECT_EQ(text.find("Locator"), std::string::npos);
}

// serial's way: every message on standard error, in the order written, each on a line of its own.
TEST_F(ObservedLoad, OntoStandardErrorOnLinesOfTheirOwn) {
  const Bytes array = Structure(16, 0x0F).u8(0x05, 3).u16(0x0D, 1);
  const Bytes raw = rawBuffer(tableOf({array, array, Bytes{4, 0x30, 0, 0, 0}}));
  platform::serveRawTable(raw.data(), raw.size());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  runLoadOntoStderr();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "BiosReader: trying to over allocate!\n\t<TRUNCATED>\n\n"
            "Wrong DMI structures count: 3 announced, only 2 decoded.\n"
            "Wrong DMI structures length: 39 bytes announced, structures occupy 84 bytes.\n");
}

}  // namespace
