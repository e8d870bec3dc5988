#include <pthread.h>

#include "platform/run_once.h"

namespace platform {

void runOnce(OnceFlag* flag, void (*function)()) {
  pthread_once(&flag->state, function);
}

}  // namespace platform
