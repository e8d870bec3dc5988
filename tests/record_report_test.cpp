// The records as a report for people.
#include "tools/record_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/serving/served_firmware_table.h"
#include "tests/support/reader_fixture.h"
#include "tools/observed_load.h"

namespace {

std::string textReport(const LoadMessages& load = LoadMessages()) {
  FILE* file = tmpfile();
  writeTextReport(file, DiagnosticList(load));
  std::string text(static_cast<size_t>(ftell(file)), '\0');
  rewind(file);
  EXPECT_EQ(fread(text.data(), 1, text.size(), file), text.size());
  fclose(file);
  return text;
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
  EXPECT_NE(report.find("\nMemory Devices: none\n"), std::string::npos);
}

// A record with nothing in it and an empty slot take one line each; firmware padding is not
// shown.
TEST_F(RecordReport, EmptyPartsTakeOneLine) {
  loadTable(tableOf({
      Structure(16, 0x17).u8(0x05, 3).u16(0x0D, 3),
      // Size 0: no module; a run of empty slots is one block.
      Structure(17, 0x28).u8(0x10, 1).str("DIMM_A1  "),
      Structure(17, 0x28).u8(0x10, 1).str("DIMM_A2"),
      Structure(17, 0x28)
          .u16(0x0C, 0x2000)
          .u8(0x10, 1)
          .u8(0x17, 2)
          .str("DIMM_B1")
          .str("Hynix Semiconductor           "),
      endOfTable(),
  }));
  const std::string report = textReport();
  for (const char* line : {"\nBIOS: none\n", "\nBIOS Language: none\n", "\nProcessor: none\n",
                           "\n\nMemory Device 1 of 3: DIMM_A1, empty\n"
                           "Memory Device 2 of 3: DIMM_A2, empty\n\nMemory Device 3 of 3\n",
                           "  Manufacturer: Hynix Semiconductor\n"}) {
    EXPECT_NE(report.find(line), std::string::npos) << line << "\nin\n" << report;
  }
  EXPECT_EQ(report.find(" \n"), std::string::npos) << "a line ends in a blank";
  EXPECT_EQ(report.find("Diagnostics"), std::string::npos);
}

// Each message of the load, in the order of each stream, with one line on what it means; a run
// of equal messages is written once.
TEST_F(RecordReport, DiagnosticsAreExplained) {
  const Bytes array = Structure(16, 0x0F).u8(0x05, 3).u16(0x0D, 1);
  const Bytes raw = rawBuffer(tableOf({array, array, array, Structure(4, 3), array}));
  platform::serveRawTable(raw.data(), raw.size());
  LoadMessages load;
  runObservedLoad(&load, nullptr);
  const std::string report = textReport(load);
  const size_t heading = report.find("\nDiagnostics: what the reader reported about this table\n");
  ASSERT_NE(heading, std::string::npos) << report;
  const char* const messages[] = {
      "  BiosReader: trying to over allocate! (2 times)\n    The table has more than one system",
      "  Invalid entry length (3). DMI table is broken! Stop.\n    A structure gives a length",
      "  Wrong DMI structures count: 5 announced, only 3 decoded.\n    The walk ended before",
  };
  size_t at = heading;
  for (const char* message : messages) {
    const size_t found = report.find(message, at);
    EXPECT_NE(found, std::string::npos) << message << "\nin\n" << report.substr(heading);
    at = found == std::string::npos ? at : found;
  }
}

TEST_F(RecordReport, EmptyListSaysNone) {
  // Characteristics 0 with both extension bytes 0: two line feeds and no item.
  loadStructures({Structure(0, 0x14).str("V")});
  EXPECT_NE(textReport().find("  Characteristics: (none)\n"), std::string::npos);
}

}  // namespace
