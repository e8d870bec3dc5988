/* Preloaded into a program under test (LD_PRELOAD): counts its heap allocations through malloc,
   calloc and realloc, and fails the one numbered ZENTRIK_FAIL_ALLOCATION (counting from 1) as
   when memory runs out; every other goes to the C library's allocator. Where
   ZENTRIK_ALLOCATION_COUNT names a file, the count is written there when the program exits.
   Needs glibc, whose allocator is also reachable as __libc_malloc and its kin. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>

extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* block, size_t size);

static long failAt = -1; /* read on the first allocation; 0 fails none */
static long calls = 0;

static int failsNow(void) {
  if (failAt < 0) {
    const char* at = getenv("ZENTRIK_FAIL_ALLOCATION");
    failAt = at != NULL ? atol(at) : 0;
  }
  if (++calls != failAt) return 0;
  errno = ENOMEM;
  return 1;
}

void* malloc(size_t size) {
  return failsNow() ? NULL : __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
  return failsNow() ? NULL : __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) {
  return failsNow() ? NULL : __libc_realloc(block, size);
}

__attribute__((destructor)) static void writeCount(void) {
  const long total = calls; /* before fopen allocates */
  const char* path = getenv("ZENTRIK_ALLOCATION_COUNT");
  if (path == NULL) return;
  FILE* file = fopen(path, "w");
  if (file == NULL) return;
  fprintf(file, "%ld\n", total);
  fclose(file);
}
