#include "Core.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "StandinTesting.h"

namespace {

typedef std::basic_string<TCHAR> Text;

// One pending fault per site.
bool faultArmed[2] = {false, false};
StandinFault faultKind[2] = {StandinFault::EngineError, StandinFault::EngineError};
const TCHAR kEngineErrorText[] = TEXT("Injected engine error");

void raiseInjectedFault(StandinFaultSite site) {
  const int i = static_cast<int>(site);
  if (!faultArmed[i]) return;
  faultArmed[i] = false;
  if (faultKind[i] == StandinFault::OutOfMemory) throw std::bad_alloc();
  throw kEngineErrorText;
}

Text unwindHistory;
std::vector<StandinNativeRegistration> nativeRegistrations;
size_t lastDeleteSize = 0;
int conditionalDestroyCount = 0;

size_t textLength(const TCHAR* text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

void appendNumber(Text* out, const char* format, unsigned long long value, bool isSigned) {
  char digits[32];
  if (isSigned) {
    snprintf(digits, sizeof digits, format, static_cast<long long>(value));
  } else {
    snprintf(digits, sizeof digits, format, value);
  }
  for (const char* p = digits; *p != 0; ++p) out->push_back(static_cast<TCHAR>(*p));
}

// The few conversions the engine's callers use; anything else is copied as it stands.
Text formatText(const TCHAR* format, va_list args) {
  Text out;
  for (const TCHAR* p = format; *p != 0; ++p) {
    if (*p != '%' || p[1] == 0) {
      out.push_back(*p);
      continue;
    }
    switch (*++p) {
      case 's': {
        const TCHAR* text = va_arg(args, const TCHAR*);
        out += text != nullptr ? text : TEXT("(null)");
        break;
      }
      case 'd':
      case 'i':
        appendNumber(&out, "%lld", static_cast<long long>(va_arg(args, int)), true);
        break;
      case 'u':
        appendNumber(&out, "%llu", va_arg(args, unsigned), false);
        break;
      case 'x':
        appendNumber(&out, "%llx", va_arg(args, unsigned), false);
        break;
      case 'X':
        appendNumber(&out, "%llX", va_arg(args, unsigned), false);
        break;
      case '%':
        out.push_back('%');
        break;
      default:
        out.push_back('%');
        out.push_back(*p);
        break;
    }
  }
  return out;
}

class StandardErrorLog : public FOutputDevice {
 public:
  void Serialize(const TCHAR* text) override {
    const std::string line = "Log: " + appToUtf8(text) + "\n";
    fwrite(line.data(), 1, line.size(), stderr);
    fflush(stderr);
  }
};

StandardErrorLog standardErrorLog;

// Classes by name; when a name is registered twice, the later registration is found.
std::multimap<Text, UClass*>& classRegistry() {
  static std::multimap<Text, UClass*> registry;
  return registry;
}

}  // namespace

FOutputDevice* GLog = &standardErrorLog;

// --- FGuid

FGuid::FGuid() : A(0), B(0), C(0), D(0) {}
FGuid::FGuid(DWORD a, DWORD b, DWORD c, DWORD d) : A(a), B(b), C(c), D(d) {}
bool FGuid::operator==(const FGuid& other) const {
  return A == other.A && B == other.B && C == other.C && D == other.D;
}

// --- FString

FString::FString() = default;
FString::FString(const TCHAR* text) : text_(text != nullptr ? text : TEXT("")) {}
FString::FString(const FString& other) = default;
FString::~FString() = default;

FString& FString::operator=(const FString& other) {
  raiseInjectedFault(StandinFaultSite::StringAssign);
  text_ = other.text_;
  return *this;
}

FString& FString::operator=(const TCHAR* text) {
  raiseInjectedFault(StandinFaultSite::StringAssign);
  text_.assign(text != nullptr ? text : TEXT(""));
  return *this;
}

FString& FString::operator=(const char* text) {
  raiseInjectedFault(StandinFaultSite::StringAssign);
  Text wide;
  for (const char* p = text != nullptr ? text : ""; *p != 0; ++p) {
    wide.push_back(static_cast<TCHAR>(static_cast<unsigned char>(*p)));
  }
  text_.swap(wide);
  return *this;
}

const TCHAR* FString::operator*() const {
  return text_.c_str();
}
INT FString::Len() const {
  return static_cast<INT>(text_.size());
}
bool FString::operator==(const TCHAR* text) const {
  return text_ == text;
}

// --- log, unwind history, natives

FOutputDevice::~FOutputDevice() = default;

void FOutputDevice::Logf(const TCHAR* format, ...) {
  raiseInjectedFault(StandinFaultSite::Logf);
  va_list args;
  va_start(args, format);
  const Text line = formatText(format, args);
  va_end(args);
  Serialize(line.c_str());
}

void appUnwindf(const TCHAR* format, ...) {
  va_list args;
  va_start(args, format);
  const Text entry = formatText(format, args);
  va_end(args);
  if (!unwindHistory.empty()) unwindHistory += TEXT(" <- ");
  unwindHistory += entry;
}

const TCHAR* appUnwindHistory() {
  return unwindHistory.c_str();
}
void appClearUnwindHistory() {
  unwindHistory.clear();
}

std::string appToUtf8(const TCHAR* text) {
  std::string out;
  const size_t n = textLength(text);
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = static_cast<uint16_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
      const uint32_t low = static_cast<uint16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

BYTE GRegisterNative(INT index, const Native& function) {
  nativeRegistrations.push_back({index, function});
  return 0;
}

// --- FUnknown, UObject

DWORD FUnknown::QueryInterface(const FGuid&, void** object) {
  if (object != nullptr) *object = nullptr;
  return 0;
}
DWORD FUnknown::AddRef() {
  return 0;
}
DWORD FUnknown::Release() {
  return 0;
}

UObject::UObject() : Class(nullptr), ObjectFlags(0) {}
UObject::~UObject() = default;
void UObject::ProcessEvent(UFunction*, void*, void*) {}
void UObject::ProcessState(FLOAT) {}
UBOOL UObject::ProcessRemoteFunction(UFunction*, void*, FFrame*) {
  return 0;
}
void UObject::Modify() {}
void UObject::PostLoad() {}
void UObject::Destroy() {}
void UObject::Serialize(FArchive&) {}
UBOOL UObject::IsPendingKill() {
  return 0;
}
INT UObject::GotoState(const TCHAR*) {
  return 0;
}
INT UObject::GotoLabel(const TCHAR*) {
  return 0;
}
void UObject::InitExecution() {}
void UObject::ShutdownAfterError() {}
void UObject::PostEditChange() {}
void UObject::CallFunction(FFrame&, void* const, UFunction*) {}
UBOOL UObject::ScriptConsoleExec(const TCHAR*, FOutputDevice&, UObject*) {
  return 0;
}
void UObject::Register() {}
void UObject::LanguageChange() {}

namespace {
constexpr DWORD RF_Destroyed = 0x00008000;
}  // namespace

void UObject::StaticConstructor() {}

void UObject::ConditionalDestroy() {
  if (ObjectFlags & RF_Destroyed) return;
  ObjectFlags |= RF_Destroyed;
  ++conditionalDestroyCount;
  Destroy();
}

const TCHAR* UObject::StaticConfigName() {
  return TEXT("System");
}

void* UObject::operator new(size_t size) {
  void* block = calloc(1, size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void UObject::operator delete(void* object, size_t size) {
  lastDeleteSize = size;
  free(object);
}

UObject* UObject::StaticSpawn(UClass* cls) {
  void* block = UObject::operator new(cls->GetPropertiesSize());
  cls->GetConstructor()(block);
  auto* object = static_cast<UObject*>(block);
  object->Class = cls;
  object->ObjectFlags = RF_Transient;
  return object;
}

UClass* UObject::StaticClass() {
  static UClass objectClass(EC_NativeConstructor, sizeof(UObject), 0, nullptr, nullptr, FGuid(),
                            TEXT("Object"), TEXT("Core"), TEXT("System"),
                            RF_Public | RF_Standalone | RF_Transient | RF_Native, nullptr,
                            &UObject::StaticConstructor);
  return &objectClass;
}

// --- UClass

UClass::UClass(ENativeConstructor, DWORD size, DWORD classFlags, UClass* baseClass,
               UClass* withinClass, FGuid guid, const TCHAR* name, const TCHAR* packageName,
               const TCHAR* configName, DWORD flags, InternalConstructor constructor,
               StaticConstructorFunction staticConstructor)
    : PropertiesSize(size),
      ClassFlags(classFlags),
      SuperClass(baseClass),
      Within(withinClass),
      Guid(guid),
      Name(name),
      PackageName(packageName),
      ConfigName(configName),
      ClassConstructor(constructor),
      ClassStaticConstructor(staticConstructor) {
  ObjectFlags = flags;
  classRegistry().emplace(Text(*Name), this);
}

UClass::~UClass() {
  auto& registry = classRegistry();
  auto range = registry.equal_range(Text(*Name));
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second == this) {
      registry.erase(it);
      break;
    }
  }
}

UClass* UClass::FindClass(const TCHAR* name) {
  auto& registry = classRegistry();
  auto range = registry.equal_range(Text(name));
  if (range.first == range.second) return nullptr;
  return std::prev(range.second)->second;
}

bool UClass::IsChildOf(const UClass* other) const {
  for (const UClass* c = this; c != nullptr; c = c->SuperClass) {
    if (c == other) return true;
  }
  return false;
}

// --- test seam

void standinInjectFault(StandinFaultSite site, StandinFault fault) {
  faultArmed[static_cast<int>(site)] = true;
  faultKind[static_cast<int>(site)] = fault;
}

const TCHAR* standinEngineErrorText() {
  return kEngineErrorText;
}

std::vector<StandinNativeRegistration> standinNativeRegistrations() {
  return nativeRegistrations;
}

size_t standinLastDeleteSize() {
  return lastDeleteSize;
}
int standinConditionalDestroyCount() {
  return conditionalDestroyCount;
}

void standinResetForTesting() {
  faultArmed[0] = faultArmed[1] = false;
  unwindHistory.clear();
  nativeRegistrations.clear();
  lastDeleteSize = 0;
  conditionalDestroyCount = 0;
}
