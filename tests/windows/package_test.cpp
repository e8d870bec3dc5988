// Zentrik.dll in the engine's ABI, as the engine sees it: loaded at run time against the
// stand-in's Core.dll and Engine.dll, its class and native found by their exported names, its
// firmware table served by steering its import of the kernel function. Exceptions cross three
// modules here: thrown in Core.dll, through the native in Zentrik.dll, caught in this program.
// Every case loads the module afresh, so each starts with an unread table.
#include <stdint.h>
#include <string.h>

#include "Engine.h"
#include "StandinTesting.h"
#include "base/raw_header.h"
#include "module_loader.h"
#include "platform/import_patch/import_patch.h"
#include "tests/windows/check.h"

using windows_test::check;

namespace {

// Raw tables: the 8-byte raw header, then structures without strings.
struct RawTable {
  template <size_t N>
  RawTable& add(const uint8_t (&structure)[N]) {
    if (N > sizeof bytes - size) return *this;  // no test table is that long
    memcpy(bytes + size, structure, N);
    size += N;
    uint8_t header[kRawHeaderSize];
    writeRawHeader({0, 3, 2, 0, static_cast<uint32_t>(size - kRawHeaderSize)}, header);
    memcpy(bytes, header, kRawHeaderSize);
    return *this;
  }
  // Calling-method flag 0, SMBIOS 3.2, DMI revision 0, table length (set by add).
  uint8_t bytes[128] = {0, 3, 2, 0, 0, 0, 0, 0};
  size_t size = 8;
};

// Processor Information, long enough for its ID (0x08 to 0x0F).
const uint8_t kProcessor[] = {
    4,    0x1A, 0x00, 0x04,                          // type 4, length 0x1A, handle 0x0400
    0,    3,    0xC6, 0,                             // socket string, central, family, maker
    0xA7, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF,  // 0x08 processor ID
    0,    0,    0,    0,    0,    0,    0,    0,     // 0x10 version string to current speed
    0x41, 0,                                         // 0x18 status, upgrade
    0,    0};                                        // no strings
// A second processor: the last one decoded wins.
const uint8_t kSecondProcessor[] = {
    4,    0x1A, 0x01, 0x04, 0,    3,    0xC6, 0,     // as above, handle 0x0401
    0xC1, 0x0A, 0xB0, 0x00, 0x12, 0x34, 0x56, 0x78,  // 0x08 processor ID
    0,    0,    0,    0,    0,    0,    0,    0,    0x41, 0, 0, 0};
const uint8_t kEndOfTable[] = {127, 4, 0xFF, 0xFE, 0, 0};

typedef TCHAR Text[64];

bool sameText(const TCHAR* a, const TCHAR* b) {
  while (*a != 0 && *a == *b) ++a, ++b;
  return *a == *b;
}

const TCHAR kFailureLine[] = TEXT("Couldn't get the relevant information. Contact the author!!");
const TCHAR kFunctionName[] = TEXT("AQuorActor::execGetCPUSerialNumber");

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
  Text last = {};
};

LogCapture logCapture;
void* module = nullptr;
UObject* actor = nullptr;

void unload() {
  delete actor;
  actor = nullptr;
  if (module != nullptr) closeModule(module);
  module = nullptr;
}

// Unloads the module, forgets what the engine saw, then loads the module with raw as its table.
bool load(const RawTable& raw) {
  unload();
  standinResetForTesting();
  platform::resetSteeredFirmwareTableCallCount();
  logCapture.lines = 0;
  char error[256] = "";
  module = openModule(ZENTRIK_MODULE_PATH, error, sizeof error);
  if (!check(module != nullptr, "Zentrik.dll loads")) {
    printf("      %s\n", error);
    return false;
  }
  const char* steerError = "";
  return check(platform::steerFirmwareTable(module, raw.bytes, raw.size, &steerError),
               "the module's table can be steered");
}

template <typename T>
T exported(const char* name) {
  void* address = findExport(module, name);
  return address != nullptr ? *static_cast<T*>(address) : T();
}

UClass* quorClass() {
  return exported<UClass*>("autoclassAQuorActor");
}

// One script call of GetCPUSerialNumber on a spawned actor. False when the frame was not
// stepped over the one byte that closes the empty parameter list (also when the call throws).
bool call(FString* result) {
  if (actor == nullptr) actor = UObject::StaticSpawn(quorClass());
  BYTE code[] = {EX_EndFunctionParms, 0};
  FFrame stack(actor);
  stack.Code = code;
  const Native native = exported<Native>("intAQuorActorexecGetCPUSerialNumber");
  try {
    (actor->*native)(stack, result);
  } catch (...) {
    check(stack.Code == code + 1, "the frame steps over the end of the parameter list");
    throw;
  }
  return check(stack.Code == code + 1, "the frame steps over the end of the parameter list");
}

