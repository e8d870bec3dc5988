// The rsmb header, written and read on the byte reader.
#include "base/raw_header.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(RawHeader, WrittenAndReadBackInEightBytes) {
  uint8_t bytes[kRawHeaderSize];
  writeRawHeader({1, 3, 2, 7, 0x01020304}, bytes);
  const uint8_t expected[kRawHeaderSize] = {1, 3, 2, 7, 0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(memcmp(bytes, expected, sizeof bytes), 0);
  RawHeader header{};
  ASSERT_TRUE(readRawHeader(bytes, sizeof bytes, &header));
  EXPECT_EQ(header.callingMethod, 1);
  EXPECT_EQ(header.dmiRevision, 7);
  EXPECT_EQ(header.tableLength, 0x01020304u);
  EXPECT_FALSE(readRawHeader(bytes, sizeof bytes - 1, &header)) << "one byte short";
  // The table read behind it: as announced, never beyond the bytes delivered.
  EXPECT_EQ(deliveredTableLength(header, kRawHeaderSize + 100), 100u);
  EXPECT_EQ(deliveredTableLength({0, 0, 0, 0, 10}, kRawHeaderSize + 100), 10u);
  EXPECT_EQ(deliveredTableLength(header, 3), 0u);
}

}  // namespace
