// This machine's firmware table on Linux: the rsmb layout assembled from the files the kernel
// exposes, and why it cannot be where they are missing.
#include "platform/live_firmware_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/limits.h"
#include "tests/support/reader_fixture.h"

namespace {

TEST(LiveFirmwareTable, MissingFilesSayWhy) {
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

TEST(LiveFirmwareTable, AssemblesTheRawLayoutFromSysfsPairs) {
  SKIP_WITHOUT_SHARED_TABLES();
  struct Case {
    const char* name;
    uint8_t major, minor, dmiRevision;
  };
  // "_SM_" 2.7 without a DMI revision byte; "_SM3_" 3.0 with docrev 0.
  const Case cases[] = {{"fwupd-sysfs-T440s", 2, 7, 0}, {"fwupd-sysfs-XPS13-9365", 3, 0, 0}};
  for (const Case& c : cases) {
    const std::string base = sharedTable(c.name);
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

}  // namespace
