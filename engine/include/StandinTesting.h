// Test seam of the engine stand-in: makes chosen engine calls fail and shows what the engine
// was asked to do. Not part of the engine's interface; packages never include it.
#pragma once

#include <stddef.h>

#include "Core.h"

// What the stand-in throws when it runs out of memory, and for an injected OutOfMemory fault:
// an exception that is not the engine's error.
struct CORE_API StandinOutOfMemory {
  const char* what() const;
};

enum class StandinFaultSite { StringAssign, Logf };
enum class StandinFault {
  EngineError,  // throws standinEngineErrorText(), as the engine reports its own errors
  OutOfMemory,  // throws StandinOutOfMemory
};

// The next call at that site (any FString assignment, or Logf) throws the fault instead.
CORE_API void standinInjectFault(StandinFaultSite site, StandinFault fault);
CORE_API const TCHAR* standinEngineErrorText();

struct StandinNativeRegistration {
  INT index;
  Native function;
};
// The GRegisterNative calls since the start or the last reset, in order: how many, and each by
// its position (0 is the first).
CORE_API INT standinNativeRegistrationCount();
CORE_API StandinNativeRegistration standinNativeRegistration(INT position);

// The size of the last block GMalloc freed (an object's: its class's registered size), and how
// often an object's destruction ran through ConditionalDestroy.
CORE_API size_t standinLastFreedSize();
CORE_API int standinConditionalDestroyCount();

// Forgets registrations, unwind history, pending faults and the counters above.
CORE_API void standinResetForTesting();
