// Stand-in for the engine's Engine module: the actor class packages derive from.
#pragma once

#include "Core.h"

#if defined(STANDIN_ENGINE_BUILD)
#define ENGINE_API DLL_EXPORT
#else
#define ENGINE_API DLL_IMPORT
#endif

struct FVector {
  FLOAT X, Y, Z;
};

struct FCoords {
  FVector Origin, XAxis, YAxis, ZAxis;
};

// Base of every actor. The virtual functions keep the engine's slot order: first those of
// UObject (some overridden here), then the actor's own.
class ENGINE_API AActor : public UObject {
 public:
  AActor();
  ~AActor() override;
  void ProcessEvent(UFunction* function, void* parms, void* result = nullptr) override;
  void ProcessState(FLOAT deltaSeconds) override;
  UBOOL ProcessRemoteFunction(UFunction* function, void* parms, FFrame* stack) override;
  void PostLoad() override;
  void Destroy() override;
  void Serialize(FArchive& archive) override;
  UBOOL IsPendingKill() override;
  void InitExecution() override;
  void PostEditChange() override;

  virtual INT* GetOptimizedRepList(BYTE* recent, INT* reps, INT count);
  virtual UBOOL ShouldDoScriptReplication();
  virtual UBOOL NoVariablesToReplicate(AActor* previous);
  virtual void CheckRecentChanges();
  virtual FLOAT UpdateFrequency(AActor* viewer);
  virtual FLOAT GetNetPriority(AActor* sent, FLOAT time, FLOAT lastFullUpdateTime);
  virtual FLOAT WorldLightRadius() const;
  virtual UBOOL Tick(FLOAT deltaTime, INT tickType);
  virtual void PostEditMove();
  virtual void PreRaytrace();
  virtual void PostRaytrace();
  virtual void Spawned();
  virtual void PreNetReceive();
  virtual void PostNetReceive();
  virtual UObject* GetSkin(INT index);
  virtual UObject* GetAnim();
  virtual FCoords ToLocal() const;
  virtual FCoords ToWorld() const;
  virtual void performPhysics(FLOAT deltaSeconds);

  static UClass* StaticClass();

  // Where the actor stands and how it moves; the stand-in keeps only what a spawn sets.
  FVector Location;
  FVector Velocity;
  FLOAT LifeSpan;

#if defined(_MSC_VER) && defined(_M_IX86)
  // The rest of the engine's own actor, which the stand-in does not use. In the engine's ABI the
  // engine allocates actors of the size a class registers and reaches its fields by offset, so
  // there an actor has the engine's size: 524 bytes with these 40.
  BYTE ReservedEngineFields[484];
#endif
};

#if defined(_MSC_VER) && defined(_M_IX86)
static_assert(sizeof(AActor) == 524, "AActor has the engine's object size");
#endif
