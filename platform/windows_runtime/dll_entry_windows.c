// The entry point of every DLL of the clang-cl flavour (/entry:_DllMainCRTStartup@12), in place
// of the static C runtime's: it builds the module's statics before DllMain sees the attach and
// runs their destructors after DllMain has seen the detach, while the module is still there.
#include <windows.h>

#include "platform/windows_runtime/module_startup_windows.h"

// A DLL without a DllMain of its own gets this one, which accepts every notification; the
// linker takes it only when the module defines no DllMain.
BOOL WINAPI zentrikDefaultDllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
#pragma comment(linker, "/alternatename:_DllMain@12=_zentrikDefaultDllMain@12")

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

BOOL WINAPI _DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) zentrikRunStaticConstructors();
  const BOOL result = DllMain(instance, reason, reserved);
  // A failed attach is followed by no detach: the statics are torn down here instead.
  if (reason == DLL_PROCESS_DETACH || (reason == DLL_PROCESS_ATTACH && !result)) {
    zentrikRunExitFunctions();
  }
  return result;
}
