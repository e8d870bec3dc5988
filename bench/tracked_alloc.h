// The reader keeps every text it decodes until the process ends, so a benchmark that loads a table
// thousands of times would grow without bound. The benchmark executable is linked with
// --wrap=malloc,calloc,realloc,free: every block the reader and the decoders take from the heap is
// still a real heap block, but it is also kept on a list, so that the benchmark can give all of it
// back between two loads, outside the timed region.
#pragma once

#include <cstddef>

// Frees every block taken through the wrapped functions and not yet freed.
void releaseTrackedAllocations();
// Bytes currently held through the wrapped functions.
size_t trackedBytes();

// While one exists, blocks taken are not tracked, so that what outlives every load (the table a
// benchmark serves) is not given back with the loads.
class UntrackedAllocations {
 public:
  UntrackedAllocations();
  ~UntrackedAllocations();
  UntrackedAllocations(const UntrackedAllocations&) = delete;
  UntrackedAllocations& operator=(const UntrackedAllocations&) = delete;

 private:
  bool wasTracking_;
};

// Serves a table to the reader, outside the tracked blocks.
void serveUntracked(const void* raw, size_t size);
