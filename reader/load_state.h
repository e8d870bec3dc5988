// Internal state of the one-time load, shared with the test seam only.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> tableLoaded;  // 1 once the load has finished; never cleared
extern uint8_t* rawTableBuffer;           // the raw data as fetched; lives until the process ends
