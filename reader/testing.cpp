#include "reader/testing.h"

#include <cstdlib>

#include "reader/load_state.h"

void resetReaderForTesting() {
  free(rawTableBuffer);
  rawTableBuffer = nullptr;
  tableLoaded.store(0);
}
