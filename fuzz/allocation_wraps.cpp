// The replay programs link with --wrap=malloc, --wrap=calloc and --wrap=realloc, so that every
// call their own objects make (the code under test among them) lands here and can be made to
// fail by its number. The C and C++ runtimes' own calls are not wrapped.
#include <cerrno>
#include <cstddef>

#include "fuzz/load_allocations.h"

extern "C" void* __real_malloc(size_t size);
extern "C" void* __real_calloc(size_t count, size_t size);
extern "C" void* __real_realloc(void* block, size_t size);

static bool failsNow() {
  if (++loadAllocations.made != loadAllocations.failAt) return false;
  loadAllocations.failed = true;
  errno = ENOMEM;
  return true;
}

extern "C" void* __wrap_malloc(size_t size) {
  return failsNow() ? nullptr : __real_malloc(size);
}
extern "C" void* __wrap_calloc(size_t count, size_t size) {
  return failsNow() ? nullptr : __real_calloc(count, size);
}
extern "C" void* __wrap_realloc(void* block, size_t size) {
  return failsNow() ? nullptr : __real_realloc(block, size);
}
