// Stand-in for the engine's Core module: the object model, strings, script frames, the log and
// the guard that the package relies on, written to the package's needs only. A package builds
// against these headers and links the stand-in's Core and Engine modules in place of the
// engine's. Like the engine's own, it needs no C++ standard library.
//
// What these headers declare, they declare as the engine's SDK does: the same types, class or
// struct, calling conventions, parameter and return types, virtual slot order and object sizes,
// so that a module built against them imports names the engine's Core.dll and Engine.dll export
// and lays out its objects as the engine does. The behaviour behind them is the stand-in's own.
// What only the stand-in has (the test seam, and the few helpers the host and the tests use in
// place of the engine's object manager) is marked so.
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

// The engine's COM-style functions use the standard calling convention, which decorates their
// names; elsewhere there is only one convention.
#if defined(_MSC_VER) && defined(_M_IX86)
#define STDCALL __stdcall
#else
#define STDCALL
#endif

#if defined(STANDIN_CORE_BUILD)
#define CORE_API DLL_EXPORT
#else
#define CORE_API DLL_IMPORT
#endif

// The engine's builds of 32-bit x86 Windows, whose object layout the stand-in reproduces there.
#if defined(_MSC_VER) && defined(_M_IX86)
#define STANDIN_ENGINE_LAYOUT 1
#else
#define STANDIN_ENGINE_LAYOUT 0
#endif

typedef unsigned char BYTE;
#if defined(_WIN32)
// Windows' own DWORD: the engine's Windows modules include windows.h beside their own headers, so
// theirs can be no other type, and the decorated names of every function taking one depend on it.
typedef unsigned long DWORD;
#else
typedef uint32_t DWORD;
#endif
typedef signed int INT;
// The engine's truth value is a signed int (decorated H), not an unsigned one.
typedef signed int UBOOL;
typedef float FLOAT;

class FArchive;
class FOutputDevice;
class UClass;
class UFunction;
class UObject;
class UPackageMap;
class UStruct;
struct FFrame;

// Object flags of a native class object.
enum EObjectFlags {
  RF_Public = 0x00000004,
  RF_Transient = 0x00004000,
  RF_Standalone = 0x00080000,
  RF_Native = 0x04000000,
};

// Marks the class-object constructor of a class compiled into a package.
enum ENativeConstructor { EC_NativeConstructor = 0 };
// Marks memory an object is built in by its class's internal constructor.
enum EInternal { EC_Internal = 0 };

// The engine's names of log events, with the engine's values; only those the stand-in uses.
enum EName {
  NAME_None = 0,
  NAME_Log = 760,
};

// What GotoState reports.
enum EGotoState { GOTOSTATE_NotFound = 0, GOTOSTATE_Success = 1, GOTOSTATE_Preempted = 2 };

// A name of the engine's name table, by its index. The stand-in keeps no table: every name is
// NAME_None.
class CORE_API FName {
 public:
  FName() : Index(NAME_None) {}
  INT GetIndex() const { return Index; }

 private:
  INT Index;
};

// The engine's packages each export their name, as 16-bit text under this C name: the one
// declaration for every module, as in the engine. Packages define it.
extern "C" DLL_EXPORT TCHAR GPackage[];

class CORE_API FGuid {
 public:
  DWORD A, B, C, D;
  FGuid() : A(0), B(0), C(0), D(0) {}
  FGuid(DWORD a, DWORD b, DWORD c, DWORD d) : A(a), B(b), C(c), D(d) {}
  friend UBOOL operator==(const FGuid& x, const FGuid& y) {
    return x.A == y.A && x.B == y.B && x.C == y.C && x.D == y.D;
  }
};

class CORE_API FVector {
 public:
  FLOAT X, Y, Z;
  FVector() : X(0), Y(0), Z(0) {}
  FVector(FLOAT x, FLOAT y, FLOAT z) : X(x), Y(y), Z(z) {}
};

class CORE_API FCoords {
 public:
  FVector Origin, XAxis, YAxis, ZAxis;
  FCoords() {}
  // Unit axes at origin.
  explicit FCoords(const FVector& origin)
      : Origin(origin), XAxis(1, 0, 0), YAxis(0, 1, 0), ZAxis(0, 0, 1) {}
};

// A string of 16-bit characters. As in the engine, it holds its characters with their
// terminating zero (ArrayNum counts it), or nothing at all while empty. The engine's Core.dll
// assigns only 16-bit text or another string; it has no assignment from 8-bit text.
class CORE_API FString {
 public:
  FString();
  FString(const TCHAR* text);
  FString(const FString& other);
  ~FString();
  FString& operator=(const FString& other);
  FString& operator=(const TCHAR* text);
  // The zero-terminated text.
  const TCHAR* operator*() const;
  INT Len() const;
  UBOOL operator==(const TCHAR* text) const;

