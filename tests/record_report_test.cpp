// The records as a report for people and as JSON text.
#include "tools/record_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/json_reader.h"
#include "tests/support/reader_fixture.h"

namespace {

std::string textReport() {
  FILE* file = tmpfile();
  writeTextReport(file);
  std::string text(static_cast<size_t>(ftell(file)), '\0');
  rewind(file);
  EXPECT_EQ(fread(text.data(), 1, text.size(), file), text.size());
  fclose(file);
  return text;
}

TEST(JsonString, EscapesWhatRfc8259Requires) {
  const struct {
    std::string text;
    std::string json;
  } cases[] = {
      {"", "\"\""},
      {"plain text 1.2 V", "\"plain text 1.2 V\""},
      {"a\"b\\c/d", "\"a\\\"b\\\\c/d\""},
      {"\n\t\r\b\f", "\"\\n\\t\\r\\b\\f\""},
      {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
      // Bytes above ASCII are kept, one code point each, so the output stays valid UTF-8.
      {"\xe9\xff", "\"\\u00e9\\u00ff\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(jsonString(c.text), c.json);
    Json parsed;
    std::string error;
    ASSERT_TRUE(parseJson(c.json, &parsed, &error)) << error;
    EXPECT_EQ(parsed.text, c.text);
  }
}

class RecordReport : public ReaderTest {};

// Lists are one item per line without their empty parts; unset fields say so.
TEST_F(RecordReport, ListsAndUnsetFields) {
  loadTable(tableOf({
      // Characteristics 0x90 and an empty extension byte 1: "ISA...\nPCI...\n".
      Structure(0, 0x13).u8(0x04, 1).u64(0x0A, 0x90).str("Vendor A"),
      Structure(13, 0x16).u8(0x04, 2).u8(0x15, 1).str("en|US|iso8859-1").str("fr|FR|iso8859-1"),
      endOfTable(),
  }));
  const std::string report = textReport();
  EXPECT_NE(report.find("\nBIOS\n  Vendor: Vendor A\n  Version: Not Specified\n"),
            std::string::npos);
  EXPECT_NE(
      report.find("  Characteristics:\n    ISA is supported\n    PCI is supported\n  ROM Size: "),
      std::string::npos);
  EXPECT_NE(report.find("  Installable Languages:\n    en|US|iso8859-1\n    fr|FR|iso8859-1\n"),
            std::string::npos);
  EXPECT_NE(report.find("\nProcessor\n  Socket Designation: (not set)\n"), std::string::npos);
  EXPECT_NE(report.find("\nMemory Devices: none\n"), std::string::npos);
}

TEST_F(RecordReport, EmptyListSaysNone) {
  // Characteristics 0 with both extension bytes 0: two line feeds and no item.
  loadTable(tableOf({Structure(0, 0x14).str("V"), endOfTable()}));
  EXPECT_NE(textReport().find("  Characteristics: (none)\n"), std::string::npos);
}

}  // namespace
