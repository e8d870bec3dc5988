// The package module as the engine sees it (tests/support/package_checks.h), its firmware reader
// calling this program's table service in place of its own (platform/firmware_table.h); on
// Windows the host steers the module's import instead (tests/windows/package_test.cpp).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "package/QuorActor.h"
#include "package/widen.h"
#include "platform/serving/served_firmware_table.h"
#include "tests/support/package_checks.h"

namespace package_checks {

namespace {
std::string currentCase;
}  // namespace

bool check(bool ok, const char* what) {
  EXPECT_TRUE(ok) << what << (currentCase.empty() ? "" : " (" + currentCase + ")");
  return ok;
}

void begin(const char* what) {
  currentCase = what;
}

void* openWithTable(const uint8_t* raw, size_t size) {
  if (!check(dlopen(ZENTRIK_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD) == nullptr,
             "the module was unloaded, so its firmware reader starts afresh")) {
    return nullptr;
  }
  platform::resetFirmwareTableCallCount();
  platform::serveRawTable(raw, size);
  char error[512] = "";
  void* module = openModule(ZENTRIK_MODULE_PATH, error, sizeof error);
  EXPECT_NE(module, nullptr) << error;
  return module;
}

uint32_t tableReads() {
  return platform::firmwareTableCallCount();
}

}  // namespace package_checks

namespace {

using namespace package_checks;

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override { begin(""); }
  void TearDown() override {
    package_.unload();
    platform::serveLiveTable();
  }
  Package package_;
};

TEST_F(PackageTest, RegistersTheClassAndTheNativeWhenLoaded) {
  registration(package_, sizeof(AQuorActor));
  // The firmware reader linked into the module stays private to it.
  EXPECT_EQ(findExport(package_.module, "_Z9getRecordj"), nullptr);
}

TEST_F(PackageTest, InstancesAreBuiltAndFreedWithTheRegisteredSize) {
  instances(package_, sizeof(AQuorActor));
}

TEST_F(PackageTest, UnloadingUnregistersTheClass) {
  unloading(package_);
}

TEST_F(PackageTest, ReturnsTheProcessorIdOnceReadAndAgainWithoutRereading) {
  processorIdReadOnce(package_);
}

TEST_F(PackageTest, TheLastOfSeveralProcessorsWins) {
  lastProcessorWins(package_);
}

TEST_F(PackageTest, WithoutAProcessorIdEveryCallLogsOnceAndReturnsEmpty) {
  withoutProcessorId(package_);
}

TEST_F(PackageTest, TheGuardPassesEngineErrorsOnAndRecordsOthers) {
  guardCases(package_);
}

TEST(WidenSignExtended, KeepsAsciiAndSignExtendsHighBytes) {
  typedef std::basic_string<TCHAR> Text;
  WideText wide;
  EXPECT_EQ(Text(wide.text()), TEXT(""));
  ASSERT_TRUE(wide.assignWidened("A 0\x7F\x80\xC1\xFF!", 7));
  EXPECT_EQ(Text(wide.text()), (Text{0x41, 0x20, 0x30, 0x7F, 0xFF80, 0xFFC1, 0xFFFF}));
}

}  // namespace
