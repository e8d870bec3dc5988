// The walk over the table and its diagnostics, over tables built to be valid, unusual or broken;
// and whatever the damage (every cut, every corrupted length byte), the load completes, and under
// the sanitizers no byte outside the delivery is touched.
#include "reader/table_walk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "reader/table_load.h"
#include "records/diagnostics.h"
#include "structures/structure.h"
#include "tests/support/held_structure.h"
#include "tests/support/reader_fixture.h"
#include "tests/support/structures.h"

namespace {

const std::string kInvalidLength3 = "Invalid entry length (3). DMI table is broken! Stop.\n\n";

// A structure of a type that no decoder handles, with one string.
Bytes plain(uint8_t type, const char* s = "x") {
  return Structure(type, 8).str(s);
}

class TableWalkTest : public ReaderTest {};

TEST_F(TableWalkTest, WellFormedTableWritesNothing) {
  const LoadOutput output = loadStructures({plain(1), plain(2), plain(3)});
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, "");
}

TEST_F(TableWalkTest, TrailingZeroBytesReportCountAndLength) {
  const Bytes table = tableOf({plain(1), endOfTable(), {0, 0}});
  const LoadOutput output = loadTable(table);
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, countAndLengthMessages(3, 2, table.size(), table.size() - 2));
}

TEST_F(TableWalkTest, LengthBelowFourStopsTheWalk) {
  Structure broken(0x55, 3);
  const Bytes first = plain(1);
  const Bytes table = tableOf({first, broken, plain(2), endOfTable()});
  // The count steps over the broken structure as if it were sound and finds more.
  const int32_t counted = countStructures(table.data(), static_cast<uint32_t>(table.size()));
  const LoadOutput output = loadTable(table);
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err,
            kInvalidLength3 + countAndLengthMessages(counted, 1, table.size(), first.size()));
}

TEST_F(TableWalkTest, TruncatedLastStructure) {
  struct Case {
    const char* name;
    uint8_t type;
    const char* stdoutText;
  };
  const Case cases[] = {
      {"decoded type", 1, "\t<TRUNCATED>\n\n"},
      {"inactive type", 126, "\n"},
      {"end of table", 127, "\n"},
  };
  for (const Case& c : cases) {
    freshReader();
    // The last string set has no closing double zero.
    const Bytes last = Structure(c.type, 6).rawStrings({'a', 'b', 0});
    const Bytes first = plain(1);
    const Bytes table = tableOf({first, last});
    const LoadOutput output = loadTable(table);
    EXPECT_EQ(output.out, c.stdoutText) << c.name;
    // The cut structure is not counted; the walk ends one byte behind the table, where the
    // missing second zero would be.
    EXPECT_EQ(output.err, countAndLengthMessages(2, 1, table.size(), table.size() + 1)) << c.name;
  }
}

TEST_F(TableWalkTest, TypeThirtyFourFixUp) {
  // Bytes 11 to 15 are the letters A to E: the firmware meant length 11 and these start a string.
  Structure fixed(34, 16);
  fixed.bytes(11, {'A', 'B', 'C', 'D', 'E'});
  const Bytes fixedBytes = fixed.rawStrings({0, 0});
  LoadOutput output = loadStructures({fixedBytes});
  EXPECT_EQ(output.err, "Invalid entry length (16). Fixed up to 11.\n");

  freshReader();
  Structure kept(34, 16);
  kept.bytes(11, {'A', 'B', 0x01, 'D', 'E'});
  output = loadStructures({kept.str("s")});
  EXPECT_EQ(output.err, "");
}

TEST_F(TableWalkTest, FixUpMovesTheStringSet) {
  Structure s(34, 16);
  s.bytes(11, {'A', 'B', 'C', 'D', 'E'});
  Bytes bytes = s.rawStrings({'F', 0, 0});
  StructureHeader header{34, 16, 0, bytes.data(), static_cast<uint32_t>(bytes.size())};
  observeDiagnostics([](DiagnosticKind, DiagnosticNumbers, void*) {}, nullptr);
  fixupEntryLength(&header);
  observeDiagnostics(nullptr, nullptr);
  EXPECT_EQ(header.length, 11);
  EXPECT_EQ(modelString(&header, 1), "ABCDEF");
  EXPECT_EQ(bytes[1], 16) << "the table itself is not changed";
}

TEST_F(TableWalkTest, StructuresBehindEndOfTableAreWalked) {
  // The count allows one more structure behind type 127, so the walk reaches it.
  const LoadOutput output = loadTable(tableOf({plain(1), endOfTable(), plain(2)}));
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, "");
}

