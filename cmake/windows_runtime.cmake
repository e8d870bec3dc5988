# The clang-cl flavour's own start-up code and C runtime additions (platform/*_windows.c), in
# place of Microsoft's static C runtime, which is not linked. Every module built after this
# links them; the linker takes the entry point the module needs and what that refers to.
enable_language(C)

add_library(zentrik_windows_runtime STATIC
  ${PROJECT_SOURCE_DIR}/platform/module_startup_windows.c
  ${PROJECT_SOURCE_DIR}/platform/dll_entry_windows.c
  ${PROJECT_SOURCE_DIR}/platform/exe_entry_windows.c
  ${PROJECT_SOURCE_DIR}/platform/crt_compat_windows.c)
target_include_directories(zentrik_windows_runtime PRIVATE ${PROJECT_SOURCE_DIR})
link_libraries(zentrik_windows_runtime)

# The engine's 16-bit text is unsigned short to its compiler, not a built-in wchar_t: with the
# built-in type off, wchar_t is that typedef (platform/crt_compat_windows.h) and decorates as
# the engine's modules export it (G, not _W).
option(ZENTRIK_NATIVE_WCHAR_T
       "clang-cl: 16-bit text as a built-in wchar_t, for an engine built with one" OFF)
if(NOT ZENTRIK_NATIVE_WCHAR_T)
  add_compile_options("SHELL:$<$<COMPILE_LANGUAGE:CXX>:-Xclang -fno-wchar>")
endif()
