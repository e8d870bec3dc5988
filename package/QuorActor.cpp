#include "package/QuorActor.h"

#include "base/text_buffer.h"
#include "package/widen.h"
#include "reader/reader.h"

#if defined(_MSC_VER) && defined(_M_IX86)
// The engine allocates instances with the registered size and reaches its own fields in them by
// offset: the class must have the size of the engine build this package targets.
static_assert(sizeof(AQuorActor) == 524, "AQuorActor has the engine's object size");
#endif

// The engine's text of a narrow text that a macro names.
#define ENGINE_TEXT(narrow) TEXT(narrow)

namespace {

// Thrown when the native's local strings cannot get memory; the guard records the native in the
// unwind history and passes it on, as for any exception that is not the engine's.
struct OutOfMemory {};

}  // namespace

// The package's name, exported as the engine's headers declare it: the 16-bit text itself.
DLL_EXPORT TCHAR GPackage[] = TEXT("Zentrik");

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
  // The engine's objects have their own operator new; this is the one for given memory.
  if (where != nullptr) new (static_cast<EInternal*>(where)) AQuorActor;
}

AQuorActor::~AQuorActor() {
  ConditionalDestroy();
}

void AQuorActor::execGetCPUSerialNumber(FFrame& Stack, void* const Result) {
  guard(AQuorActor::execGetCPUSerialNumber);
  // No parameters: step over the byte that closes the empty parameter list.
  Stack.Code++;
  TextBuffer CPUSn;
  const auto* processor = static_cast<const ProcessorRecord*>(getRecord(kProcessorCategory));
  if (processor != nullptr && processor->id != nullptr) {
    WideText WideCPUSn;
    if (!CPUSn.append(processor->id) || !WideCPUSn.assignWidened(CPUSn.text(), CPUSn.size())) {
      throw OutOfMemory();
    }
    *static_cast<FString*>(Result) = WideCPUSn.text();
  } else {
    GLog->Logf(ENGINE_TEXT(ZENTRIK_NO_PROCESSOR_ID_LINE));
    // The engine assigns strings from 16-bit text only.
    *static_cast<FString*>(Result) = TEXT("");
  }
  unguard;
}
