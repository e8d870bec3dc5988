#include <windows.h>

#include "platform/run_once.h"

namespace platform {

namespace {

static_assert(sizeof(INIT_ONCE) == sizeof(OnceFlag), "OnceFlag holds exactly an INIT_ONCE");

BOOL CALLBACK callOnce(PINIT_ONCE, PVOID parameter, PVOID*) {
  (*static_cast<void (**)()>(parameter))();
  return TRUE;
}

}  // namespace

void runOnce(OnceFlag* flag, void (*function)()) {
  // INIT_ONCE is a union of one pointer: the flag's pointer is its storage.
  InitOnceExecuteOnce(reinterpret_cast<PINIT_ONCE>(&flag->state), callOnce, &function, nullptr);
}

}  // namespace platform
