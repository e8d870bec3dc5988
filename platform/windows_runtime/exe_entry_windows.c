// The entry point of every executable of the clang-cl flavour (/entry:mainCRTStartup), in place
// of the static C runtime's: the command line from msvcrt.dll, the statics, main, then
// msvcrt.dll's exit, which runs the statics' destructors and flushes the standard streams.
#include <corecrt_startup.h>
#include <stdlib.h>

#include "platform/windows_runtime/module_startup_windows.h"

int main(int argc, char** argv);

static int __cdecl runExitFunctions(void) {
  zentrikRunExitFunctions();
  return 0;
}

void __cdecl mainCRTStartup(void) {
  // A console program: msvcrt.dll reports a fatal error on standard error, not in a window.
  _set_app_type(_crt_console_app);
  int argc = 0;
  char** argv = NULL;
  char** environment = NULL;
  int newMode = 0;
  __getmainargs(&argc, &argv, &environment, 0, &newMode);
  // In an executable the module's destructors belong to the process's exit, so that exit called
  // anywhere runs them, as returning from main does. (_onexit, because the name atexit is the
  // module's own.)
  _onexit(runExitFunctions);
  zentrikRunStaticConstructors();
  exit(main(argc, argv));
}