 private:
  // Replace the text with a copy of length characters of text.
  void assign(const TCHAR* text, INT length);

  TCHAR* Data;   // null while empty
  INT ArrayNum;  // characters and the terminating zero; 0 while empty
  INT ArrayMax;  // characters Data has room for
};

class CORE_API FOutputDevice {
 public:
  // Receives one finished line, without a line end, and the kind of event it reports.
  virtual void Serialize(const TCHAR* text, EName event) = 0;
  // printf-style: %s takes 16-bit text, %d/%i/%u/%x/%X integers, %% a percent sign. Serializes
  // the line as NAME_Log.
  void Logf(const TCHAR* format, ...);
};

// A script call in progress: the object running it and its position in the byte code. As in the
// engine it is an output device itself, for the script's own warnings.
struct CORE_API FFrame : public FOutputDevice {
  UStruct* Node;
  UObject* Object;
  BYTE* Code;
  BYTE* Locals;

  // A frame of object with no code yet: the caller points Code at the byte code to run.
  FFrame(UObject* object);
  // Writes the script's warning to the engine log.
  void Serialize(const TCHAR* text, EName event) override;
};

// Script byte code token that closes a function's parameter list.
constexpr BYTE EX_EndFunctionParms = 0x16;

// The engine log. By default it writes "Log: " and the line to standard error.
extern CORE_API FOutputDevice* GLog;

// Adds a formatted entry to the unwind history of the exception now on its way up.
CORE_API void appUnwindf(const TCHAR* format, ...);

