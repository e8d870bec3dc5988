// The start-up work every module of the clang-cl flavour shares; its entry points
// (platform/dll_entry_windows.c, platform/exe_entry_windows.c) call these.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Runs the module's static constructors in the order the linker laid them out.
void zentrikRunStaticConstructors(void);
// Runs what the module registered with atexit (static destructors), last registered first, and
// forgets it.
void zentrikRunExitFunctions(void);

#ifdef __cplusplus
}
#endif
