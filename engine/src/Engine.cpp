#include "Engine.h"

AActor::AActor() : Location{0, 0, 0}, Velocity{0, 0, 0}, LifeSpan(0) {}
AActor::~AActor() = default;
void AActor::ProcessEvent(UFunction*, void*, void*) {}
void AActor::ProcessState(FLOAT) {}
UBOOL AActor::ProcessRemoteFunction(UFunction*, void*, FFrame*) {
  return 0;
}
void AActor::PostLoad() {}
void AActor::Destroy() {}
void AActor::Serialize(FArchive&) {}
UBOOL AActor::IsPendingKill() {
  return 0;
}
void AActor::InitExecution() {}
void AActor::PostEditChange() {}

INT* AActor::GetOptimizedRepList(BYTE*, INT* reps, INT) {
  return reps;
}
UBOOL AActor::ShouldDoScriptReplication() {
  return 1;
}
UBOOL AActor::NoVariablesToReplicate(AActor*) {
  return 0;
}
void AActor::CheckRecentChanges() {}
FLOAT AActor::UpdateFrequency(AActor*) {
  return 0;
}
FLOAT AActor::GetNetPriority(AActor*, FLOAT time, FLOAT) {
  return time;
}
FLOAT AActor::WorldLightRadius() const {
  return 0;
}
UBOOL AActor::Tick(FLOAT, INT) {
  return 1;
}
void AActor::PostEditMove() {}
void AActor::PreRaytrace() {}
void AActor::PostRaytrace() {}
void AActor::Spawned() {}
void AActor::PreNetReceive() {}
void AActor::PostNetReceive() {}
UObject* AActor::GetSkin(INT) {
  return nullptr;
}
UObject* AActor::GetAnim() {
  return nullptr;
}
FCoords AActor::ToLocal() const {
  return FCoords{Location, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
}
FCoords AActor::ToWorld() const {
  return FCoords{Location, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
}
void AActor::performPhysics(FLOAT) {}

UClass* AActor::StaticClass() {
  static UClass actorClass(
      EC_NativeConstructor, sizeof(AActor), 0, UObject::StaticClass(), UObject::StaticClass(),
      FGuid(), TEXT("Actor"), TEXT("Engine"), UObject::StaticConfigName(),
      RF_Public | RF_Standalone | RF_Transient | RF_Native,
      [](void* where) {
        if (where != nullptr) new (where) AActor;
      },
      &UObject::StaticConstructor);
  return &actorClass;
}
