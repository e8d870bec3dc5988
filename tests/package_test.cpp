// The package module as the engine sees it: loaded at run time against the engine stand-in, its
// class and native found by their exported names. Every test loads the module afresh, so each
// starts with an unread firmware table.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Engine.h"
#include "StandinTesting.h"
#include "module_loader.h"
#include "package/QuorActor.h"
#include "package/widen.h"
#include "platform/serving/served_firmware_table.h"
#include "tests/support/table_builder.h"

namespace {

// Platform reads of the module's firmware reader, which calls this program's table service in
// place of its own (platform/firmware_table.h). (On Windows the host steers the module's import
// instead; tests/windows/package_test.cpp covers it there.)
uint32_t tableReads() {
  return platform::firmwareTableCallCount();
}

typedef std::basic_string<TCHAR> Text;

const Text kFailureLine = TEXT("Couldn't get the relevant information. Contact the author!!");
const Text kFunctionName = TEXT("AQuorActor::execGetCPUSerialNumber");

class LogCapture : public FOutputDevice {
 public:
  void Serialize(const TCHAR* text, EName) override { lines.emplace_back(text); }
  std::vector<Text> lines;
};

// A processor structure long enough for its ID to be decoded.
Bytes processor(std::initializer_list<uint8_t> id) {
  return Structure(4, 0x1A).bytes(0x08, id);
}

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedLog_ = GLog;
    GLog = &log_;
    fresh();
  }

  void TearDown() override {
    unload();
    GLog = savedLog_;
    platform::serveLiveTable();
  }

  // Unloads the module and forgets what the engine saw, for table-driven cases.
  void fresh() {
    unload();
    ASSERT_EQ(dlopen(ZENTRIK_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr)
        << "the module stayed loaded, so its firmware reader would not start afresh";
    standinResetForTesting();
    platform::resetFirmwareTableCallCount();
    log_.lines.clear();
  }

  void unload() {
    delete actor_;
    actor_ = nullptr;
    if (module_ != nullptr) closeModule(module_);
    module_ = nullptr;
  }

  // Serves raw as the firmware table, then loads the module.
  void load(const Bytes& raw) {
    platform::serveRawTable(raw.data(), raw.size());
    char error[512] = "";
    module_ = openModule(ZENTRIK_MODULE_PATH, error, sizeof error);
    ASSERT_NE(module_, nullptr) << error;
  }

  template <typename T>
  T& exported(const char* name) {
    void* address = findExport(module_, name);
    if (address == nullptr) ADD_FAILURE() << "no export " << name;
    return *static_cast<T*>(address);
  }

  UClass* quorClass() { return exported<UClass*>("autoclassAQuorActor"); }

  // One script call of GetCPUSerialNumber on a spawned actor; checks the frame step.
  Text call(FString* result) {
    if (actor_ == nullptr) actor_ = UObject::StaticSpawn(quorClass());
    BYTE code[] = {EX_EndFunctionParms, 0};
    FFrame stack(actor_);
    stack.Code = code;
    const Native native = exported<Native>("intAQuorActorexecGetCPUSerialNumber");
    try {
      (actor_->*native)(stack, result);
    } catch (...) {
      EXPECT_EQ(stack.Code, code + 1);
      throw;
    }
    EXPECT_EQ(stack.Code, code + 1) << "the empty parameter list is one byte";
    return **result;
  }
  Text call() {
    FString result;
    return call(&result);
  }

  void* module_ = nullptr;
  UObject* actor_ = nullptr;
  LogCapture log_;
  FOutputDevice* savedLog_ = nullptr;
};

TEST_F(PackageTest, RegistersTheClassAndTheNativeWhenLoaded) {
  load(rawBuffer(tableOf({endOfTable()})));
  UClass* cls = quorClass();
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(UClass::FindClass(TEXT("QuorActor")), cls);
  EXPECT_EQ(Text(static_cast<const TCHAR*>(findExport(module_, "GPackage"))), TEXT("Zentrik"));
  EXPECT_EQ(Text(cls->GetName()), TEXT("QuorActor"));
  EXPECT_EQ(Text(cls->GetPackageName()), TEXT("Zentrik"));
  EXPECT_EQ(Text(cls->GetConfigName()), UObject::StaticConfigName());
  EXPECT_EQ(cls->GetSuperClass(), AActor::StaticClass());
  EXPECT_EQ(cls->GetWithin(), UObject::StaticClass());
  EXPECT_EQ(cls->GetGuid(), FGuid(0, 0, 0, 0));
  EXPECT_EQ(cls->GetFlags(), 0x04084004u);
  EXPECT_EQ(cls->GetClassFlags(), 0u);
  EXPECT_EQ(cls->GetPropertiesSize(), sizeof(AQuorActor));
  EXPECT_TRUE(cls->GetStaticConstructor() == &UObject::StaticConstructor);

  ASSERT_EQ(standinNativeRegistrationCount(), 1);
  const StandinNativeRegistration native = standinNativeRegistration(0);
  EXPECT_EQ(native.index, -1);
  EXPECT_TRUE(native.function == exported<Native>("intAQuorActorexecGetCPUSerialNumber"));
  EXPECT_EQ(tableReads(), 0u) << "loading must not read the firmware";
  // The firmware reader linked into the module stays private to it.
  EXPECT_EQ(findExport(module_, "_Z9getRecordj"), nullptr);
}

