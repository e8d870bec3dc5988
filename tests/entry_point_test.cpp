// SMBIOS entry points, "_SM_" and "_SM3_".
#include "platform/entry_point.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/table_builder.h"

namespace {

TEST(EntryPointTest, Layouts) {
  Bytes ep32(31, 0);
  ep32[0] = '_', ep32[1] = 'S', ep32[2] = 'M', ep32[3] = '_';
  ep32[6] = 2, ep32[7] = 8;
  ep32[0x16] = 0x34, ep32[0x17] = 0x12;  // table length
  ep32[0x18] = 0x20;                     // table address
  platform::EntryPoint ep{};
  ASSERT_TRUE(platform::parseEntryPoint(ep32.data(), ep32.size(), &ep));
  EXPECT_FALSE(ep.is64);
  EXPECT_EQ(ep.major, 2);
  EXPECT_EQ(ep.minor, 8);
  EXPECT_EQ(ep.tableLength, 0x1234u);
  EXPECT_EQ(ep.tableAddress, 0x20u);
  EXPECT_FALSE(platform::parseEntryPoint(ep32.data(), 30, &ep)) << "one byte short";

  Bytes ep64(24, 0);
  const char anchor[] = "_SM3_";
  std::copy(anchor, anchor + 5, ep64.begin());
  ep64[7] = 3, ep64[8] = 5, ep64[9] = 1;
  ep64[0x0C] = 0xB1, ep64[0x0D] = 0x16;  // maximum size 5809
  ep64[0x10] = 0x20, ep64[0x17] = 0x01;  // address above 4 GiB
  ASSERT_TRUE(platform::parseEntryPoint(ep64.data(), ep64.size(), &ep));
  EXPECT_TRUE(ep.is64);
  EXPECT_EQ(ep.major, 3);
  EXPECT_EQ(ep.minor, 5);
  EXPECT_EQ(ep.dmiRevision, 1);
  EXPECT_EQ(ep.tableLength, 5809u);
  EXPECT_EQ(ep.tableAddress, 0x0100000000000020ull);
  EXPECT_FALSE(platform::parseEntryPoint(ep64.data(), 23, &ep));

  const uint8_t junk[] = {'_', 'D', 'M', 'I', '_'};
  EXPECT_FALSE(platform::parseEntryPoint(junk, sizeof junk, &ep));
}

}  // namespace
