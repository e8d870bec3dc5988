#include "Core.h"

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "StandinTesting.h"

namespace {

// One pending fault per site.
bool faultArmed[2] = {false, false};
StandinFault faultKind[2] = {StandinFault::EngineError, StandinFault::EngineError};
// The engine throws its errors as TCHAR*, not as a pointer to constant text.
TCHAR kEngineErrorText[] = TEXT("Injected engine error");

void raiseInjectedFault(StandinFaultSite site) {
  const int i = static_cast<int>(site);
  if (!faultArmed[i]) return;
  faultArmed[i] = false;
  if (faultKind[i] == StandinFault::OutOfMemory) throw StandinOutOfMemory();
  throw kEngineErrorText;
}

void* allocateOrThrow(size_t size) {
  void* block = malloc(size);
  if (block == nullptr) throw StandinOutOfMemory();
  return block;
}

size_t lastFreedSize = 0;

// The engine's allocator, on the C heap. Each block keeps its size in front of it, so that the
// test seam can tell which block was freed.
class StandinMalloc : public FMalloc {
 public:
  void* Malloc(DWORD count, const TCHAR*) override {
    auto* block = static_cast<Header*>(malloc(wholeSize(count)));
    if (block == nullptr) throw StandinOutOfMemory();
    block->size = count;
    return block + 1;
  }
  void* Realloc(void* original, DWORD count, const TCHAR* tag) override {
    if (original == nullptr) return Malloc(count, tag);
    if (count == 0) {
      Free(original);
      return nullptr;
    }
    auto* block = static_cast<Header*>(realloc(headerOf(original), wholeSize(count)));
    if (block == nullptr) throw StandinOutOfMemory();
    block->size = count;
    return block + 1;
  }
  void Free(void* original) override {
    if (original == nullptr) return;
    Header* block = headerOf(original);
    lastFreedSize = block->size;
    free(block);
  }
  void DumpAllocs() override {}
  void HeapCheck() override {}
  void Init() override {}
  void Exit() override {}

 private:
  // As long as the C heap's alignment, so that the block after it keeps that alignment.
  union Header {
    size_t size;
    double d;
    long long ll;
    void* p;
  };
  static Header* headerOf(void* block) { return static_cast<Header*>(block) - 1; }
  // The size of a block of count bytes with its header; where that does not fit in the address
  // space (a 32-bit one), a size no heap gives.
  static size_t wholeSize(DWORD count) {
    const size_t whole = static_cast<size_t>(count) + sizeof(Header);
    return whole < sizeof(Header) ? static_cast<size_t>(-1) : whole;
  }
};

StandinMalloc standinMalloc;

INT textLength(const TCHAR* text) {
  INT n = 0;
  while (text[n] != 0) ++n;
  return n;
}

// A growable, zero-terminated 16-bit text on the C heap, for what the stand-in builds up.
class WideBuffer {
 public:
  WideBuffer() = default;
  ~WideBuffer() { free(data_); }
  WideBuffer(const WideBuffer&) = delete;
  WideBuffer& operator=(const WideBuffer&) = delete;

  void append(const TCHAR* text, INT count) {
    if (count > capacity_ - size_ - 1 || data_ == nullptr) grow(count);
    memcpy(data_ + size_, text, static_cast<size_t>(count) * sizeof(TCHAR));
    size_ += count;
    data_[size_] = 0;
  }
  void append(const TCHAR* text) { append(text, textLength(text)); }
  void append(TCHAR c) { append(&c, 1); }
  void clear() {
    size_ = 0;
    if (data_ != nullptr) data_[0] = 0;
  }
  const TCHAR* text() const { return data_ != nullptr ? data_ : TEXT(""); }
  bool empty() const { return size_ == 0; }

 private:
  void grow(INT count) {
    INT wanted = size_ + count + 1;
    if (wanted < capacity_ + capacity_ / 2) wanted = capacity_ + capacity_ / 2;
    if (wanted < 32) wanted = 32;
    auto* data = static_cast<TCHAR*>(realloc(data_, static_cast<size_t>(wanted) * sizeof(TCHAR)));
    if (data == nullptr) throw StandinOutOfMemory();
    data_ = data;
    capacity_ = wanted;
  }

