// The load, the walk and its diagnostics, over tables built to be valid, unusual or broken.
#include <gtest/gtest.h>

#include <memory>

#include "platform/served_firmware_table.h"
#include "reader/structure.h"
#include "reader/table_load.h"
#include "reader/table_walk.h"
#include "tests/support/reader_fixture.h"

namespace {

const char kInvalidLength3[] = "Invalid entry length (3). DMI table is broken! Stop.\n\n";

// A structure of a type that no decoder handles, with one string.
Bytes plain(uint8_t type, const char* s = "x") {
  return Structure(type, 8).str(s);
}

class WalkTest : public ReaderTest {};

TEST_F(WalkTest, WellFormedTableWritesNothing) {
  const LoadOutput output = loadStructures({plain(1), plain(2), plain(3)});
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, "");
}

TEST_F(WalkTest, EmptyTableCountsNothingAndLeavesResetState) {
  EXPECT_EQ(countStructures(nullptr, 0), 0);
  const LoadOutput output = loadTable({});
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, "");
  EXPECT_EQ(processor().id, nullptr);
  EXPECT_STREQ(bios().characteristics, "");
}

TEST_F(WalkTest, CountsStructures) {
  struct Case {
    const char* name;
    Bytes table;
    int32_t expected;
  };
  const Case cases[] = {
      {"bios, processor, end", tableOf({plain(0), plain(4), endOfTable()}), 3},
      {"two zero bytes behind the end", tableOf({plain(0), plain(4), endOfTable(), {0, 0}}), 4},
      {"structure without strings", tableOf({Structure(1, 4), endOfTable()}), 2},
      // The length byte would lie outside the table.
      {"lone trailing byte", tableOf({plain(1), {0x7F}}), 2},
      // The formatted length runs past the end: counted, nothing read beyond it.
      {"length past the end", tableOf({plain(1), {0x02, 0x20, 0x00, 0x00}}), 2},
  };
  for (const Case& c : cases) {
    // An exactly sized copy so that the sanitizers see any overrun.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[c.table.size()]);
    std::copy(c.table.begin(), c.table.end(), copy.get());
    EXPECT_EQ(countStructures(copy.get(), static_cast<uint32_t>(c.table.size())), c.expected)
        << c.name;
  }
}

TEST_F(WalkTest, TrailingZeroBytesReportCountAndLength) {
  const Bytes table = tableOf({plain(1), endOfTable(), {0, 0}});
  const LoadOutput output = loadTable(table);
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err,
            "Wrong DMI structures count: 3 announced, only 2 decoded.\n"
            "Wrong DMI structures length: " +
                std::to_string(table.size()) + " bytes announced, structures occupy " +
                std::to_string(table.size() - 2) + " bytes.\n");
}

TEST_F(WalkTest, LengthBelowFourStopsTheWalk) {
  Structure broken(0x55, 3);
  const Bytes first = plain(1);
  const Bytes table = tableOf({first, broken, plain(2), endOfTable()});
  // The count steps over the broken structure as if it were sound and finds more.
  const int32_t counted = countStructures(table.data(), static_cast<uint32_t>(table.size()));
  const LoadOutput output = loadTable(table);
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, std::string(kInvalidLength3) + "Wrong DMI structures count: " +
                            std::to_string(counted) + " announced, only 1 decoded.\n" +
                            "Wrong DMI structures length: " + std::to_string(table.size()) +
                            " bytes announced, structures occupy " + std::to_string(first.size()) +
                            " bytes.\n");
}

TEST_F(WalkTest, TruncatedLastStructure) {
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
    EXPECT_EQ(output.err,
              "Wrong DMI structures count: 2 announced, only 1 decoded.\n"
              "Wrong DMI structures length: " +
                  std::to_string(table.size()) + " bytes announced, structures occupy " +
                  std::to_string(table.size() + 1) + " bytes.\n")
        << c.name;
  }
}

