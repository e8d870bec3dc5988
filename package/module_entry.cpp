// The module entry point: the package needs nothing from the loader's notifications.
#if defined(_WIN32)
#include <windows.h>

// Exported as _DllMain@12: by Zentrik.def under MinGW, by the attribute under MSVC, which keeps
// the decoration of standard-call names.
#if defined(_MSC_VER)
#define ZENTRIK_ENTRY_EXPORT __declspec(dllexport)
#else
#define ZENTRIK_ENTRY_EXPORT
#endif

extern "C" ZENTRIK_ENTRY_EXPORT BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
#endif
