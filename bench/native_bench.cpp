// The native call after the load, made the way the engine makes it: the package module is loaded
// by path, its class and native are found through its exports, an actor is spawned, and
// GetCPUSerialNumber is called with a frame whose parameter list is empty. Beside it, the string
// copies the native makes, alone, and getRecord, so that the summary shows what the call is made
// of.
#include <benchmark/benchmark.h>

#include "Engine.h"
#include "base/text_buffer.h"
#include "bench/bench_tables.h"
#include "bench/tracked_alloc.h"
#include "module_loader.h"
#include "package/widen.h"

namespace {

struct LoadedPackage {
  void* module = nullptr;
  UObject* actor = nullptr;
  Native native = nullptr;
};

// The module's reader is its own, apart from the benchmark's: it loads on the first call.
LoadedPackage& package() {
  static LoadedPackage loaded = [] {
    LoadedPackage p;
    char error[512];
    p.module = openModule(ZENTRIK_MODULE_PATH, error, sizeof error);
    if (p.module == nullptr) return p;
    auto* cls = static_cast<UClass* const*>(findExport(p.module, "autoclassAQuorActor"));
    auto* native =
        static_cast<const Native*>(findExport(p.module, "intAQuorActorexecGetCPUSerialNumber"));
    if (cls == nullptr || native == nullptr) return p;
    p.actor = UObject::StaticSpawn(*cls);
    p.native = *native;
    return p;
  }();
  return loaded;
}

void callNative(const LoadedPackage& p, FString* result) {
  BYTE code[] = {EX_EndFunctionParms};
  FFrame stack(p.actor);
  stack.Code = code;
  (p.actor->*p.native)(stack, result);
}

void nativeBench(benchmark::State& state, const BenchTable* t) {
  serveUntracked(t->raw.data(), t->raw.size());
  const LoadedPackage& p = package();
  if (p.actor == nullptr) {
    state.SkipWithError("the package module cannot be loaded from " ZENTRIK_MODULE_PATH);
    return;
  }
  FString result;
  callNative(p, &result);  // the load
  if (*result == nullptr || (*result)[0] == 0) {
    state.SkipWithError("the native returned no processor ID");
    return;
  }
  for (auto _ : state) {
    callNative(p, &result);
    benchmark::DoNotOptimize(*result);
  }
}

// What the native copies on every call: the ID text into a narrow string, widened, then into
// the result string.
void copiesBench(benchmark::State& state) {
  const char* const id = "A1 06 0B 00 FF FB EB BF";
  FString result;
  for (auto _ : state) {
    benchmark::DoNotOptimize(id);
    TextBuffer narrow;
    narrow.append(id);
    WideText wide;
    wide.assignWidened(narrow.text(), narrow.size());
    result = wide.text();
    benchmark::DoNotOptimize(*result);
  }
}

}  // namespace

void registerNativeBenchmarks(const BenchTable* table) {
  benchmark::RegisterBenchmark("native/GetCPUSerialNumber", nativeBench, table)
      ->Unit(benchmark::kNanosecond);
  benchmark::RegisterBenchmark("copies/GetCPUSerialNumber", copiesBench)
      ->Unit(benchmark::kNanosecond);
}
