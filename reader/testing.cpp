#include "reader/testing.h"

#include <stdlib.h>

#include "reader/load_state.h"

void resetReaderForTesting() {
  free(rawTableBuffer);
  rawTableBuffer = nullptr;
  tableLoaded = 0;
  // No caller is inside getRecord while a test resets, so the flag may start over.
  loadOnce = platform::OnceFlag{};
  observeLoad(nullptr);
}
