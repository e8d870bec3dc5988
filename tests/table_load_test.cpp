// The one-time load behind getRecord: the count of structures, what the platform delivers, one
// read per process, the category codes.
#include "reader/table_load.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/serving/served_firmware_table.h"
#include "tests/support/reader_fixture.h"

namespace {

// A structure of a type that no decoder handles, with one string.
Bytes plain(uint8_t type, const char* s = "x") {
  return Structure(type, 8).str(s);
}

class TableLoadTest : public ReaderTest {};

TEST_F(TableLoadTest, EmptyTableCountsNothingAndLeavesResetState) {
  EXPECT_EQ(countStructures(nullptr, 0), 0);
  const LoadOutput output = loadTable({});
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, "");
  EXPECT_EQ(processor().id, nullptr);
  EXPECT_STREQ(bios().characteristics, "");
}

TEST_F(TableLoadTest, CountsStructures) {
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

TEST_F(TableLoadTest, AnnouncedLengthBeyondDeliveredBytesUsesWhatWasDelivered) {
  const Bytes table = tableOf({plain(1), endOfTable()});
  const LoadOutput output = load(rawBufferAnnouncing(table, 0x10000));
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, "");
}

TEST_F(TableLoadTest, ShortAnnouncedLengthCutsTheTable) {
  const Bytes first = plain(1);
  const Bytes table = tableOf({first, plain(2), endOfTable()});
  const LoadOutput output = load(rawBufferAnnouncing(table, static_cast<uint32_t>(first.size())));
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, "");
}

TEST_F(TableLoadTest, UnusableDeliveriesLeaveTheResetState) {
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

TEST_F(TableLoadTest, OnePlatformReadPerProcess) {
  loadStructures({plain(1)});
  EXPECT_EQ(platform::firmwareTableCallCount(), 2u);  // size query, then the copy
  for (uint32_t code = 0; code < 20; ++code) getRecord(code);
  EXPECT_EQ(platform::firmwareTableCallCount(), 2u);
}

TEST_F(TableLoadTest, CategoryCodes) {
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

TEST_F(TableLoadTest, FirstCallWithUnknownCodeStillLoads) {
  platform::serveRawTable(nullptr, 0);
  const Bytes raw = rawBuffer(tableOf({endOfTable()}));
  platform::serveRawTable(raw.data(), raw.size());
  EXPECT_EQ(getRecord(6), nullptr);
  EXPECT_EQ(platform::firmwareTableCallCount(), 2u);
  EXPECT_NE(getRecord(9), nullptr);
  EXPECT_EQ(platform::firmwareTableCallCount(), 2u);
}

}  // namespace
