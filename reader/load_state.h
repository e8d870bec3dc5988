// Internal state of the one-time load, shared with the test seam only.
#pragma once

#include <stdint.h>

#include "platform/run_once.h"
#include "reader/load_observer.h"

extern platform::OnceFlag loadOnce;       // guards the one load of the process
extern int32_t tableLoaded;               // 1 once the load has finished; never cleared
extern uint8_t* rawTableBuffer;           // the raw data as fetched; lives until the process ends
extern const LoadObserver* loadObserver;  // who watches the load; null: nobody
