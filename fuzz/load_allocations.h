// Lets one process run the load again and again without piling up memory, and lets the replay
// programs run it again as memory runs out at each of its allocations in turn. The design keeps
// the texts, the raw table and the memory device list of its one load until the process ends; a
// fuzzer runs millions of loads in one process, so each run gives them back.
#pragma once

// Frees the record store's text arena, the memory device list and the raw table, and puts the
// records and the reader back to their state before any load.
void releaseLoad();

// The heap allocations (malloc, calloc, realloc) of the code under test, counted in the replay
// programs, whose link sends them through fuzz/allocation_wraps.cpp. The one numbered failAt
// (from 1; 0 fails none) returns null, as when memory runs out. Always zero in the fuzzers.
struct AllocationCount {
  unsigned long made;
  unsigned long failAt;
  bool failed;  // the one numbered failAt was asked for: a result may lack what needed it
};
extern AllocationCount loadAllocations;
