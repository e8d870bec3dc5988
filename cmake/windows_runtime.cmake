# The clang-cl flavour's own start-up code and C runtime additions (platform/windows_runtime/), in
# place of Microsoft's static C runtime, which is not linked. Every module built after this
# links them; the linker takes the entry point the module needs and what that refers to.
enable_language(C)

set(folder platform/windows_runtime)
zentrik_layer(NAME zentrik_windows_runtime KIND STATIC
  SOURCES ${folder}/module_startup_windows.c ${folder}/dll_entry_windows.c
          ${folder}/exe_entry_windows.c ${folder}/crt_compat_windows.cpp
  PRIVATE_HEADERS ${folder}/module_startup_windows.h ${folder}/crt_compat_windows.h
  PRIVATE_DEPENDS zentrik_base)
link_libraries(zentrik_windows_runtime)

# The engine's 16-bit text is unsigned short to its compiler, not a built-in wchar_t: with the
# built-in type off, wchar_t is that typedef (platform/windows_runtime/crt_compat_windows.h) and
# decorates as the engine's modules export it (G, not _W).
option(ZENTRIK_NATIVE_WCHAR_T
       "clang-cl: 16-bit text as a built-in wchar_t, for an engine built with one" OFF)
if(NOT ZENTRIK_NATIVE_WCHAR_T)
  add_compile_options("SHELL:$<$<COMPILE_LANGUAGE:CXX>:-Xclang -fno-wchar>")
endif()
