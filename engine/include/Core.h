// Stand-in for the engine's Core module: the object model, strings, script frames, the log and
// the guard that the package relies on, written to the package's needs only. A package builds
// against these headers and links the stand-in's Core and Engine modules in place of the
// engine's. Like the engine's own, it needs no C++ standard library.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define DLL_EXPORT __declspec(dllexport)
#define DLL_IMPORT __declspec(dllimport)
// The engine's 16-bit text, wchar_t. The engine's modules were built without a built-in wchar_t
// type, where it is unsigned short (and L"" texts are of it): so is TCHAR when this compiler has
// none (clang-cl -Xclang -fno-wchar), whether or not some header has named wchar_t yet.
#if defined(_MSC_VER) && !defined(_NATIVE_WCHAR_T_DEFINED)
typedef unsigned short TCHAR;
#else
typedef wchar_t TCHAR;
#endif
#ifndef TEXT
#define TEXT(s) L##s
#endif
#else
#define DLL_EXPORT __attribute__((visibility("default")))
#define DLL_IMPORT __attribute__((visibility("default")))
typedef char16_t TCHAR;
#ifndef TEXT
#define TEXT(s) u##s
#endif
#endif

#if defined(STANDIN_CORE_BUILD)
#define CORE_API DLL_EXPORT
#else
#define CORE_API DLL_IMPORT
#endif

typedef uint8_t BYTE;
#if defined(_WIN32)
// Windows' own DWORD: the engine's Windows modules include windows.h beside their own headers, so
// theirs can be no other type, and the decorated names of every function taking one depend on it.
typedef unsigned long DWORD;
#else
typedef uint32_t DWORD;
#endif
typedef int32_t INT;
typedef uint32_t UBOOL;
typedef float FLOAT;

class FArchive;
class FOutputDevice;
class UClass;
class UFunction;
class UObject;

// Object flags of a native class object.
enum EObjectFlags : DWORD {
  RF_Public = 0x00000004,
  RF_Transient = 0x00004000,
  RF_Standalone = 0x00080000,
  RF_Native = 0x04000000,
};

// Marks the class-object constructor of a class compiled into a package.
enum ENativeConstructor { EC_NativeConstructor = 0 };

struct CORE_API FGuid {
  DWORD A, B, C, D;
  FGuid();
  FGuid(DWORD a, DWORD b, DWORD c, DWORD d);
  bool operator==(const FGuid& other) const;
};

// A string of 16-bit characters.
class CORE_API FString {
 public:
  FString();
  FString(const TCHAR* text);
  FString(const FString& other);
  ~FString();
  FString& operator=(const FString& other);
  FString& operator=(const TCHAR* text);
  // Widens each 8-bit character as the code point of the same value.
  FString& operator=(const char* text);
  // The zero-terminated text.
  const TCHAR* operator*() const;
  INT Len() const;
  bool operator==(const TCHAR* text) const;

 private:
  // Replace the text with a copy of length characters of text, or with each of length 8-bit
  // characters widened to the code point of the same value.
  void assign(const TCHAR* text, INT length);
  void assignWidened(const char* text, INT length);

  TCHAR* Data;  // null while empty
  INT Length;
};

// A script call in progress: the object running it and its position in the byte code.
struct FFrame {
  UObject* Object;
  BYTE* Code;
  FFrame(UObject* object, BYTE* code) : Object(object), Code(code) {}
};

// Script byte code token that closes a function's parameter list.
constexpr BYTE EX_EndFunctionParms = 0x16;

class CORE_API FOutputDevice {
 public:
  virtual ~FOutputDevice();
  // Receives one finished line, without a line end.
  virtual void Serialize(const TCHAR* text) = 0;
  // printf-style: %s takes 16-bit text, %d/%i/%u/%x/%X integers, %% a percent sign.
  void Logf(const TCHAR* format, ...);
};

// The engine log. By default it writes "Log: " and the line to standard error.
extern CORE_API FOutputDevice* GLog;

// Adds a formatted entry to the unwind history of the exception now on its way up.
CORE_API void appUnwindf(const TCHAR* format, ...);
// The unwind history so far, entries joined by " <- "; and its reset.
CORE_API const TCHAR* appUnwindHistory();
CORE_API void appClearUnwindHistory();

// 16-bit text as UTF-8 (lone surrogates become U+FFFD) into buffer: whole characters only,
// never more than capacity bytes, terminated when capacity is above 0. Returns the length of the
// whole UTF-8 text, so a caller can tell that it did not fit.
CORE_API INT appToUtf8(const TCHAR* text, char* buffer, INT capacity);

class CORE_API FUnknown {
 public:
  virtual DWORD QueryInterface(const FGuid& interfaceId, void** object);
  virtual DWORD AddRef();
  virtual DWORD Release();
};

