#include "package/QuorActor.h"

#include <string>

#include "package/widen.h"
#include "reader/records.h"

const TCHAR* GPackage = TEXT("Zentrik");

// The class object, then its published address, then the native: static initialisation runs
// these in this order when the module is loaded.
static UClass PrivateStaticClassAQuorActor(EC_NativeConstructor, sizeof(AQuorActor), 0,
                                           AActor::StaticClass(), UObject::StaticClass(),
                                           FGuid(0, 0, 0, 0), &TEXT("AQuorActor")[1], GPackage,
                                           UObject::StaticConfigName(),
                                           RF_Public | RF_Transient | RF_Standalone | RF_Native,
                                           AQuorActor::InternalConstructor,
                                           &UObject::StaticConstructor);

UClass* AQuorActor::StaticClass() {
  return &PrivateStaticClassAQuorActor;
}

UClass* autoclassAQuorActor = AQuorActor::StaticClass();

Native intAQuorActorexecGetCPUSerialNumber =
    static_cast<Native>(&AQuorActor::execGetCPUSerialNumber);

static const BYTE registeredGetCPUSerialNumber =
    GRegisterNative(-1, intAQuorActorexecGetCPUSerialNumber);

void AQuorActor::InternalConstructor(void* where) {
  if (where != nullptr) new (where) AQuorActor;
}

AQuorActor::~AQuorActor() {
  ConditionalDestroy();
}

void AQuorActor::execGetCPUSerialNumber(FFrame& Stack, void* const Result) {
  guard(AQuorActor::execGetCPUSerialNumber);
  // No parameters: step over the byte that closes the empty parameter list.
  Stack.Code++;
  std::string CPUSn;
  const auto* processor = static_cast<const ProcessorRecord*>(getRecord(kProcessorCategory));
  if (processor != nullptr && processor->id != nullptr) {
    CPUSn = processor->id;
    const std::basic_string<TCHAR> WideCPUSn = widenSignExtended(CPUSn);
    *static_cast<FString*>(Result) = WideCPUSn.c_str();
  } else {
    GLog->Logf(TEXT("Couldn't get the relevant information. Contact the author!!"));
    *static_cast<FString*>(Result) = "";
  }
  unguard;
}
