# Checks that an ELF program loads no shared library but the ones allowed: the start-up cost of a
# small program is mostly the dynamic loader's work on the libraries it needs.
# Usage: cmake -DOBJDUMP=objdump -DPROGRAM=path "-DALLOWED=libc.so.6" -P check_needed_libraries.cmake
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/command_lines.cmake)
command_lines(lines "${OBJDUMP} -p ${PROGRAM}" ${OBJDUMP} -p ${PROGRAM})
set(unwanted)
foreach(line IN LISTS lines)
  if(line MATCHES "^ *NEEDED +([^ ]+)$" AND NOT CMAKE_MATCH_1 IN_LIST ALLOWED)
    list(APPEND unwanted ${CMAKE_MATCH_1})
  endif()
endforeach()
get_filename_component(name ${PROGRAM} NAME)
if(unwanted)
  list(JOIN unwanted ", " unwanted)
  message(FATAL_ERROR "${name} needs ${unwanted}, beyond ${ALLOWED}")
endif()
message(STATUS "${name} needs no shared library beyond ${ALLOWED}")
