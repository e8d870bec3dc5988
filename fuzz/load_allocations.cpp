#include "fuzz/load_allocations.h"

#include <cstdlib>

#include "reader/testing.h"
#include "records/record_store.h"

AllocationCount loadAllocations = {0, 0, false};

void releaseLoad() {
  recordTexts.release();
  // Earlier lists were freed when the list grew; resetRecords forgets this one without freeing.
  free(memoryDevices);
  memoryDevices = nullptr;
  resetRecords();
  resetReaderForTesting();
}
