// The firmware table service as hosts and tests serve it: the two-call protocol.
#include "platform/serving/served_firmware_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/firmware_table.h"
#include "tests/support/table_builder.h"

namespace {

class ServedFirmwareTable : public ::testing::Test {
 protected:
  void TearDown() override { platform::serveLiveTable(); }
};

TEST_F(ServedFirmwareTable, TwoCallProtocol) {
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

}  // namespace
