// Steering a loaded module's firmware table through its import address table. Windows only: the
// test executable itself imports the kernel's GetSystemFirmwareTable through the platform layer's
// live path, so it serves as the module.
#ifdef _WIN32
#include "platform/import_patch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "platform/firmware_source.h"
#include "platform/firmware_table.h"

namespace {

void* self() {
  return GetModuleHandleW(nullptr);
}

int fakeCalls = 0;
DWORD fakeProvider = 0;
UINT WINAPI fakeFirmwareTable(DWORD provider, DWORD, PVOID, DWORD) {
  ++fakeCalls;
  fakeProvider = provider;
  return 0;
}

// Puts the kernel's own function back when a test ends.
class ImportPatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::serveLiveTable();
    kernel_ = reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemFirmwareTable"));
  }
  void TearDown() override {
    platform::patchImport(self(), "kernel32.dll", "GetSystemFirmwareTable", kernel_);
  }
  void* kernel_ = nullptr;
};

TEST_F(ImportPatchTest, RedirectsTheImportAndHandsBackThePreviousEntry) {
  fakeCalls = 0;
  void* previous = platform::patchImport(self(), "KERNEL32.DLL", "GetSystemFirmwareTable",
                                         reinterpret_cast<void*>(&fakeFirmwareTable));
  ASSERT_NE(previous, nullptr);
  EXPECT_EQ(platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, nullptr, 0), 0u);
  EXPECT_EQ(fakeCalls, 1);
  EXPECT_EQ(fakeProvider, platform::kProviderRsmb);

  EXPECT_EQ(platform::patchImport(self(), "kernel32.dll", "GetSystemFirmwareTable", previous),
            reinterpret_cast<void*>(&fakeFirmwareTable));
  platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, nullptr, 0);
  EXPECT_EQ(fakeCalls, 1);
}

TEST_F(ImportPatchTest, LeavesModulesWithoutTheImportAlone) {
  void* fake = reinterpret_cast<void*>(&fakeFirmwareTable);
  EXPECT_EQ(platform::patchImport(self(), "kernel32.dll", "NoSuchFunction", fake), nullptr);
  EXPECT_EQ(platform::patchImport(self(), "nosuch.dll", "GetSystemFirmwareTable", fake), nullptr);
  EXPECT_EQ(platform::patchImport(nullptr, "kernel32.dll", "GetSystemFirmwareTable", fake),
            nullptr);

  // kernel32 imports nothing from itself.
  const char* error = "";
  const uint8_t raw[] = {0, 3, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(
      platform::steerFirmwareTable(GetModuleHandleW(L"kernel32.dll"), raw, sizeof raw, &error));
  EXPECT_STREQ(error, "the module does not import GetSystemFirmwareTable from kernel32.dll");
}

TEST_F(ImportPatchTest, SteeredTableFollowsTheTwoCallProtocol) {
  const std::vector<uint8_t> raw = {0, 3, 4, 0, 6, 0, 0, 0, 127, 4, 0, 0, 0, 0};
  const char* error = "";
  ASSERT_TRUE(platform::steerFirmwareTable(self(), raw.data(), raw.size(), &error)) << error;
  platform::resetSteeredFirmwareTableCallCount();

  EXPECT_EQ(platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, nullptr, 0), raw.size());
  std::vector<uint8_t> small(4, 0xEE);
  EXPECT_EQ(platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, small.data(), 4),
            raw.size());
  EXPECT_EQ(small, std::vector<uint8_t>(4, 0xEE));
  std::vector<uint8_t> buffer(raw.size());
  EXPECT_EQ(platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, buffer.data(),
                                             static_cast<uint32_t>(buffer.size())),
            raw.size());
  EXPECT_EQ(buffer, raw);
  EXPECT_EQ(platform::steeredFirmwareTableCallCount(), 3u);

  EXPECT_EQ(platform::GetSystemFirmwareTable(0x4649524D /* 'FIRM' */, 0, nullptr, 0), 0u);
  EXPECT_EQ(platform::GetSystemFirmwareTable(platform::kProviderRsmb, 1, nullptr, 0), 0u);
}

}  // namespace
#endif  // _WIN32
