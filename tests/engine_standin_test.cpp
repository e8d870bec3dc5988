// The engine stand-in's own promises that the package relies on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Engine.h"
#include "StandinTesting.h"

namespace {

typedef std::basic_string<TCHAR> Text;

std::string utf8(const TCHAR* text) {
  const INT length = appToUtf8(text, nullptr, 0);
  std::string out(static_cast<size_t>(length) + 1, '?');
  EXPECT_EQ(appToUtf8(text, &out[0], length + 1), length);
  EXPECT_EQ(out.back(), '\0');
  out.pop_back();
  return out;
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
// Under the Itanium C++ ABI a pointer to a virtual member holds 1 + the slot's byte offset in
// the dispatch table; the destructor takes two slots (complete and deleting) after Release.
template <typename F>
long slotOf(F member) {
  struct {
    uintptr_t pointer;
    ptrdiff_t adjustment;
  } raw;
  static_assert(sizeof member == sizeof raw, "not an Itanium member pointer");
  memcpy(&raw, &member, sizeof raw);
  return static_cast<long>((raw.pointer - 1) / sizeof(void*));
}

TEST(EngineStandin, ActorVirtualFunctionsKeepTheEngineSlotOrder) {
  const long slots[] = {
      slotOf(&AActor::QueryInterface),
      slotOf(&AActor::AddRef),
      slotOf(&AActor::Release),
      slotOf(&AActor::ProcessEvent),
      slotOf(&AActor::ProcessState),
      slotOf(&AActor::ProcessRemoteFunction),
      slotOf(&AActor::Modify),
      slotOf(&AActor::PostLoad),
      slotOf(&AActor::Destroy),
      slotOf(&AActor::Serialize),
      slotOf(&AActor::IsPendingKill),
      slotOf(&AActor::GotoState),
      slotOf(&AActor::GotoLabel),
      slotOf(&AActor::InitExecution),
      slotOf(&AActor::ShutdownAfterError),
      slotOf(&AActor::PostEditChange),
      slotOf(&AActor::CallFunction),
      slotOf(&AActor::ScriptConsoleExec),
      slotOf(&AActor::Register),
      slotOf(&AActor::LanguageChange),
      slotOf(&AActor::GetOptimizedRepList),
      slotOf(&AActor::ShouldDoScriptReplication),
      slotOf(&AActor::NoVariablesToReplicate),
      slotOf(&AActor::CheckRecentChanges),
      slotOf(&AActor::UpdateFrequency),
      slotOf(&AActor::GetNetPriority),
      slotOf(&AActor::WorldLightRadius),
      slotOf(&AActor::Tick),
      slotOf(&AActor::PostEditMove),
      slotOf(&AActor::PreRaytrace),
      slotOf(&AActor::PostRaytrace),
      slotOf(&AActor::Spawned),
      slotOf(&AActor::PreNetReceive),
      slotOf(&AActor::PostNetReceive),
      slotOf(&AActor::GetSkin),
      slotOf(&AActor::GetAnim),
      slotOf(&AActor::ToLocal),
      slotOf(&AActor::ToWorld),
      slotOf(&AActor::performPhysics),
  };
  for (long i = 0; i < static_cast<long>(sizeof slots / sizeof slots[0]); ++i) {
    EXPECT_EQ(slots[i], i < 3 ? i : i + 2) << "function " << i << " of the list";
  }
}
#endif

TEST(EngineStandin, TheDefaultLogWritesLogLinesToStandardError) {
  testing::internal::CaptureStderr();
  GLog->Logf(TEXT("%s has %d items, %u%% done, 0x%X"), TEXT("Zentrik"), -3, 50u, 0xC1u);
  GLog->Logf(TEXT("\xFFC1 and %q stay"));
  GLog->Logf(TEXT("%d %i %x %u"), INT32_MIN, 0, 0xABCDEFu, 4294967295u);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Log: Zentrik has -3 items, 50% done, 0xC1\n"
            "Log: \xEF\xBF\x81 and %q stay\n"
            "Log: -2147483648 0 abcdef 4294967295\n");
}

TEST(EngineStandin, UnwindHistoryCollectsEntriesInOrder) {
  standinResetForTesting();
  appUnwindf(TEXT("%s"), TEXT("Inner::exec"));
  appUnwindf(TEXT("%s"), TEXT("Outer"));
  EXPECT_EQ(Text(appUnwindHistory()), TEXT("Inner::exec <- Outer"));
  standinResetForTesting();
  EXPECT_EQ(Text(appUnwindHistory()), TEXT(""));
}

TEST(EngineStandin, StringsAssignSixteenBitTextAndStrings) {
  FString s;
  s = TEXT("wide \xFFC1");
  EXPECT_EQ(Text(*s), TEXT("wide \xFFC1"));
  EXPECT_EQ(s.Len(), 6);
  s = TEXT("");
  EXPECT_EQ(Text(*s), TEXT(""));
  EXPECT_EQ(s.Len(), 0);

  FString original(TEXT("kept"));
  FString copy(original);
  s = original;
  original = TEXT("changed");
  EXPECT_EQ(Text(*copy), TEXT("kept"));
  EXPECT_EQ(Text(*s), TEXT("kept"));
  const FString& same = s;
  s = same;
  EXPECT_TRUE(s == TEXT("kept"));
}

TEST(EngineStandin, Utf8OfSixteenBitText) {
  EXPECT_EQ(utf8(TEXT("A\x00E9\xFFC1")), "A\xC3\xA9\xEF\xBF\x81");
  const TCHAR pair[] = {0xD83D, 0xDE00, 0};
  EXPECT_EQ(utf8(pair), "\xF0\x9F\x98\x80");
  const TCHAR lone[] = {0xDC00, 'x', 0};
  EXPECT_EQ(utf8(lone), "\xEF\xBF\xBDx");
  EXPECT_EQ(utf8(TEXT("")), "");
}

// A buffer too small takes whole characters only, stays terminated, and the result still tells
// the whole length.
TEST(EngineStandin, Utf8IntoASmallBufferIsCutAtACharacter) {
  const TCHAR* text = TEXT("ab\x00E9z");  // 'a', 'b', two bytes, 'z': 5 bytes
  const struct {
    INT capacity;
    const char* written;
  } cases[] = {{1, ""}, {3, "ab"}, {4, "ab"}, {5, "ab\xC3\xA9"}, {6, "ab\xC3\xA9z"}};
  for (const auto& c : cases) {
    char buffer[8];
    memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(appToUtf8(text, buffer, c.capacity), 5) << c.capacity;
    EXPECT_STREQ(buffer, c.written) << c.capacity;
    EXPECT_EQ(buffer[c.capacity], 'Z') << c.capacity;
  }
  char untouched = 'Z';
  EXPECT_EQ(appToUtf8(text, &untouched, 0), 5);
  EXPECT_EQ(untouched, 'Z');
}

TEST(EngineStandin, ClassesAreFoundByNameWhileTheyExist) {
  EXPECT_EQ(UClass::FindClass(TEXT("StandinProbe")), nullptr);
  {
    UClass probe(EC_NativeConstructor, sizeof(AActor), 0, AActor::StaticClass(),
                 UObject::StaticClass(), FGuid(), TEXT("StandinProbe"), TEXT("Test"),
                 UObject::StaticConfigName(), RF_Public, nullptr, &UObject::StaticConstructor);
    EXPECT_EQ(UClass::FindClass(TEXT("StandinProbe")), &probe);
    EXPECT_TRUE(probe.IsChildOf(UObject::StaticClass()));
    EXPECT_FALSE(UObject::StaticClass()->IsChildOf(&probe));
  }
  EXPECT_EQ(UClass::FindClass(TEXT("StandinProbe")), nullptr);
  EXPECT_EQ(UClass::FindClass(TEXT("Actor")), AActor::StaticClass());
}

// Objects live in GMalloc's blocks: a spawn takes a block of the class's registered size from it,
// and deleting the object (the engine's inline operator delete) gives that block back.
TEST(EngineStandin, ObjectsLiveInTheEngineAllocatorsBlocks) {
  struct Recorder : FMalloc {
    explicit Recorder(FMalloc* heap) : heap(heap) {}
    void* Malloc(DWORD count, const TCHAR* tag) override {
      allocated = count;
      return heap->Malloc(count, tag);
    }
    void* Realloc(void* block, DWORD count, const TCHAR* tag) override {
      return heap->Realloc(block, count, tag);
    }
    void Free(void* block) override {
      freed = block;
      heap->Free(block);
    }
    void DumpAllocs() override {}
    void HeapCheck() override {}
    void Init() override {}
    void Exit() override {}
    FMalloc* heap;
    DWORD allocated = 0;
    void* freed = nullptr;
  } recorder(GMalloc);
  GMalloc = &recorder;
  UObject* actor = UObject::StaticSpawn(AActor::StaticClass());
  const DWORD allocated = recorder.allocated;
  delete actor;
  GMalloc = recorder.heap;
  EXPECT_EQ(allocated, AActor::StaticClass()->GetPropertiesSize());
  EXPECT_EQ(recorder.freed, actor);
  EXPECT_EQ(standinLastFreedSize(), allocated);
}

TEST(EngineStandin, TheAllocatorReallocatesAsTheEngines) {
  void* block = GMalloc->Realloc(nullptr, 4, TEXT("test"));  // from nothing: a new block
  memcpy(block, "abc", 4);
  block = GMalloc->Realloc(block, 64, TEXT("test"));
  EXPECT_STREQ(static_cast<const char*>(block), "abc");
  EXPECT_EQ(GMalloc->Realloc(block, 0, TEXT("test")), nullptr);  // to nothing: freed
  EXPECT_EQ(standinLastFreedSize(), 64u);
  GMalloc->Free(nullptr);
}

}  // namespace