  TCHAR* data_ = nullptr;
  INT size_ = 0;
  INT capacity_ = 0;
};

// Appends value in base 10 or 16 (upper or lower case digits), with a minus sign when negative.
void appendNumber(WideBuffer* out, uint32_t magnitude, bool negative, unsigned base,
                  bool upperCase) {
  const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
  TCHAR reversed[12];
  int n = 0;
  do {
    reversed[n++] = static_cast<TCHAR>(digits[magnitude % base]);
    magnitude /= base;
  } while (magnitude != 0);
  if (negative) reversed[n++] = '-';
  while (n > 0) out->append(reversed[--n]);
}

// The few conversions the engine's callers use; anything else is copied as it stands.
void formatText(WideBuffer* out, const TCHAR* format, va_list args) {
  for (const TCHAR* p = format; *p != 0; ++p) {
    if (*p != '%' || p[1] == 0) {
      out->append(*p);
      continue;
    }
    switch (*++p) {
      case 's': {
        const TCHAR* text = va_arg(args, const TCHAR*);
        out->append(text != nullptr ? text : TEXT("(null)"));
        break;
      }
      case 'd':
      case 'i': {
        const int value = va_arg(args, int);
        const uint32_t magnitude =
            value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
        appendNumber(out, magnitude, value < 0, 10, false);
        break;
      }
      case 'u':
        appendNumber(out, va_arg(args, unsigned), false, 10, false);
        break;
      case 'x':
        appendNumber(out, va_arg(args, unsigned), false, 16, false);
        break;
      case 'X':
        appendNumber(out, va_arg(args, unsigned), false, 16, true);
        break;
      case '%':
        out->append('%');
        break;
      default:
        out->append('%');
        out->append(*p);
        break;
    }
  }
}

class StandardErrorLog : public FOutputDevice {
 public:
  void Serialize(const TCHAR* text, EName) override {
    const INT length = appToUtf8(text, nullptr, 0);
    char* line = static_cast<char*>(allocateOrThrow(static_cast<size_t>(length) + 1));
    appToUtf8(text, line, length + 1);
    fputs("Log: ", stderr);
    fwrite(line, 1, static_cast<size_t>(length), stderr);
    fputc('\n', stderr);
    fflush(stderr);
    free(line);
  }
};

StandardErrorLog standardErrorLog;

WideBuffer unwindHistory;

// A growable list of plain values on the C heap. It has no destructor: a global list is ready
// before any module's static initialisation runs, and lives until the process ends.
template <typename T>
class List {
 public:
  void add(const T& item) {
    if (count_ == capacity_) {
      const INT wanted = capacity_ < 8 ? 8 : capacity_ * 2;
      auto* items = static_cast<T*>(realloc(items_, static_cast<size_t>(wanted) * sizeof(T)));
      if (items == nullptr) throw StandinOutOfMemory();
      items_ = items;
      capacity_ = wanted;
    }
    items_[count_++] = item;
  }
  void clear() { count_ = 0; }
  INT count() const { return count_; }
  T& operator[](INT i) { return items_[i]; }

 private:
  T* items_ = nullptr;
  INT count_ = 0;
  INT capacity_ = 0;
};

List<StandinNativeRegistration> nativeRegistrations;
int conditionalDestroyCount = 0;

// The class registered last, which links to the one before; so when a name is registered
// twice, the later registration is found.
UClass* lastRegistered = nullptr;

bool sameText(const TCHAR* a, const TCHAR* b) {
  while (*a != 0 && *a == *b) ++a, ++b;
  return *a == *b;
}

}  // namespace

FOutputDevice* GLog = &standardErrorLog;
FMalloc* GMalloc = &standinMalloc;

// --- FString