TEST_F(PackageTest, InstancesAreBuiltAndFreedWithTheRegisteredSize) {
  load(rawBuffer(tableOf({endOfTable()})));
  UClass* cls = quorClass();
  cls->GetConstructor()(nullptr);  // nothing to build

  UObject* actor = UObject::StaticSpawn(cls);
  EXPECT_EQ(actor->GetClass(), cls);
  EXPECT_EQ(standinConditionalDestroyCount(), 0);
  delete actor;
  EXPECT_EQ(standinConditionalDestroyCount(), 1);
  EXPECT_EQ(standinLastDeleteSize(), cls->GetPropertiesSize());
}

TEST_F(PackageTest, UnloadingUnregistersTheClass) {
  load(rawBuffer(tableOf({endOfTable()})));
  ASSERT_NE(UClass::FindClass(TEXT("QuorActor")), nullptr);
  unload();
  EXPECT_EQ(UClass::FindClass(TEXT("QuorActor")), nullptr);
}

TEST_F(PackageTest, ReturnsTheProcessorIdOnceReadAndAgainWithoutRereading) {
  load(rawBuffer(
      tableOf({processor({0xA7, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF}), endOfTable()})));
  EXPECT_EQ(call(), TEXT("A7 06 03 00 FF FB EB BF"));
  const uint32_t reads = tableReads();
  EXPECT_GT(reads, 0u);
  EXPECT_EQ(call(), TEXT("A7 06 03 00 FF FB EB BF"));
  EXPECT_EQ(tableReads(), reads);
  EXPECT_TRUE(log_.lines.empty());
}

TEST_F(PackageTest, TheLastOfSeveralProcessorsWins) {
  load(rawBuffer(
      tableOf({processor({1, 2, 3, 4, 5, 6, 7, 8}),
               processor({0xC1, 0x0A, 0xB0, 0x00, 0x12, 0x34, 0x56, 0x78}), endOfTable()})));
  EXPECT_EQ(call(), TEXT("C1 0A B0 00 12 34 56 78"));
}

TEST_F(PackageTest, WithoutAProcessorIdEveryCallLogsOnceAndReturnsEmpty) {
  const struct {
    const char* what;
    Bytes raw;
  } cases[] = {
      {"no table at all", {}},
      {"a table without a processor", rawBuffer(tableOf({Structure(0, 0x12), endOfTable()}))},
      {"a processor too short for its ID",
       rawBuffer(
           tableOf({Structure(4, 0x19).bytes(0x08, {1, 2, 3, 4, 5, 6, 7, 8}), endOfTable()}))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fresh();
    load(c.raw);
    FString result(TEXT("previous"));
    EXPECT_EQ(call(&result), TEXT(""));
    EXPECT_EQ(log_.lines, std::vector<Text>{kFailureLine});
    EXPECT_EQ(call(&result), TEXT(""));
    EXPECT_EQ(log_.lines, std::vector<Text>(2, kFailureLine));
  }
}

// Faults injected where the native calls into the engine: an engine error passes through as it
// is; anything else names the native in the unwind history. The result keeps its old text.
TEST_F(PackageTest, TheGuardPassesEngineErrorsOnAndRecordsOthers) {
  const Bytes withId = rawBuffer(tableOf({processor({1, 2, 3, 4, 5, 6, 7, 8}), endOfTable()}));
  const Bytes withoutId = rawBuffer(tableOf({endOfTable()}));
  const struct {
    const char* what;
    const Bytes& raw;
    StandinFaultSite site;
    size_t logLines;  // shows which path the two calls took
  } sites[] = {
      {"assigning the processor ID", withId, StandinFaultSite::StringAssign, 0},
      {"writing the log line", withoutId, StandinFaultSite::Logf, 0},
      {"assigning the empty result", withoutId, StandinFaultSite::StringAssign, 2},
  };
  for (const auto& s : sites) {
    SCOPED_TRACE(s.what);
    fresh();
    load(s.raw);
    FString result(TEXT("previous"));

    standinInjectFault(s.site, StandinFault::EngineError);
    try {
      call(&result);
      ADD_FAILURE() << "the engine error was swallowed";
    } catch (const TCHAR* error) {
      EXPECT_EQ(error, standinEngineErrorText());
    }
    EXPECT_EQ(Text(appUnwindHistory()), TEXT(""));
    EXPECT_EQ(Text(*result), TEXT("previous"));

    standinInjectFault(s.site, StandinFault::OutOfMemory);
    EXPECT_THROW(call(&result), StandinOutOfMemory);
    EXPECT_EQ(Text(appUnwindHistory()), kFunctionName);
    EXPECT_EQ(Text(*result), TEXT("previous"));
    EXPECT_EQ(log_.lines.size(), s.logLines);
  }
}

TEST(WidenSignExtended, KeepsAsciiAndSignExtendsHighBytes) {
  WideText wide;
  EXPECT_EQ(Text(wide.text()), TEXT(""));
  ASSERT_TRUE(wide.assignWidened("A 0\x7F\x80\xC1\xFF!", 7));
  EXPECT_EQ(Text(wide.text()), (Text{0x41, 0x20, 0x30, 0x7F, 0xFF80, 0xFFC1, 0xFFFF}));
}

}  // namespace
