// Runs a function once per process with the system's own one-time primitive (pthread_once on
// POSIX, InitOnceExecuteOnce on Windows), so that no module needs a thread library of its own.
#pragma once

#if !defined(_WIN32)
#include <pthread.h>
#endif

namespace platform {

// A one-time flag. Its initial state needs no constructor to run, so a global flag is ready
// before any code of the module runs.
struct OnceFlag {
#if defined(_WIN32)
  void* state = nullptr;  // an INIT_ONCE, whose initial state is one null pointer
#else
  pthread_once_t state = PTHREAD_ONCE_INIT;
#endif
};

// The first call for a flag runs function; calls that come while it runs wait until it has
// returned, and every later call returns at once. function must not throw.
void runOnce(OnceFlag* flag, void (*function)());

}  // namespace platform
