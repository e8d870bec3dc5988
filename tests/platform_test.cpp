// The firmware table service: the two-call protocol, and the rsmb layout assembled from the files
// Linux exposes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/limits.h"
#include "platform/entry_point.h"
#include "platform/firmware_table.h"
#include "platform/live_firmware_table.h"
#include "platform/serving/served_firmware_table.h"
#include "tests/support/reader_fixture.h"

namespace {

class PlatformTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::serveLiveTable(); }
};

TEST_F(PlatformTest, TwoCallProtocol) {
  const Bytes raw = rawBuffer(tableOf({endOfTable()}));
  platform::serveRawTable(raw.data(), raw.size());
  const uint32_t needed = platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, nullptr, 0);
  ASSERT_EQ(needed, raw.size());
  std::vector<uint8_t> small(needed - 1, 0xAA);
  EXPECT_EQ(platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, small.data(),
                                             static_cast<uint32_t>(small.size())),
            needed);
  EXPECT_EQ(small, std::vector<uint8_t>(needed - 1, 0xAA)) << "a short buffer stays untouched";
  std::vector<uint8_t> buffer(needed);
  EXPECT_EQ(platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, buffer.data(), needed),
            needed);
  EXPECT_EQ(buffer, raw);
  EXPECT_EQ(platform::GetSystemFirmwareTable(0x41435049 /* 'ACPI' */, 0, nullptr, 0), 0u);
  EXPECT_STRNE(platform::firmwareTableError(), "");
}

#ifndef _WIN32
TEST_F(PlatformTest, MissingFilesSayWhy) {
  uint32_t size = 0;
  char error[kReasonCapacity];
  EXPECT_EQ(platform::rawTableFromSysfs("/nonexistent/smbios_entry_point", "/nonexistent/DMI",
                                        &size, error),
            nullptr);
  EXPECT_STREQ(error, "cannot open /nonexistent/smbios_entry_point: No such file or directory");

  // A reason longer than its buffer is cut short, never written past it.
  const std::string deep = "/nonexistent/" + std::string(2 * kReasonCapacity, 'd');
  EXPECT_EQ(platform::rawTableFromSysfs(deep.c_str(), "/nonexistent/DMI", &size, error), nullptr);
  EXPECT_EQ(std::string(error), ("cannot open " + deep).substr(0, kReasonCapacity - 1));
}

TEST_F(PlatformTest, AssemblesTheRawLayoutFromSysfsPairs) {
  const std::string dir = ZENTRIK_SHARED_TABLES;
  if (readFile(dir + "/fwupd-sysfs-T440s.DMI").empty())
    GTEST_SKIP() << "no shared tables at " << dir;
  struct Case {
    const char* name;
    uint8_t major, minor, dmiRevision;
  };
  // "_SM_" 2.7 without a DMI revision byte; "_SM3_" 3.0 with docrev 0.
  const Case cases[] = {{"fwupd-sysfs-T440s", 2, 7, 0}, {"fwupd-sysfs-XPS13-9365", 3, 0, 0}};
  for (const Case& c : cases) {
    const std::string base = dir + "/" + c.name;
    const Bytes table = readFile(base + ".DMI");
    uint32_t size = 0;
    char error[kReasonCapacity] = "";
    uint8_t* raw = platform::rawTableFromSysfs((base + ".smbios_entry_point").c_str(),
                                               (base + ".DMI").c_str(), &size, error);
    ASSERT_NE(raw, nullptr) << error;
    EXPECT_EQ(Bytes(raw, raw + size), rawBuffer(table, c.major, c.minor)) << c.name;
    EXPECT_EQ(raw[3], c.dmiRevision);
    free(raw);
  }
}
#endif

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
