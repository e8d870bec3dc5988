// Stand-in for the engine's Engine module: the actor class packages derive from, declared as the
// engine's SDK declares it (see Core.h).
#pragma once

#include "Core.h"

#if defined(STANDIN_ENGINE_BUILD)
#define ENGINE_API DLL_EXPORT
#else
#define ENGINE_API DLL_IMPORT
#endif

struct FMeshAnimSeq;
struct FPropertyRetirement;
class UTexture;

// How far a level's tick goes.
enum ELevelTick { LEVELTICK_TimeOnly = 0, LEVELTICK_ViewportsOnly = 1, LEVELTICK_All = 2 };

// Base of every actor. The virtual functions keep the engine's slot order: first those of
// UObject (some overridden here), then the actor's own.
class ENGINE_API AActor : public UObject {
 public:
  AActor() {}
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

  virtual INT* GetOptimizedRepList(BYTE* recent, FPropertyRetirement* retire, INT* reps,
                                   UPackageMap* map, INT count);
  virtual UBOOL ShouldDoScriptReplication();
  virtual UBOOL NoVariablesToReplicate(AActor* previous);
  virtual UBOOL CheckRecentChanges();
  virtual FLOAT UpdateFrequency(AActor* viewer, FVector& viewDirection, FVector& viewPosition);
  virtual FLOAT GetNetPriority(AActor* sent, FLOAT time, FLOAT lag);
  virtual FLOAT WorldLightRadius() const;
  virtual UBOOL Tick(FLOAT deltaTime, ELevelTick tickType);
  virtual void PostEditMove();
  virtual void PreRaytrace();
  virtual void PostRaytrace();
  virtual void Spawned();
  virtual void PreNetReceive();
  virtual void PostNetReceive();
  virtual UTexture* GetSkin(INT index);
  virtual FMeshAnimSeq* GetAnim(FName sequence);
  virtual FCoords ToLocal() const;
  virtual FCoords ToWorld() const;
  virtual void performPhysics(FLOAT deltaSeconds);

  // The class object itself is exported, as in the engine (see UObject).
  static UClass* StaticClass() { return &PrivateStaticClass; }

 private:
  static UClass PrivateStaticClass;

 public:
#if STANDIN_ENGINE_LAYOUT
  // In the engine's ABI the engine allocates actors of the size a class registers and reaches
  // its fields by offset, so there an actor has the engine's size, 524 bytes, and Location sits
  // where the engine has it. The rest of the engine's own actor the stand-in does not use.
  BYTE ReservedEngineFields[168];
#endif
  // Where the actor stands; the stand-in keeps only what a spawn sets.
  FVector Location;
#if STANDIN_ENGINE_LAYOUT
  BYTE MoreReservedEngineFields[304];
#endif
};

#if STANDIN_ENGINE_LAYOUT
static_assert(offsetof(AActor, Location) == 208, "Location sits where the engine has it");
static_assert(sizeof(AActor) == 524, "AActor has the engine's object size");
#endif