FString::FString() : Data(nullptr), ArrayNum(0), ArrayMax(0) {}
FString::FString(const TCHAR* text) : Data(nullptr), ArrayNum(0), ArrayMax(0) {
  if (text != nullptr) assign(text, textLength(text));
}
FString::FString(const FString& other) : Data(nullptr), ArrayNum(0), ArrayMax(0) {
  assign(other.Data, other.Len());
}
FString::~FString() {
  GMalloc->Free(Data);
}

// The new text is complete before the old one goes, so a failure leaves the string as it was.
void FString::assign(const TCHAR* text, INT length) {
  TCHAR* data = nullptr;
  if (length > 0) {
    data = static_cast<TCHAR*>(
        GMalloc->Malloc(static_cast<DWORD>(length + 1) * sizeof(TCHAR), TEXT("FString")));
    memcpy(data, text, static_cast<size_t>(length) * sizeof(TCHAR));
    data[length] = 0;
  }
  GMalloc->Free(Data);
  Data = data;
  ArrayNum = ArrayMax = length > 0 ? length + 1 : 0;
}

FString& FString::operator=(const FString& other) {
  raiseInjectedFault(StandinFaultSite::StringAssign);
  if (this != &other) assign(other.Data, other.Len());
  return *this;
}

FString& FString::operator=(const TCHAR* text) {
  raiseInjectedFault(StandinFaultSite::StringAssign);
  if (text == nullptr) text = TEXT("");
  assign(text, textLength(text));
  return *this;
}

const TCHAR* FString::operator*() const {
  return Data != nullptr ? Data : TEXT("");
}
INT FString::Len() const {
  return ArrayNum > 0 ? ArrayNum - 1 : 0;
}
UBOOL FString::operator==(const TCHAR* text) const {
  return sameText(**this, text);
}

// --- log, unwind history, natives

void FOutputDevice::Logf(const TCHAR* format, ...) {
  raiseInjectedFault(StandinFaultSite::Logf);
  WideBuffer line;
  va_list args;
  va_start(args, format);
  formatText(&line, format, args);
  va_end(args);
  Serialize(line.text(), NAME_Log);
}

FFrame::FFrame(UObject* object) : Node(nullptr), Object(object), Code(nullptr), Locals(nullptr) {}

void FFrame::Serialize(const TCHAR* text, EName event) {
  GLog->Serialize(text, event);
}

void appUnwindf(const TCHAR* format, ...) {
  WideBuffer entry;
  va_list args;
  va_start(args, format);
  formatText(&entry, format, args);
  va_end(args);
  if (!unwindHistory.empty()) unwindHistory.append(TEXT(" <- "));
  unwindHistory.append(entry.text());
}

const TCHAR* appUnwindHistory() {
  return unwindHistory.text();
}
void appClearUnwindHistory() {
  unwindHistory.clear();
}