// The guard every native body runs inside. An engine error (thrown as a pointer to 16-bit text,
// caught as the engine catches it) passes through unchanged; any other exception first adds the
// function's name to the unwind history, then goes on. The name text has the engine's name, so
// that a guarded inline function of these headers refers to the same exported text as the
// engine's own.
#define guard(func)                                   \
  {                                                   \
    static const TCHAR __FUNC_NAME__[] = TEXT(#func); \
    try {
#define unguard                            \
  }                                        \
  catch (TCHAR * engineError) {            \
    throw engineError;                     \
  }                                        \
  catch (...) {                            \
    appUnwindf(TEXT("%s"), __FUNC_NAME__); \
    throw;                                 \
  }                                        \
  }

// The engine's allocator, with the engine's functions in the engine's order. Objects live in its
// blocks, and the engine's inline functions call it directly: an object is freed through it.
class CORE_API FMalloc {
 public:
  virtual void* Malloc(DWORD count, const TCHAR* tag) = 0;
  virtual void* Realloc(void* original, DWORD count, const TCHAR* tag) = 0;
  virtual void Free(void* original) = 0;
  virtual void DumpAllocs() = 0;
  virtual void HeapCheck() = 0;
  virtual void Init() = 0;
  virtual void Exit() = 0;
};
extern CORE_API FMalloc* GMalloc;

// Stand-in only, for the host and the tests. The unwind history so far, entries joined by
// " <- "; and its reset.
CORE_API const TCHAR* appUnwindHistory();
CORE_API void appClearUnwindHistory();
// Stand-in only. 16-bit text as UTF-8 (lone surrogates become U+FFFD) into buffer: whole
// characters only, never more than capacity bytes, terminated when capacity is above 0. Returns
// the length of the whole UTF-8 text, so a caller can tell that it did not fit.
CORE_API INT appToUtf8(const TCHAR* text, char* buffer, INT capacity);

// The engine's objects answer the COM interface queries, in the standard calling convention.
class CORE_API FUnknown {
 public:
  virtual DWORD STDCALL QueryInterface(const FGuid& interfaceId, void** object);
  virtual DWORD STDCALL AddRef();
  virtual DWORD STDCALL Release();
};

class CORE_API UObject : public FUnknown {
 public:
  UObject();
  virtual ~UObject();
  // Instances live in the engine allocator's blocks of their class's registered size. Inline, as
  // the engine has it: a module frees its objects through GMalloc itself.
  void operator delete(void* object, size_t) {
    guard(UObject::operator delete);
    GMalloc->Free(object);
    unguard;
  }
  // An instance built by its class's internal constructor in memory given to it.
  void* operator new(size_t, EInternal* where) { return where; }

  DWORD STDCALL QueryInterface(const FGuid& interfaceId, void** object) override;
  DWORD STDCALL AddRef() override;
  DWORD STDCALL Release() override;

  virtual void ProcessEvent(UFunction* function, void* parms, void* result = nullptr);
  virtual void ProcessState(FLOAT deltaSeconds);
  virtual UBOOL ProcessRemoteFunction(UFunction* function, void* parms, FFrame* stack);
  virtual void Modify();
  virtual void PostLoad();
  virtual void Destroy();
  virtual void Serialize(FArchive& archive);
  virtual UBOOL IsPendingKill();
  virtual EGotoState GotoState(FName state);
  virtual INT GotoLabel(FName label);
  virtual void InitExecution();
  virtual void ShutdownAfterError();
  virtual void PostEditChange();
  virtual void CallFunction(FFrame& stack, void* const result, UFunction* function);
  virtual UBOOL ScriptConsoleExec(const TCHAR* command, FOutputDevice& out, UObject* executor);
  virtual void Register();
  virtual void LanguageChange();

  // The class object itself is exported, as in the engine: a module reaches it without a call.
  static UClass* StaticClass() { return &PrivateStaticClass; }
  static const TCHAR* StaticConfigName() { return TEXT("System"); }
  void StaticConstructor();
  // Runs the object's destruction once: true then, false on every later call.
  UBOOL ConditionalDestroy();

  UClass* GetClass() const { return Class; }
  DWORD GetFlags() const { return ObjectFlags; }

  // Stand-in only: what the engine's object manager does when it spawns an actor, for the host
  // and the tests. A new instance of a registered class: a zeroed block of its registered size
  // from GMalloc, built by its internal constructor.
  static UObject* StaticSpawn(UClass* cls);

 private:
  static UClass PrivateStaticClass;

 protected:
#if STANDIN_ENGINE_LAYOUT
  // The engine's object index, hash link, script state, linker and outer, which the stand-in
  // does not use, so that ObjectFlags and Class sit where the engine has them.
  BYTE ReservedObjectFields[24];
#endif
  DWORD ObjectFlags;
  FName Name;
  UClass* Class;
};

// Shape of a native function: a member taking the caller's frame and the address of the result.
// Declared once UObject is complete: in Microsoft's ABI a member pointer whose size is needed
// before its class is complete takes the most general form (16 bytes), not the engine's one code
// pointer.
typedef void (UObject::*Native)(FFrame& Stack, void* const Result);

// Registers a native function; index -1 binds it by its exported name instead of a number.
CORE_API BYTE GRegisterNative(INT index, const Native& function);

class CORE_API UClass : public UObject {
 public:
  typedef void (*InternalConstructor)(void* where);
  typedef void (UObject::*StaticConstructorFunction)();

  // A class compiled into a package, registered under its name for the life of the object. The
  // texts are kept, not copied: they live as long as the class (a module's own constants), and
  // registering needs no memory, so the engine's own classes never fail to register.
  UClass(ENativeConstructor, DWORD size, DWORD classFlags, UClass* baseClass, UClass* withinClass,
         FGuid guid, const TCHAR* name, const TCHAR* packageName, const TCHAR* configName,
         DWORD flags, InternalConstructor constructor, StaticConstructorFunction staticConstructor);
  ~UClass() override;
  UClass(const UClass&) = delete;
  UClass& operator=(const UClass&) = delete;

  // Stand-in only, for the host and the tests: the registered class of that name, or null; and
  // what the class was registered with.
  static UClass* FindClass(const TCHAR* name);
  const TCHAR* GetName() const { return ClassName; }
  const TCHAR* GetPackageName() const { return PackageName; }
  const TCHAR* GetConfigName() const { return ConfigName; }
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
  const TCHAR* ClassName;
  const TCHAR* PackageName;
  const TCHAR* ConfigName;
  InternalConstructor ClassConstructor;
  StaticConstructorFunction ClassStaticConstructor;
  UClass* NextRegistered;  // the class registered before this one

 protected:
#if STANDIN_ENGINE_LAYOUT
  // The rest of the engine's class object. A package holds its class objects in its own static
  // storage, and the engine's constructor fills all of its 1272 bytes.
  BYTE ReservedEngineFields[1176];
#endif
};

#if STANDIN_ENGINE_LAYOUT
static_assert(sizeof(FGuid) == 16 && sizeof(FName) == 4 && sizeof(FString) == 12,
              "FGuid, FName and FString have the engine's sizes");
static_assert(offsetof(FFrame, Code) == 12 && sizeof(FFrame) == 20,
              "FFrame has the engine's layout: the native steps the engine's Code");
static_assert(sizeof(UObject) == 40, "UObject has the engine's object size");
static_assert(sizeof(UClass) == 1272, "UClass has the engine's object size");
static_assert(sizeof(Native) == 4, "a native is one code pointer, as in the engine");
#endif
