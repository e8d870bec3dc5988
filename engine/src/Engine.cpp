#include "Engine.h"

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

INT* AActor::GetOptimizedRepList(BYTE*, FPropertyRetirement*, INT* reps, UPackageMap*, INT) {
  return reps;
}
UBOOL AActor::ShouldDoScriptReplication() {
  return 1;
}
UBOOL AActor::NoVariablesToReplicate(AActor*) {
  return 0;
}
UBOOL AActor::CheckRecentChanges() {
  return 0;
}
FLOAT AActor::UpdateFrequency(AActor*, FVector&, FVector&) {
  return 0;
}
FLOAT AActor::GetNetPriority(AActor*, FLOAT time, FLOAT) {
  return time;
}
FLOAT AActor::WorldLightRadius() const {
  return 0;
}
UBOOL AActor::Tick(FLOAT, ELevelTick) {
  return 1;
}
void AActor::PostEditMove() {}
void AActor::PreRaytrace() {}
void AActor::PostRaytrace() {}
void AActor::Spawned() {}
void AActor::PreNetReceive() {}
void AActor::PostNetReceive() {}
UTexture* AActor::GetSkin(INT) {
  return nullptr;
}
FMeshAnimSeq* AActor::GetAnim(FName) {
  return nullptr;
}
FCoords AActor::ToLocal() const {
  return FCoords(Location);
}
FCoords AActor::ToWorld() const {
  return FCoords(Location);
}
void AActor::performPhysics(FLOAT) {}

UClass AActor::PrivateStaticClass(
    EC_NativeConstructor, sizeof(AActor), 0, UObject::StaticClass(), UObject::StaticClass(),
    FGuid(), TEXT("Actor"), TEXT("Engine"), UObject::StaticConfigName(),
    RF_Public | RF_Standalone | RF_Transient | RF_Native,
    [](void* where) {
      if (where != nullptr) new (static_cast<EInternal*>(where)) AActor;
    },
    &UObject::StaticConstructor);