INT appToUtf8(const TCHAR* text, char* buffer, INT capacity) {
  INT used = 0;
  bool full = capacity <= 0;
  if (!full) buffer[0] = '\0';
  const INT n = textLength(text);
  for (INT i = 0; i < n; ++i) {
    uint32_t c = static_cast<uint16_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
      const uint32_t low = static_cast<uint16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    char bytes[4];
    INT count;
    if (c < 0x80) {
      bytes[0] = static_cast<char>(c);
      count = 1;
    } else if (c < 0x800) {
      bytes[0] = static_cast<char>(0xC0 | (c >> 6));
      bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
      count = 2;
    } else if (c < 0x10000) {
      bytes[0] = static_cast<char>(0xE0 | (c >> 12));
      bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
      count = 3;
    } else {
      bytes[0] = static_cast<char>(0xF0 | (c >> 18));
      bytes[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes[3] = static_cast<char>(0x80 | (c & 0x3F));
      count = 4;
    }
    // Once one character does not fit, no later one is written: the text is cut, not holed.
    if (!full && count < capacity - used) {
      memcpy(buffer + used, bytes, static_cast<size_t>(count));
      buffer[used + count] = '\0';
    } else {
      full = true;
    }
    used += count;
  }
  return used;
}

BYTE GRegisterNative(INT index, const Native& function) {
  nativeRegistrations.add({index, function});
  return 0;
}

// --- FUnknown, UObject

DWORD STDCALL FUnknown::QueryInterface(const FGuid&, void** object) {
  if (object != nullptr) *object = nullptr;
  return 0;
}
DWORD STDCALL FUnknown::AddRef() {
  return 0;
}
DWORD STDCALL FUnknown::Release() {
  return 0;
}

UObject::UObject() : ObjectFlags(0), Class(nullptr) {}
DWORD STDCALL UObject::QueryInterface(const FGuid& interfaceId, void** object) {
  return FUnknown::QueryInterface(interfaceId, object);
}
DWORD STDCALL UObject::AddRef() {
  return 0;
}
DWORD STDCALL UObject::Release() {
  return 0;
}
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
EGotoState UObject::GotoState(FName) {
  return GOTOSTATE_NotFound;
}
INT UObject::GotoLabel(FName) {
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

UBOOL UObject::ConditionalDestroy() {
  if (ObjectFlags & RF_Destroyed) return 0;
  ObjectFlags |= RF_Destroyed;
  ++conditionalDestroyCount;
  Destroy();
  return 1;
}

UObject* UObject::StaticSpawn(UClass* cls) {
  const DWORD size = cls->GetPropertiesSize();
  void* block = GMalloc->Malloc(size, TEXT("StaticSpawn"));
  memset(block, 0, size);
  try {
    cls->GetConstructor()(block);
  } catch (...) {
    GMalloc->Free(block);
    throw;
  }
  auto* object = static_cast<UObject*>(block);
  object->Class = cls;
  object->ObjectFlags = RF_Transient;
  return object;
}

UClass UObject::PrivateStaticClass(EC_NativeConstructor, sizeof(UObject), 0, nullptr, nullptr,
                                   FGuid(), TEXT("Object"), TEXT("Core"), TEXT("System"),
                                   RF_Public | RF_Standalone | RF_Transient | RF_Native, nullptr,
                                   &UObject::StaticConstructor);

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
      ClassName(name),
      PackageName(packageName),
      ConfigName(configName),
      ClassConstructor(constructor),
      ClassStaticConstructor(staticConstructor),
      NextRegistered(lastRegistered) {
  ObjectFlags = flags;
  lastRegistered = this;
}

UClass::~UClass() {
  for (UClass** link = &lastRegistered; *link != nullptr; link = &(*link)->NextRegistered) {
    if (*link == this) {
      *link = NextRegistered;
      break;
    }
  }
}

UClass* UClass::FindClass(const TCHAR* name) {
  for (UClass* cls = lastRegistered; cls != nullptr; cls = cls->NextRegistered) {
    if (sameText(cls->GetName(), name)) return cls;
  }
  return nullptr;
}

bool UClass::IsChildOf(const UClass* other) const {
  for (const UClass* c = this; c != nullptr; c = c->SuperClass) {
    if (c == other) return true;
  }
  return false;
}

// --- test seam

const char* StandinOutOfMemory::what() const {
  return "out of memory";
}

void standinInjectFault(StandinFaultSite site, StandinFault fault) {
  faultArmed[static_cast<int>(site)] = true;
  faultKind[static_cast<int>(site)] = fault;
}

const TCHAR* standinEngineErrorText() {
  return kEngineErrorText;
}

INT standinNativeRegistrationCount() {
  return nativeRegistrations.count();
}
StandinNativeRegistration standinNativeRegistration(INT position) {
  return nativeRegistrations[position];
}

size_t standinLastFreedSize() {
  return lastFreedSize;
}
int standinConditionalDestroyCount() {
  return conditionalDestroyCount;
}

void standinResetForTesting() {
  faultArmed[0] = faultArmed[1] = false;
  unwindHistory.clear();
  nativeRegistrations.clear();
  lastFreedSize = 0;
  conditionalDestroyCount = 0;
}