class CORE_API UObject : public FUnknown {
 public:
  UObject();
  virtual ~UObject();
  virtual void ProcessEvent(UFunction* function, void* parms, void* result = nullptr);
  virtual void ProcessState(FLOAT deltaSeconds);
  virtual UBOOL ProcessRemoteFunction(UFunction* function, void* parms, FFrame* stack);
  virtual void Modify();
  virtual void PostLoad();
  virtual void Destroy();
  virtual void Serialize(FArchive& archive);
  virtual UBOOL IsPendingKill();
  virtual INT GotoState(const TCHAR* state);
  virtual INT GotoLabel(const TCHAR* label);
  virtual void InitExecution();
  virtual void ShutdownAfterError();
  virtual void PostEditChange();
  virtual void CallFunction(FFrame& stack, void* const result, UFunction* function);
  virtual UBOOL ScriptConsoleExec(const TCHAR* command, FOutputDevice& out, UObject* executor);
  virtual void Register();
  virtual void LanguageChange();

  static UClass* StaticClass();
  static const TCHAR* StaticConfigName();
  void StaticConstructor();
  // Runs the object's destruction once; later calls do nothing.
  void ConditionalDestroy();

  // Instances live in blocks of their class's registered size, freed with that size.
  static void* operator new(size_t size);
  static void* operator new(size_t, void* where) { return where; }
  static void operator delete(void* object, size_t size);

  // A new instance of a registered class: memory of its registered size, built by its
  // internal constructor.
  static UObject* StaticSpawn(UClass* cls);

  UClass* GetClass() const { return Class; }
  DWORD GetFlags() const { return ObjectFlags; }

 protected:
  UClass* Class;
  DWORD ObjectFlags;
};

// Shape of a native function: a member taking the caller's frame and the address of the result.
// Declared once UObject is complete: in Microsoft's ABI a member pointer whose size is needed
// before its class is complete takes the most general form (16 bytes), not the engine's one code
// pointer.
typedef void (UObject::*Native)(FFrame& Stack, void* const Result);

#if defined(_MSC_VER) && defined(_M_IX86)
static_assert(sizeof(Native) == 4, "a native is one code pointer, as in the engine");
#endif

// Registers a native function; index -1 binds it by its exported name instead of a number.
CORE_API BYTE GRegisterNative(INT index, const Native& function);

class CORE_API UClass : public UObject {
 public:
  typedef void (*InternalConstructor)(void* where);
  typedef void (UObject::*StaticConstructorFunction)();

  // A class compiled into a package, registered under its name for the life of the object.
  UClass(ENativeConstructor, DWORD size, DWORD classFlags, UClass* baseClass, UClass* withinClass,
         FGuid guid, const TCHAR* name, const TCHAR* packageName, const TCHAR* configName,
         DWORD flags, InternalConstructor constructor, StaticConstructorFunction staticConstructor);
  ~UClass() override;
  UClass(const UClass&) = delete;
  UClass& operator=(const UClass&) = delete;

  // The registered class of that name, or null.
  static UClass* FindClass(const TCHAR* name);

  const TCHAR* GetName() const { return *Name; }
  const TCHAR* GetPackageName() const { return *PackageName; }
  const TCHAR* GetConfigName() const { return *ConfigName; }
  UClass* GetSuperClass() const { return SuperClass; }
  UClass* GetWithin() const { return Within; }
  const FGuid& GetGuid() const { return Guid; }
  DWORD GetPropertiesSize() const { return PropertiesSize; }
  DWORD GetClassFlags() const { return ClassFlags; }
  InternalConstructor GetConstructor() const { return ClassConstructor; }
  StaticConstructorFunction GetStaticConstructor() const { return ClassStaticConstructor; }
  bool IsChildOf(const UClass* other) const;

 private:
  DWORD PropertiesSize;
  DWORD ClassFlags;
  UClass* SuperClass;
  UClass* Within;
  FGuid Guid;
  FString Name;
  FString PackageName;
  FString ConfigName;
  InternalConstructor ClassConstructor;
  StaticConstructorFunction ClassStaticConstructor;
};

// The guard every native body runs inside. An engine error (thrown as a pointer to 16-bit text)
// passes through unchanged; any other exception first adds the function's name to the unwind
// history, then goes on.
#define guard(func)                                         \
  {                                                         \
    static const TCHAR GuardedFunctionName[] = TEXT(#func); \
    try {
#define unguard                                  \
  }                                              \
  catch (const TCHAR*) {                         \
    throw;                                       \
  }                                              \
  catch (...) {                                  \
    appUnwindf(TEXT("%s"), GuardedFunctionName); \
    throw;                                       \
  }                                              \
  }
