# The table builder (SMBIOS structures, raw buffers, entry points and dump files built field by
# field), one library for the tests, the samples, the fuzz seeds and the benchmarks. Each of them
# includes this file; the first defines the library.
include_guard(GLOBAL)

add_library(zentrik_table_builder STATIC ${CMAKE_CURRENT_LIST_DIR}/table_builder.cpp
                                         ${CMAKE_CURRENT_LIST_DIR}/table_files.cpp)
# Its users include it as "tests/support/table_builder.h".
target_include_directories(zentrik_table_builder PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zentrik_table_builder PRIVATE zentrik_base)
# g++ 12 at -O3 (the benchmarks' build) sees a false out-of-bounds copy in the builder's vector
# insert.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(zentrik_table_builder PRIVATE -Wno-array-bounds -Wno-stringop-overread)
endif()
