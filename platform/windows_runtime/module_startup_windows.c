// What Microsoft's static C runtime adds to every module it links, written for the clang-cl
// flavour, which links none (/Zl, /nodefaultlib) and has only msvcrt.dll to call: static
// constructors, a module-local atexit for static destructors, and the symbols the compiler's
// objects refer to without naming a library. The entry points of DLLs and executables
// (dll_entry_windows.c, exe_entry_windows.c) pull this object into every module.
#include "platform/windows_runtime/module_startup_windows.h"

#include <windows.h>

// --- Static constructors

// The compiler puts the address of each translation unit's static initialiser into a section
// .CRT$XCU; the linker sorts all .CRT$X* sections by name into one, so these two entries bracket
// every initialiser of the module. Entries may be null (the linker pads sections).
typedef void(__cdecl* StaticConstructor)(void);
#pragma section(".CRT$XCA", read)
#pragma section(".CRT$XCZ", read)
__declspec(allocate(".CRT$XCA")) static const StaticConstructor firstConstructor = NULL;
__declspec(allocate(".CRT$XCZ")) static const StaticConstructor lastConstructor = NULL;

void zentrikRunStaticConstructors(void) {
  // The walk must not be folded away: the optimiser may not assume the two entries are apart.
  const StaticConstructor* volatile end = &lastConstructor;
  for (const StaticConstructor* entry = &firstConstructor + 1; entry < end; ++entry) {
    if (*entry != NULL) (*entry)();
  }
}

// --- atexit, local to the module

// Static destructors are registered with atexit as their objects are built. msvcrt.dll's atexit
// would run them when the process ends, after a DLL may have been unloaded; these run when the
// module itself goes: on DLL_PROCESS_DETACH, or when main returns. The name is the one the
// compiler calls; it is defined under another so as not to clash with stdlib.h's import of
// msvcrt.dll's atexit.
typedef void(__cdecl* ExitFunction)(void);
static ExitFunction* exitFunctions;
static int exitFunctionCount;
static int exitFunctionCapacity;

int __cdecl moduleAtexit(ExitFunction function) __asm__("_atexit");
int __cdecl moduleAtexit(ExitFunction function) {
  if (exitFunctionCount == exitFunctionCapacity) {
    const int capacity = exitFunctionCapacity == 0 ? 16 : exitFunctionCapacity * 2;
    const SIZE_T bytes = (SIZE_T)capacity * sizeof *exitFunctions;
    ExitFunction* grown =
        exitFunctions == NULL
            ? (ExitFunction*)HeapAlloc(GetProcessHeap(), 0, bytes)
            : (ExitFunction*)HeapReAlloc(GetProcessHeap(), 0, exitFunctions, bytes);
    if (grown == NULL) return -1;
    exitFunctions = grown;
    exitFunctionCapacity = capacity;
  }
  exitFunctions[exitFunctionCount++] = function;
  return 0;
}

void zentrikRunExitFunctions(void) {
  // A destructor may register more (a local static built while others are torn down).
  while (exitFunctionCount > 0) exitFunctions[--exitFunctionCount]();
  if (exitFunctions != NULL) HeapFree(GetProcessHeap(), 0, exitFunctions);
  exitFunctions = NULL;
  exitFunctionCapacity = 0;
}

// --- Symbols the compiler's objects refer to

// Objects that use floating point refer to _fltused; the static runtime's copy tells it to set up
// floating-point formatting. msvcrt.dll needs no such set-up, so only the symbol is needed.
int _fltused = 0x9875;

// The exception type descriptors the compiler emits (one per thrown or caught type) start with a
// pointer to type_info's vtable, even with run-time type information off (/GR-). msvcrt.dll
// matches thrown and caught types by the descriptors' names and never calls through this table,
// but the static runtime defines it, so every module with exceptions needs it defined.
static void __fastcall typeInfoDestructor(void* self) {
  (void)self;
}
const void* const typeInfoVtable[1] __asm__("??_7type_info@@6B@") = {
    (const void*)&typeInfoDestructor};

// Where an exception would leave a function that must not throw (a destructor, a noexcept
// function), the compiler calls __std_terminate. The static runtime's ends in std::terminate,
// which msvcrt.dll exports.
__declspec(noreturn) void __cdecl msvcrtTerminate(void) __asm__("?terminate@@YAXXZ");
__declspec(noreturn) void __cdecl __std_terminate(void) {
  msvcrtTerminate();
}

// --- SafeSEH

// On 32-bit x86 the exception handlers of a module are valid only if they are listed in its
// SafeSEH table, which the loader finds through the load configuration directory named
// _load_config_used. The linker builds the table (/safeseh) and fills in __safe_se_handler_table
// and __safe_se_handler_count; without this directory it marks the image as having no safe
// handlers, and Windows then refuses every C++ exception handler of the module (Wine does not
// check). The structure ends at the SafeSEH fields, the layout every loader since Windows XP
// reads; the security cookie stays 0 because the modules are built without stack cookies (/GS-).
extern const PVOID __safe_se_handler_table[];
extern const BYTE __safe_se_handler_count;

const IMAGE_LOAD_CONFIG_DIRECTORY32 _load_config_used = {
    .Size = sizeof(IMAGE_LOAD_CONFIG_DIRECTORY32),
    .SEHandlerTable = (DWORD)__safe_se_handler_table,
    .SEHandlerCount = (DWORD)&__safe_se_handler_count,
};
