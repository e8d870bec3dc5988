# How MinGW-w64 binaries get their C and C++ runtimes.
#
# Programs that stand alone carry libgcc, libstdc++ and winpthreads inside (-static), so they need
# no DLLs beyond the system's own. Engine modules and their hosts cannot: the engine guard throws
# exceptions from one module through another (the stand-in's DLL, the package module, the host),
# and the 32-bit DWARF unwinder of this compiler only finds the frames of other modules when every
# module shares one libgcc_s_dw2-1.dll. Those targets set ZENTRIK_SHARED_UNWINDER and link libgcc
# (and, through it, winpthreads) as DLLs, which are copied beside the executables.
add_link_options(
  "$<IF:$<BOOL:$<TARGET_PROPERTY:ZENTRIK_SHARED_UNWINDER>>,-static-libstdc++;-shared-libgcc,-static>")

foreach(dll libgcc_s_dw2-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${dll}")
  endif()
  file(COPY ${path} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
endforeach()

# zentrik_shared_unwinder(TARGET...): the targets that throw exceptions to each other.
function(zentrik_shared_unwinder)
  foreach(target IN LISTS ARGN)
    if(TARGET ${target})
      set_target_properties(${target} PROPERTIES ZENTRIK_SHARED_UNWINDER ON)
    endif()
  endforeach()
endfunction()
