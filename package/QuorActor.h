// The package's one native class: an actor whose script function GetCPUSerialNumber answers
// with the machine's processor ID.
#pragma once

#include "Engine.h"

// The module exports only these names, undecorated, so the engine can find them; and GPackage,
// which the engine's headers declare.
#if defined(ZENTRIK_PACKAGE_BUILD)
#define ZENTRIK_API extern "C" DLL_EXPORT
#else
#define ZENTRIK_API extern "C" DLL_IMPORT
#endif

class AQuorActor : public AActor {
 public:
  AQuorActor() {}
  ~AQuorActor() override;

  static UClass* StaticClass();
  // Builds an instance in memory the engine provides; does nothing for null.
  static void InternalConstructor(void* where);

  // string GetCPUSerialNumber(): the processor ID as "A9 06 03 00 FF FB EB BF"-style text, or an
  // empty string and one log line when the firmware does not tell it.
  void execGetCPUSerialNumber(FFrame& Stack, void* const Result);
};

ZENTRIK_API UClass* autoclassAQuorActor;
ZENTRIK_API Native intAQuorActorexecGetCPUSerialNumber;