// One structure of every decoded type, with strings, between two undecoded ones.
Bytes sampleTable() {
  return tableOf({
      biosStructure(0x1A).u8(0x09, 0xFF).u64(0x0A, 0x08099E90).bytes(0x12, {3, 0x0D}).u16(0x18, 32),
      Structure(1, 8).str("System"),
      processorStructure(0x30),
      languageStructure(0x16, 2, 1).str("en|US|iso8859-1").str("fr|FR|iso8859-1"),
      memoryArrayStructure(0x03, 2),
      deviceStructure(0x28, "DIMM0"),
      deviceStructure(0x15, "DIMM1", 0),
      Structure(34, 16).bytes(11, {'A', 'B', 'C', 'D', 'E'}).rawStrings({0, 0}),
      endOfTable(),
  });
}

// Offsets of every structure's formatted-length byte.
std::vector<size_t> lengthByteOffsets(const Bytes& table) {
  std::vector<size_t> offsets;
  size_t p = 0;
  while (p + 1 < table.size()) {
    offsets.push_back(p + 1);
    p += table[p + 1];
    while (p + 1 < table.size() && (table[p] != 0 || table[p + 1] != 0)) ++p;
    p += 2;
  }
  return offsets;
}

class WalkRobustnessTest : public ReaderTest {};

TEST_F(WalkRobustnessTest, SampleTableIsWellFormed) {
  const LoadOutput output = loadTable(sampleTable());
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, "Invalid entry length (16). Fixed up to 11.\n");
}

TEST_F(WalkRobustnessTest, EveryCutLoads) {
  const Bytes table = sampleTable();
  for (size_t cut = 0; cut <= table.size(); ++cut) {
    freshReader();
    load(rawBuffer(Bytes(table.begin(), table.begin() + cut)));
    EXPECT_NE(getRecord(kProcessorCategory), nullptr) << "cut at " << cut;
  }
  // The header itself cut short.
  const Bytes raw = rawBuffer(table);
  for (size_t cut = 0; cut < 8; ++cut) {
    freshReader();
    load(Bytes(raw.begin(), raw.begin() + cut));
    EXPECT_EQ(processor().id, nullptr) << "header cut at " << cut;
  }
}

TEST_F(WalkRobustnessTest, EveryCorruptLengthByteLoads) {
  const Bytes table = sampleTable();
  const uint8_t values[] = {0, 1, 3, 4, 5, 0x0F, 0x10, 0x11, 0x15, 0x1A, 0x30, 0x7F, 0xFE, 0xFF};
  for (size_t offset : lengthByteOffsets(table)) {
    for (uint8_t value : values) {
      freshReader();
      Bytes broken = table;
      broken[offset] = value;
      load(rawBuffer(broken));
      EXPECT_NE(getRecord(kProcessorCategory), nullptr) << offset << " " << int(value);
    }
  }
}

TEST_F(WalkRobustnessTest, AnnouncedLengthsAroundTheDelivery) {
  const Bytes table = sampleTable();
  const uint32_t size = static_cast<uint32_t>(table.size());
  for (uint32_t announced : {0u, 1u, 4u, size - 1, size, size + 1, 0xFFFFFFFFu}) {
    freshReader();
    load(rawBufferAnnouncing(table, announced));
    EXPECT_NE(getRecord(kProcessorCategory), nullptr) << announced;
  }
}

// The real machines' tables: each loads, and the well-formed ones without a word.
TEST_F(WalkRobustnessTest, RealMachineTables) {
  SKIP_WITHOUT_SHARED_TABLES();
  int loaded = 0;
  for (const auto& entry : std::filesystem::directory_iterator(sharedTable(""))) {
    const std::string name = entry.path().filename().string();
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || ext == ".md" || ext == ".smbios_entry_point") continue;
    SCOPED_TRACE(name);
    freshReader();
    const LoadOutput output = load(sharedTableRaw(name));
    ++loaded;
    // Its firmware announces 16 bytes for a type 34 structure of 11, and its second memory array
    // reuses the device list of the first.
    const bool superMicro = name.find("SuperMicro-Dual-Xeon") != std::string::npos;
    if (name.find("HyperV") != std::string::npos) {
      // Zero bytes follow its fifth structure, where the walk meets a length of 0.
      EXPECT_EQ(output.err.rfind("Invalid entry length (0). DMI table is broken! Stop.\n\n", 0), 0u)
          << output.err;
    } else {
      EXPECT_EQ(output.err, superMicro ? "Invalid entry length (16). Fixed up to 11.\n" : "");
    }
    EXPECT_EQ(output.out, superMicro ? "BiosReader: trying to over allocate!" : "");
  }
  EXPECT_GE(loaded, 14);
}

}  // namespace