TEST_F(WalkTest, AnnouncedLengthBeyondDeliveredBytesUsesWhatWasDelivered) {
  const Bytes table = tableOf({plain(1), endOfTable()});
  const LoadOutput output = load(rawBufferAnnouncing(table, 0x10000));
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, "");
}

TEST_F(WalkTest, ShortAnnouncedLengthCutsTheTable) {
  const Bytes first = plain(1);
  const Bytes table = tableOf({first, plain(2), endOfTable()});
  const LoadOutput output = load(rawBufferAnnouncing(table, static_cast<uint32_t>(first.size())));
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, "");
}

TEST_F(WalkTest, UnusableDeliveriesLeaveTheResetState) {
  const Bytes cases[] = {{}, {0, 3, 2, 0, 4}, {0, 3, 2, 0, 0, 0, 0}};
  for (const Bytes& raw : cases) {
    freshReader();
    const LoadOutput output = load(raw);
    EXPECT_EQ(output.out, "");
    EXPECT_EQ(output.err, "");
    EXPECT_NE(getRecord(9), nullptr);
    EXPECT_EQ(processor().id, nullptr);
  }
}

TEST_F(WalkTest, TypeThirtyFourFixUp) {
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

TEST_F(WalkTest, FixUpMovesTheStringSet) {
  Structure s(34, 16);
  s.bytes(11, {'A', 'B', 'C', 'D', 'E'});
  Bytes bytes = s.rawStrings({'F', 0, 0});
  StructureHeader header{34, 16, 0, bytes.data(), static_cast<uint32_t>(bytes.size())};
  fixupEntryLength(&header, 0);
  EXPECT_EQ(header.length, 11);
  EXPECT_STREQ(structureString(&header, 1), "ABCDEF");
  EXPECT_EQ(bytes[1], 16) << "the table itself is not changed";
}

TEST_F(WalkTest, StructuresBehindEndOfTableAreWalked) {
  // The count allows one more structure behind type 127, so the walk reaches it.
  const LoadOutput output = loadTable(tableOf({plain(1), endOfTable(), plain(2)}));
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, "");
}

TEST_F(WalkTest, OnePlatformReadPerProcess) {
  loadStructures({plain(1)});
  EXPECT_EQ(platform::firmwareTableCallCount(), 2u);  // size query, then the copy
  for (uint32_t code = 0; code < 20; ++code) getRecord(code);
  EXPECT_EQ(platform::firmwareTableCallCount(), 2u);
}

TEST_F(WalkTest, CategoryCodes) {
  loadStructures({});
  EXPECT_EQ(getRecord(3), &memoryArrayRecord);
  EXPECT_EQ(getRecord(4), &biosLanguageRecord);
  EXPECT_EQ(getRecord(5), &biosRecord);
  EXPECT_EQ(getRecord(9), &processorRecord);
  EXPECT_EQ(getRecord(10), &memoryDevices);
  EXPECT_EQ(getRecord(11), &reservedRecord);
  for (uint32_t code : {0u, 1u, 2u, 6u, 7u, 8u, 12u, 0xFFFFFFFFu}) {
    EXPECT_EQ(getRecord(code), nullptr) << code;
  }
  EXPECT_EQ(getRecord(9), getRecord(9));
  EXPECT_EQ(reservedRecord.present, 0);
  for (char* field : reservedRecord.fields) EXPECT_EQ(field, nullptr);
}

TEST_F(WalkTest, FirstCallWithUnknownCodeStillLoads) {
  platform::serveRawTable(nullptr, 0);
  const Bytes raw = rawBuffer(tableOf({endOfTable()}));
  platform::serveRawTable(raw.data(), raw.size());
  EXPECT_EQ(getRecord(6), nullptr);
  EXPECT_EQ(platform::firmwareTableCallCount(), 2u);
  EXPECT_NE(getRecord(9), nullptr);
  EXPECT_EQ(platform::firmwareTableCallCount(), 2u);
}

}  // namespace
