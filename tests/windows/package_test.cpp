// Zentrik.dll in the engine's ABI, as the engine sees it (tests/support/package_checks.h):
// loaded at run time against the stand-in's Core.dll and Engine.dll, its firmware table served
// by steering its import of the kernel function. Exceptions cross three modules here: thrown in
// Core.dll, through the native in Zentrik.dll, caught in this program.
// Usage: package_test [MODULE]: the Zentrik.dll of this build, or MODULE (the one built against
// the engine's SDK).
#include "platform/import_patch/import_patch.h"
#include "tests/support/package_checks.h"
#include "tests/windows/check.h"

namespace package_checks {

const char* modulePath = ZENTRIK_MODULE_PATH;

bool check(bool ok, const char* what) {
  return windows_test::check(ok, what);
}

void begin(const char* what) {
  printf("   %s\n", what);
}

void* openWithTable(const uint8_t* raw, size_t size) {
  platform::resetSteeredFirmwareTableCallCount();
  char error[256] = "";
  void* module = openModule(modulePath, error, sizeof error);
  if (!check(module != nullptr, "Zentrik.dll loads")) {
    printf("      %s\n", error);
    return nullptr;
  }
  const char* steerError = "";
  if (check(platform::steerFirmwareTable(module, raw, size, &steerError),
            "the module's table can be steered")) {
    return module;
  }
  printf("      %s\n", steerError);
  closeModule(module);
  return nullptr;
}

uint32_t tableReads() {
  return platform::steeredFirmwareTableCallCount();
}

}  // namespace package_checks

int main(int argc, char** argv) {
  using namespace package_checks;
  if (argc > 1) modulePath = argv[1];
  printf("%s\n", modulePath);
  const uint32_t kEngineInstanceSize = 524;  // what the engine allocates for each QuorActor
  Package package;
  puts("-- the class and the native are registered when the module loads");
  registration(package, kEngineInstanceSize);
  puts("-- instances are built and freed with the registered size");
  instances(package, kEngineInstanceSize);
  puts("-- unloading unregisters the class");
  unloading(package);
  puts("-- the processor ID, read once");
  processorIdReadOnce(package);
  puts("-- of several processors the last");
  lastProcessorWins(package);
  puts("-- without a processor ID every call logs once and returns an empty string");
  withoutProcessorId(package);
  puts("-- the guard passes engine errors on and records others");
  guardCases(package);
  package.unload();
  return windows_test::finish();
}
