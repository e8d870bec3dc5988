// Table files in their three layouts turned into the rsmb layout the platform serves.
#include "tablefile/table_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "base/raw_header.h"
#include "tests/support/reader_fixture.h"
#include "tests/support/table_builder.h"
#include "tests/support/table_files.h"

namespace {

const Bytes kTable = tableOf({Structure(0, 0x12).str("Vendor").u8(0x04, 1), endOfTable()});

struct Converted {
  bool ok;
  Bytes raw;
  std::string error;
};

Converted collect(bool ok, const TextBuffer& raw, const TextBuffer& error) {
  return {ok, Bytes(raw.bytes(), raw.bytes() + raw.size()), error.text()};
}

Converted convert(const Bytes& file, TableFormat format = TableFormat::Auto) {
  TextBuffer raw;
  TextBuffer error;
  const bool ok = rawTableFromFileBytes(file.data(), file.size(), format, &raw, &error);
  return collect(ok, raw, error);
}

Converted read(const std::string& path, TableFormat format = TableFormat::Auto) {
  TextBuffer raw;
  TextBuffer error;
  const bool ok = readTableInput(path.c_str(), format, &raw, &error);
  return collect(ok, raw, error);
}

Bytes concat(const Bytes& a, const Bytes& b) {
  Bytes out = a;
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

// Every layout, detected and named, gives the same table with the version it carries.
TEST(TableFile, EveryLayoutGivesTheRawLayout) {
  const auto length = static_cast<uint16_t>(kTable.size());
  const struct {
    const char* what;
    Bytes file;
    TableFormat format;
    Bytes expected;
  } cases[] = {
      {"rsmb layout, detected", rawBuffer(kTable, 3, 2), TableFormat::Auto,
       rawBuffer(kTable, 3, 2)},
      {"rsmb layout, named", rawBuffer(kTable, 2, 8), TableFormat::Rsmb, rawBuffer(kTable, 2, 8)},
      {"bare table, detected", kTable, TableFormat::Auto, rawBuffer(kTable, 0, 0)},
      {"bare table, named", kTable, TableFormat::Bare, rawBuffer(kTable, 0, 0)},
      {"_SM_ dump, detected", dumpFile(entryPoint32(2, 7, length, 0x20), kTable), TableFormat::Auto,
       rawBuffer(kTable, 2, 7)},
      {"_SM_ dump, named", dumpFile(entryPoint32(2, 7, length, 0x20), kTable), TableFormat::Dump,
       rawBuffer(kTable, 2, 7)},
      // "_SM3_" gives a maximum: the table is what the file holds.
      {"_SM3_ dump, maximum above the file", dumpFile(entryPoint64(3, 5, 0, 0x10000, 0x20), kTable),
       TableFormat::Auto, rawBuffer(kTable, 3, 5)},
      // A dump may place the table right behind the entry point.
      {"_SM_ dump, table at 31", concat(entryPoint32(2, 4, length, 31), kTable), TableFormat::Auto,
       rawBuffer(kTable, 2, 4)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Converted got = convert(c.file, c.format);
    ASSERT_TRUE(got.ok) << got.error;
    EXPECT_EQ(got.raw, c.expected);
  }
}

TEST(TableFile, DumpCarriesTheDocrevAsDmiRevision) {
  const Converted got = convert(dumpFile(entryPoint64(3, 3, 7, 0x1000, 0x20), kTable));
  ASSERT_TRUE(got.ok) << got.error;
  ASSERT_GE(got.raw.size(), 8u);
  EXPECT_EQ(got.raw[3], 7);
}

// Lengths that disagree with the file: the table is cut to what the entry point allows and to
// what the file holds, never more.
TEST(TableFile, DumpTableIsBoundedByEntryPointAndFile) {
  const Bytes longTable = concat(kTable, Bytes(100, 0));
  // "_SM_" announcing fewer bytes than follow: only those are served.
  Converted got = convert(dumpFile(entryPoint32(2, 7, 10, 0x20), longTable));
  ASSERT_TRUE(got.ok) << got.error;
  EXPECT_EQ(got.raw, rawBuffer(Bytes(longTable.begin(), longTable.begin() + 10), 2, 7));
  // "_SM_" announcing more than the file holds: served as far as it goes.
  got = convert(dumpFile(entryPoint32(2, 7, 5000, 0x20), kTable));
  ASSERT_TRUE(got.ok) << got.error;
  EXPECT_EQ(got.raw, rawBuffer(kTable, 2, 7));
  // "_SM3_" maximum below the file: cut at the maximum.
  got = convert(dumpFile(entryPoint64(3, 0, 0, 12, 0x20), longTable));
  ASSERT_TRUE(got.ok) << got.error;
  EXPECT_EQ(got.raw, rawBuffer(Bytes(longTable.begin(), longTable.begin() + 12), 3, 0));
}

TEST(TableFile, NamedRsmbIsServedAsItStands) {
  // The header announces more than the file holds: auto finds no layout in it, rsmb serves it
  // unchanged and leaves the mismatch to the reader.
  const Bytes file = rawBufferAnnouncing(kTable, 4000);
  EXPECT_EQ(convert(file, TableFormat::Rsmb).raw, file);
  EXPECT_FALSE(convert(file, TableFormat::Auto).ok);
  // Even a header cut short is handed on; the reader then finds nothing to decode.
  EXPECT_EQ(convert(Bytes{0, 3}, TableFormat::Rsmb).raw, (Bytes{0, 3}));
}

TEST(TableFile, UnusableBytesAreRefusedWithAReason) {
  const Bytes sm3 = entryPoint64(3, 0, 0, 100, 0x20);
  const struct {
    const char* what;
    Bytes file;
    TableFormat format;
    std::string error;
  } cases[] = {
      {"empty file", {}, TableFormat::Auto, "the file is empty"},
      {"empty file, named", {}, TableFormat::Rsmb, "the file is empty"},
      // An entry point alone, as Linux keeps it apart from its table.
      {"entry point alone", sm3, TableFormat::Auto,
       "only an SMBIOS entry point, whose table lies elsewhere (at 0x20): give --table the "
       "folder that holds smbios_entry_point and DMI, as /sys/firmware/dmi/tables does"},
      {"address far outside", dumpFile(entryPoint64(3, 0, 0, 100, 0x6A162000), kTable),
       TableFormat::Auto,
       "the entry point's table address 0x6A162000 lies outside the file (" +
           std::to_string(0x20 + kTable.size()) + " bytes)"},
      // The anchor is there but the entry point is not whole.
      {"cut _SM3_", Bytes(sm3.begin(), sm3.begin() + 20), TableFormat::Auto,
       "the \"_SM3_\" entry point is cut short (20 bytes)"},
      {"cut _SM_", Bytes{'_', 'S', 'M', '_', 0x1F}, TableFormat::Auto,
       "the \"_SM_\" entry point is cut short (5 bytes)"},
      {"dump named, no entry point", kTable, TableFormat::Dump,
       "no SMBIOS entry point (\"_SM_\" or \"_SM3_\") at offset 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Converted got = convert(c.file, c.format);
    EXPECT_FALSE(got.ok);
    EXPECT_EQ(got.error, c.error);
  }
}

TEST(TableFile, ReadingNamesTheInput) {
  TempDir dir;
  Converted got = read(dir.path("missing.rsmb"));
  EXPECT_FALSE(got.ok);
  EXPECT_EQ(got.error, dir.path("missing.rsmb") + ": cannot open: No such file or directory");
  got = read(dir.path(""));
  EXPECT_FALSE(got.ok);
  EXPECT_EQ(got.error, dir.path("") +
                           ": is a folder without the smbios_entry_point and DMI that "
                           "/sys/firmware/dmi/tables holds");
  EXPECT_EQ(read("").error, "the table input has an empty name: give a file, '-' or a folder");
  const std::string empty = dir.write("empty.bin", {});
  got = read(empty);
  EXPECT_FALSE(got.ok);
  EXPECT_EQ(got.error, empty + ": the file is empty");
  got = read(dir.write("good.dmi", kTable));
  ASSERT_TRUE(got.ok) << got.error;
  EXPECT_EQ(got.raw, rawBuffer(kTable, 0, 0));
}

// Auto takes a file for a bare table only when it starts with a whole structure whose strings
// are text; a named layout loads whatever it is given.
TEST(TableFile, AutoRefusesWhatIsNoTable) {
  const std::string markdown = "# Tables\n\nSome notes, no zero byte anywhere.\n";
  const Bytes binaryStrings = {0x7F, 'E', 'L', 'F', 0x02, 0x01, 0x01, 0x00, 0x90, 0x91, 0, 0};
  const struct {
    const char* what;
    Bytes file;
  } refused[] = {
      {"a text file", Bytes(markdown.begin(), markdown.end())},
      {"strings that are not text", binaryStrings},
      {"a formatted length beyond the file", {0x00, 0x40, 0x00, 0x00, 0, 0}},
      {"a formatted length below the header", {0x00, 0x02, 0x00, 0x00, 0, 0}},
      {"no double zero", {0x00, 0x04, 0x00, 0x00, 'a', 0, 'b'}},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.what);
    const Converted got = convert(c.file);
    EXPECT_FALSE(got.ok);
    EXPECT_EQ(got.error,
              "not an SMBIOS table: no entry point at its start, no rsmb header of its length, no "
              "whole structure (a --format loads it anyway)");
    EXPECT_EQ(convert(c.file, TableFormat::Bare).raw, rawBuffer(c.file, 0, 0));
  }
  // The smallest table: one structure without strings; and a stray control byte in a string.
  EXPECT_TRUE(convert({0x7F, 0x04, 0xFF, 0xFF, 0, 0}).ok);
  EXPECT_TRUE(convert({0x00, 0x04, 0x00, 0x00, 'C', ':', '\t', 'v', '2', 0, 0}).ok);
}

// A copy of /sys/firmware/dmi/tables: the version from the entry point, the table from DMI.
TEST(TableFile, FolderOfEntryPointAndTable) {
  TempDir dir;
  dir.write("smbios_entry_point", entryPoint64(3, 4, 1, 0x1000, 0xBCD3D000u));
  dir.write("DMI", kTable);
  Converted got = read(dir.path(""));
  ASSERT_TRUE(got.ok) << got.error;
  Bytes expected = rawBuffer(kTable, 3, 4);
  expected[3] = 1;  // the docrev
  EXPECT_EQ(got.raw, expected);

  got = read(dir.path(""), TableFormat::Bare);
  EXPECT_FALSE(got.ok);
  EXPECT_EQ(got.error,
            dir.path("") + ": is a folder, whose layout is fixed: --format applies to files only");

  dir.write("DMI", {});
  EXPECT_EQ(read(dir.path("")).error, dir.path("DMI") + ": the file is empty");
  dir.write("smbios_entry_point", kTable);
  EXPECT_EQ(read(dir.path("")).error,
            dir.path("smbios_entry_point") + ": holds no SMBIOS entry point");

  // One of the two alone: the message names what is missing.
  TempDir onlyTable;
  onlyTable.write("DMI", kTable);
  EXPECT_EQ(read(onlyTable.path("")).error,
            onlyTable.path("") + ": holds DMI but no smbios_entry_point beside it: give --table " +
                onlyTable.path("DMI") + " to read the table alone, without its SMBIOS version");
  TempDir onlyEntryPoint;
  onlyEntryPoint.write("smbios_entry_point", entryPoint64(3, 4, 1, 0x1000, 0xBCD3D000u));
  EXPECT_EQ(read(onlyEntryPoint.path("")).error,
            onlyEntryPoint.path("") +
                ": holds smbios_entry_point but no DMI beside it, and DMI holds the table; copy "
                "both from /sys/firmware/dmi/tables");
}

// A named layout that the bytes contradict is followed, and the notice names what auto would
// have read; where auto knows no layout, or agrees, nothing is said.
TEST(TableFile, NamedLayoutThatTheFileContradicts) {
  const Bytes dump =
      dumpFile(entryPoint32(2, 7, static_cast<uint16_t>(kTable.size()), 0x20), kTable);
  const struct {
    const char* what;
    Bytes file;
    TableFormat format;
    std::string notice;
  } cases[] = {
      {"rsmb named for a bare table", kTable, TableFormat::Rsmb,
       "read as an rsmb capture (8-byte header, then the table), as --format asked, though "
       "--format auto would read it as a bare structure table"},
      {"bare named for an rsmb capture", rawBuffer(kTable), TableFormat::Bare,
       "read as a bare structure table, as --format asked, though --format auto would read it "
       "as an rsmb capture (8-byte header, then the table)"},
      {"bare named for a dump", dump, TableFormat::Bare,
       "read as a bare structure table, as --format asked, though --format auto would read it "
       "as a dump (SMBIOS entry point at offset 0)"},
      {"agreeing", rawBuffer(kTable), TableFormat::Rsmb, ""},
      {"auto knows no layout", rawBufferAnnouncing(kTable, 5000), TableFormat::Rsmb, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TextBuffer raw;
    TextBuffer error;
    TextBuffer notice;
    EXPECT_TRUE(
        rawTableFromFileBytes(c.file.data(), c.file.size(), c.format, &raw, &error, &notice));
    EXPECT_EQ(notice.text(), c.notice);
  }
}

TEST(TableFile, FileOverTheLimitIsRefused) {
  TempDir dir;
  const std::string path = dir.write("huge.bin", {});
  // A sparse file: no disk is used for its zeros.
  std::filesystem::resize_file(path, kLargestTableFile + 1);
  Converted got = read(path, TableFormat::Bare);
  EXPECT_FALSE(got.ok);
  EXPECT_EQ(got.error, path + ": the file is larger than 64 MiB");
  // At the limit itself the file is taken.
  std::filesystem::resize_file(path, kLargestTableFile);
  got = read(path, TableFormat::Bare);
  EXPECT_TRUE(got.ok) << got.error;
}

// The real machines' tables in each of their layouts.
TEST(TableFile, RealTablesAreRecognised) {
  const std::string dir = ZENTRIK_SHARED_TABLES;
  struct stat info {};
  if (stat(dir.c_str(), &info) != 0) GTEST_SKIP() << "no shared tables at " << dir;
  const struct {
    const char* file;
    uint8_t major, minor;
    uint32_t tableOffset;  // where the table starts in the file
    uint32_t length;
  } cases[] = {
      {"fwupd-sysfs-T440s.DMI", 0, 0, 0, 2523},
      {"gosmbios-ASRock-Single-Ryzen.dmi", 0, 0, 0, 1809},
      {"fwupdtf-DMI-ProLiant-MicroServer.bin", 0, 0, 0, 1145},
      // "_SM3_" at 0 with a maximum of 5809; the file holds 4291 bytes of table.
      {"gosmbios-Beelink-EQ12.dmi", 3, 5, 0x20, 4291},
      {"smbioslib-jeffgerlap_3_2_0.dat", 3, 2, 8, 1071},
      {"wine-8.0-synthesised.rsmb", 2, 4, 8, 123},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Bytes file = readFile(dir + "/" + c.file);
    ASSERT_FALSE(file.empty());
    const Converted got = read(dir + "/" + c.file);
    ASSERT_TRUE(got.ok) << got.error;
    const Bytes& raw = got.raw;
    ASSERT_EQ(raw.size(), 8 + c.length);
    EXPECT_EQ(raw[1], c.major);
    EXPECT_EQ(raw[2], c.minor);
    RawHeader header{};
    ASSERT_TRUE(readRawHeader(raw.data(), raw.size(), &header));
    EXPECT_EQ(header.tableLength, c.length);
    EXPECT_TRUE(std::equal(raw.begin() + 8, raw.end(), file.begin() + c.tableOffset));
  }
  // Linux's pairs, put in a folder under the names Linux gives them.
  const struct {
    const char* name;
    uint8_t major, minor;
  } pairs[] = {{"fwupd-sysfs-T440s", 2, 7},
               {"fwupd-sysfs-XPS13-9365", 3, 0},
               {"fwupdtf-intel-me-ROG-Z790", 3, 5}};
  for (const auto& pair : pairs) {
    SCOPED_TRACE(pair.name);
    const std::string base = dir + "/" + pair.name;
    TempDir folder;
    folder.write("smbios_entry_point", readFile(base + ".smbios_entry_point"));
    const Bytes table = readFile(base + ".DMI");
    folder.write("DMI", table);
    const Converted got = read(folder.path(""));
    ASSERT_TRUE(got.ok) << got.error;
    EXPECT_EQ(got.raw, rawBuffer(table, pair.major, pair.minor));
    // The entry point alone says where to go.
    EXPECT_NE(read(base + ".smbios_entry_point").error.find("give --table the folder"),
              std::string::npos);
  }
  EXPECT_NE(read(dir + "/SOURCES.md").error.find("not an SMBIOS table"), std::string::npos);
}

}  // namespace
