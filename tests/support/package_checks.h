// The package module as the engine sees it, checked alike by the GoogleTest tests and by the
// Windows test program under Wine (no C++ standard library there): loaded at run time against
// the engine stand-in, its class and native found by their exported names, every case with the
// module loaded afresh, so each starts with an unread firmware table. Each side defines the four
// functions declared first.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "Engine.h"
#include "StandinTesting.h"
#include "base/raw_header.h"
#include "module_loader.h"

namespace package_checks {

// One check: true when ok; what was checked is named where it fails.
bool check(bool ok, const char* what);
// Names the case that the checks after it belong to.
void begin(const char* what);
// Opens the module with raw as the firmware table it reads (size 0: none at all); null, with the
// reason said, when it cannot.
void* openWithTable(const uint8_t* raw, size_t size);
// The module's reads of that table since it was opened.
uint32_t tableReads();

// A firmware table in the rsmb layout, structures without strings; none at all until one is
// added.
struct RawTable {
  template <size_t N>
  RawTable& add(const uint8_t (&structure)[N]) {
    if (size == 0) size = kRawHeaderSize;
    if (N > sizeof bytes - size) return *this;  // no test table is that long
    memcpy(bytes + size, structure, N);
    size += N;
    uint8_t header[kRawHeaderSize];
    writeRawHeader({0, 3, 2, 0, static_cast<uint32_t>(size - kRawHeaderSize)}, header);
    memcpy(bytes, header, sizeof header);
    return *this;
  }
  uint8_t bytes[128] = {};
  size_t size = 0;
};

// Processor Information, long enough for its ID (0x08 to 0x0F).
constexpr uint8_t kProcessor[] = {
    4,    0x1A, 0x00, 0x04,                          // type 4, length 0x1A, handle 0x0400
    0,    3,    0xC6, 0,                             // socket string, central, family, maker
    0xA7, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF,  // 0x08 processor ID
    0,    0,    0,    0,    0,    0,    0,    0,     // 0x10 version string to current speed
    0x41, 0,                                         // 0x18 status, upgrade
    0,    0};                                        // no strings
// A second processor: the last one decoded wins.
constexpr uint8_t kSecondProcessor[] = {
    4,    0x1A, 0x01, 0x04, 0,    3,    0xC6, 0,     // as above, handle 0x0401
    0xC1, 0x0A, 0xB0, 0x00, 0x12, 0x34, 0x56, 0x78,  // 0x08 processor ID
    0,    0,    0,    0,    0,    0,    0,    0,    0x41, 0, 0, 0};
// A processor one byte too short for its ID to be decoded.
constexpr uint8_t kShortProcessor[] = {4, 0x19, 0x02, 0x04, 0, 3, 0xC6, 0, 1, 2, 3, 4, 5, 6,
                                       7, 8,    0,    0,    0, 0, 0,    0, 0, 0, 0, 0, 0};
constexpr uint8_t kBios[] = {0, 0x12, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kEndOfTable[] = {127, 4, 0xFF, 0xFE, 0, 0};

constexpr TCHAR kFailureLine[] =
    TEXT("Couldn't get the relevant information. Contact the author!!");
constexpr TCHAR kFunctionName[] = TEXT("AQuorActor::execGetCPUSerialNumber");

inline bool sameText(const TCHAR* a, const TCHAR* b) {
  while (*a != 0 && *a == *b) ++a, ++b;
  return *a == *b;
}

// Counts the engine log's lines and keeps the last.
class LogCapture : public FOutputDevice {
 public:
  void Serialize(const TCHAR* text, EName) override {
    ++lines;
    size_t i = 0;
    for (; text[i] != 0 && i + 1 < sizeof last / sizeof last[0]; ++i) last[i] = text[i];
    last[i] = 0;
  }
  int lines = 0;
  TCHAR last[64] = {};
};

// The module as the engine holds it, with the engine log captured while this lives.
class Package {
 public:
  Package() : savedLog_(GLog) { GLog = &log; }
  ~Package() {
    unload();
    GLog = savedLog_;
  }
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;

  // Unloads the module, forgets what the engine saw, then loads the module with raw as its table.
  bool load(const RawTable& raw) {
    unload();
    standinResetForTesting();
    log.lines = 0;
    module = openWithTable(raw.bytes, raw.size);
    return module != nullptr;
  }

  void unload() {
    delete actor;
    actor = nullptr;
    if (module != nullptr) closeModule(module);
    module = nullptr;
  }

  template <typename T>
  T exported(const char* name) {
    void* address = findExport(module, name);
    return address != nullptr ? *static_cast<T*>(address) : T();
  }
  UClass* quorClass() { return exported<UClass*>("autoclassAQuorActor"); }
  Native native() { return exported<Native>("intAQuorActorexecGetCPUSerialNumber"); }

  // One script call of GetCPUSerialNumber on a spawned actor. False when the frame was not
  // stepped over the one byte that closes the empty parameter list (also when the call throws).
  bool call(FString* result) {
    const Native function = native();
    if (function == nullptr) return check(false, "the native is exported");
    if (actor == nullptr) actor = UObject::StaticSpawn(quorClass());
    BYTE code[] = {EX_EndFunctionParms, 0};
    FFrame stack(actor);
    stack.Code = code;
    try {
      (actor->*function)(stack, result);
    } catch (...) {
      check(stack.Code == code + 1, "the frame steps over the end of the parameter list");
      throw;
    }
    return check(stack.Code == code + 1, "the frame steps over the end of the parameter list");
  }

  void* module = nullptr;
  UObject* actor = nullptr;
  LogCapture log;

 private:
  FOutputDevice* savedLog_;
};

// instanceSize: the size the module registers for the class, the engine's on Windows.
inline void registration(Package& package, uint32_t instanceSize) {
  if (!package.load(RawTable().add(kEndOfTable))) return;
  UClass* cls = package.quorClass();
  if (!check(cls != nullptr, "autoclassAQuorActor holds the class")) return;
  check(UClass::FindClass(TEXT("QuorActor")) == cls, "registered under QuorActor");
  const auto* name = static_cast<const TCHAR*>(findExport(package.module, "GPackage"));
  check(name != nullptr && sameText(name, TEXT("Zentrik")), "GPackage is Zentrik");
  check(sameText(cls->GetName(), TEXT("QuorActor")), "class name QuorActor");
  check(sameText(cls->GetPackageName(), TEXT("Zentrik")), "in the package Zentrik");
  check(sameText(cls->GetConfigName(), UObject::StaticConfigName()), "the object's config name");
  check(cls->GetSuperClass() == AActor::StaticClass(), "base class AActor (Engine)");
  check(cls->GetWithin() == UObject::StaticClass(), "within UObject (Core)");
  check(cls->GetGuid() == FGuid(0, 0, 0, 0), "GUID all zero");
  check(cls->GetFlags() == 0x04084004u, "public, transient, standalone, native");
  check(cls->GetClassFlags() == 0, "no class flags");
  check(cls->GetPropertiesSize() == instanceSize, "the instance size");
  check(cls->GetStaticConstructor() == &UObject::StaticConstructor, "UObject's static constructor");
  check(standinNativeRegistrationCount() == 1 && standinNativeRegistration(0).index == -1 &&
            standinNativeRegistration(0).function == package.native(),
        "the native registered once, with index -1");
  check(tableReads() == 0, "loading reads no firmware");
}

inline void instances(Package& package, uint32_t instanceSize) {
  if (!package.load(RawTable().add(kEndOfTable))) return;
  UClass* cls = package.quorClass();
  if (!check(cls != nullptr, "autoclassAQuorActor holds the class")) return;
  cls->GetConstructor()(nullptr);  // nothing to build
  UObject* object = UObject::StaticSpawn(cls);
  check(object->GetClass() == cls, "a spawned instance has the class");
  check(standinConditionalDestroyCount() == 0, "not destroyed yet");
  delete object;
  check(standinConditionalDestroyCount() == 1, "deleting runs ConditionalDestroy");
  check(standinLastFreedSize() == instanceSize, "freed with the registered size");
}

inline void unloading(Package& package) {
  if (!package.load(RawTable().add(kEndOfTable))) return;
  check(UClass::FindClass(TEXT("QuorActor")) != nullptr, "registered while loaded");
  package.unload();
  check(UClass::FindClass(TEXT("QuorActor")) == nullptr, "unloading unregisters the class");
}

inline void processorIdReadOnce(Package& package) {
  if (!package.load(RawTable().add(kProcessor).add(kEndOfTable))) return;
  FString result;
  package.call(&result);
  check(sameText(*result, TEXT("A7 06 03 00 FF FB EB BF")), "the ID text");
  const uint32_t reads = tableReads();
  check(reads == 2, "the table read with two calls of the firmware table service");
  package.call(&result);
  check(sameText(*result, TEXT("A7 06 03 00 FF FB EB BF")), "the same ID again");
  check(tableReads() == reads, "without reading again");
  check(package.log.lines == 0, "nothing logged");
}

inline void lastProcessorWins(Package& package) {
  if (!package.load(RawTable().add(kProcessor).add(kSecondProcessor).add(kEndOfTable))) return;
  FString result;
  package.call(&result);
  check(sameText(*result, TEXT("C1 0A B0 00 12 34 56 78")), "of two processors the last");
}

inline void withoutProcessorId(Package& package) {
  const struct {
    const char* what;
    RawTable raw;
  } cases[] = {
      {"no table at all", RawTable()},
      {"a table without a processor", RawTable().add(kBios).add(kEndOfTable)},
      {"a processor too short for its ID", RawTable().add(kShortProcessor).add(kEndOfTable)},
  };
  for (const auto& c : cases) {
    begin(c.what);
    if (!package.load(c.raw)) continue;
    FString result(TEXT("previous"));
    package.call(&result);
    check(sameText(*result, TEXT("")) && package.log.lines == 1 &&
              sameText(package.log.last, kFailureLine),
          "empty result, one log line");
    package.call(&result);
    check(sameText(*result, TEXT("")) && package.log.lines == 2 &&
              sameText(package.log.last, kFailureLine),
          "again on the second call");
  }
}

// Faults injected where the native calls into the engine: an engine error passes through as it
// is; anything else puts the native into the unwind history first. Either way it reaches the
// caller, and the result keeps its old text.
inline void guardCases(Package& package) {
  const struct {
    const char* what;
    RawTable raw;
    StandinFaultSite site;
    int logLines;  // shows which path the calls took
  } sites[] = {
      {"assigning the processor ID", RawTable().add(kProcessor).add(kEndOfTable),
       StandinFaultSite::StringAssign, 0},
      {"writing the log line", RawTable().add(kEndOfTable), StandinFaultSite::Logf, 0},
      {"assigning the empty result", RawTable().add(kEndOfTable), StandinFaultSite::StringAssign,
       2},
  };
  for (const auto& s : sites) {
    begin(s.what);
    if (!package.load(s.raw)) continue;
    FString result(TEXT("previous"));

    standinInjectFault(s.site, StandinFault::EngineError);
    const TCHAR* caught = nullptr;
    try {
      package.call(&result);
    } catch (const TCHAR* error) {
      caught = error;
    }
    check(caught == standinEngineErrorText(), "the engine error from Core caught here");
    check(sameText(appUnwindHistory(), TEXT("")), "no unwind history for it");
    check(sameText(*result, TEXT("previous")), "the result untouched");

    standinInjectFault(s.site, StandinFault::OutOfMemory);
    bool other = false;
    try {
      package.call(&result);
    } catch (const StandinOutOfMemory&) {
      other = true;
    }
    check(other, "the other exception passed on, caught here by its type");
    check(sameText(appUnwindHistory(), kFunctionName),
          "the unwind history names AQuorActor::execGetCPUSerialNumber");
    check(sameText(*result, TEXT("previous")), "the result untouched");
    check(package.log.lines == s.logLines, "the expected path taken");
  }
}

}  // namespace package_checks
