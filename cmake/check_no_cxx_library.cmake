# Checks that compiled objects of shipped code use nothing of the C++ standard library: no name
# in std::, and none of the run-time type queries (typeid, dynamic_cast) that the engine's
# toolchain lacks. What the compiler's own ABI support provides (exceptions, static guards, and
# std::terminate, which the language calls when an exception leaves a destructor) is allowed.
# Usage: cmake -DNM=... "-DOBJECTS=a.o;b.o" -P check_no_cxx_library.cmake
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/command_lines.cmake)
command_lines(lines "${NM} on the objects" ${NM} -u -C ${OBJECTS})
set(found)
foreach(line IN LISTS lines)
  if(line MATCHES "std::|__dynamic_cast|__cxa_bad_typeid|__cxa_bad_cast" AND
     NOT line MATCHES " std::terminate\\(\\)$")
    string(STRIP "${line}" line)
    list(APPEND found "${line}")
  endif()
endforeach()
list(REMOVE_DUPLICATES found)
if(found)
  list(JOIN found "\n  " found)
  message(FATAL_ERROR "shipped code uses the C++ standard library:\n  ${found}")
endif()
list(LENGTH OBJECTS count)
message(STATUS "${count} objects of shipped code use nothing of the C++ standard library")