void registration() {
  puts("-- the class and the native are registered when the module loads");
  if (!load(RawTable().add(kEndOfTable))) return;
  UClass* cls = quorClass();
  if (!check(cls != nullptr, "autoclassAQuorActor holds the class")) return;
  check(UClass::FindClass(TEXT("QuorActor")) == cls, "registered under QuorActor");
  const auto* package = static_cast<const TCHAR*>(findExport(module, "GPackage"));
  check(package != nullptr && sameText(package, TEXT("Zentrik")), "GPackage is Zentrik");
  check(sameText(cls->GetName(), TEXT("QuorActor")), "class name QuorActor");
  check(sameText(cls->GetPackageName(), TEXT("Zentrik")), "in the package Zentrik");
  check(sameText(cls->GetConfigName(), UObject::StaticConfigName()), "the object's config name");
  check(cls->GetSuperClass() == AActor::StaticClass(), "base class AActor (Engine.dll)");
  check(cls->GetWithin() == UObject::StaticClass(), "within UObject (Core.dll)");
  check(cls->GetGuid() == FGuid(0, 0, 0, 0), "GUID all zero");
  check(cls->GetFlags() == 0x04084004u, "public, transient, standalone, native");
  check(cls->GetClassFlags() == 0, "no class flags");
  check(cls->GetPropertiesSize() == 524, "instance size 524, the engine's");
  check(cls->GetStaticConstructor() == &UObject::StaticConstructor, "UObject's static constructor");
  const Native native = exported<Native>("intAQuorActorexecGetCPUSerialNumber");
  check(standinNativeRegistrationCount() == 1 && standinNativeRegistration(0).index == -1 &&
            standinNativeRegistration(0).function == native,
        "the native registered once, with index -1");
  check(platform::steeredFirmwareTableCallCount() == 0, "loading reads no firmware");
}

void instances() {
  puts("-- instances are built and freed with the registered size; unloading unregisters");
  if (!load(RawTable().add(kEndOfTable))) return;
  UClass* cls = quorClass();
  cls->GetConstructor()(nullptr);  // nothing to build
  UObject* object = UObject::StaticSpawn(cls);
  check(object->GetClass() == cls, "a spawned instance has the class");
  check(standinConditionalDestroyCount() == 0, "not destroyed yet");
  delete object;
  check(standinConditionalDestroyCount() == 1, "deleting runs ConditionalDestroy");
  check(standinLastDeleteSize() == 524, "freed with the size 524");
  unload();
  check(UClass::FindClass(TEXT("QuorActor")) == nullptr, "unloading unregisters the class");
}

void processorId() {
  puts("-- the processor ID, read once");
  if (!load(RawTable().add(kProcessor).add(kEndOfTable))) return;
  FString result;
  call(&result);
  check(sameText(*result, TEXT("A7 06 03 00 FF FB EB BF")), "the ID text");
  const uint32_t reads = platform::steeredFirmwareTableCallCount();
  check(reads == 2, "the table read with two calls of the kernel function");
  call(&result);
  check(sameText(*result, TEXT("A7 06 03 00 FF FB EB BF")), "the same ID again");
  check(platform::steeredFirmwareTableCallCount() == reads, "without reading again");
  check(logCapture.lines == 0, "nothing logged");

  if (!load(RawTable().add(kProcessor).add(kSecondProcessor).add(kEndOfTable))) return;
  call(&result);
  check(sameText(*result, TEXT("C1 0A B0 00 12 34 56 78")), "of two processors the last");
}

void withoutProcessorId() {
  puts("-- without a processor ID every call logs once and returns an empty string");
  const struct {
    const char* what;
    RawTable raw;
  } cases[] = {
      {"no table at all", RawTable()},
      {"a table without a processor", RawTable().add(kEndOfTable)},
  };
  for (const auto& c : cases) {
    printf("   %s\n", c.what);
    RawTable raw = c.raw;
    if (raw.size == 8) raw.size = 0;  // nothing served
    if (!load(raw)) continue;
    FString result(TEXT("previous"));
    call(&result);
    check(sameText(*result, TEXT("")) && logCapture.lines == 1 &&
              sameText(logCapture.last, kFailureLine),
          "empty result, one log line");
    call(&result);
    check(sameText(*result, TEXT("")) && logCapture.lines == 2, "again on the second call");
  }
}

// Faults injected where the native calls into Core.dll: the engine error passes through as it
// is; anything else puts the native into the unwind history first. Either way it reaches this
// program, and the result keeps its old text.
void guardCases() {
  puts("-- the guard passes engine errors on and records others");
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
    printf("   at %s\n", s.what);
    if (!load(s.raw)) continue;
    FString result(TEXT("previous"));

    standinInjectFault(s.site, StandinFault::EngineError);
    const TCHAR* caught = nullptr;
    try {
      call(&result);
    } catch (const TCHAR* error) {
      caught = error;
    }
    check(caught == standinEngineErrorText(), "the engine error from Core.dll caught here");
    check(sameText(appUnwindHistory(), TEXT("")), "no unwind history for it");
    check(sameText(*result, TEXT("previous")), "the result untouched");

    standinInjectFault(s.site, StandinFault::OutOfMemory);
    bool other = false;
    try {
      call(&result);
    } catch (const StandinOutOfMemory&) {
      other = true;
    }
    check(other, "the other exception passed on, caught here by its type");
    check(sameText(appUnwindHistory(), kFunctionName),
          "the unwind history names AQuorActor::execGetCPUSerialNumber");
    check(sameText(*result, TEXT("previous")), "the result untouched");
    check(logCapture.lines == s.logLines, "the expected path taken");
  }
}

}  // namespace

int main() {
  FOutputDevice* const savedLog = GLog;
  GLog = &logCapture;
  registration();
  instances();
  processorId();
  withoutProcessorId();
  guardCases();
  unload();
  GLog = savedLog;
  return windows_test::finish();
}
