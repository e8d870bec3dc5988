// The module entry point: the package needs nothing from the loader's notifications.
#if defined(_WIN32)
#include <windows.h>

// Exported as _DllMain@12: Microsoft's toolchains keep the decoration of standard-call names.
extern "C" __declspec(dllexport) BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
#endif
