// engine-host: does with a package module what the engine does: loads it, finds its exports,
// spawns an instance of its class and calls one native function on it, then prints the string
// the function returns. Engine log lines go to standard error as "Log: <text>".
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Engine.h"
#include "module_loader.h"
#include "platform/firmware_source.h"
#include "platform/firmware_table.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>

#include "platform/import_patch.h"
#endif

namespace {

constexpr int kFailure = 1;
constexpr int kUsage = 2;

int fail(const std::string& message) {
  fprintf(stderr, "engine-host: %s\n", message.c_str());
  return kFailure;
}

int usage() {
  fputs("usage: engine-host [--table FILE] MODULE [CLASS [NATIVE]]\n", stderr);
  return kUsage;
}

std::basic_string<TCHAR> widen(const std::string& text) {
  return std::basic_string<TCHAR>(text.begin(), text.end());
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // Line ends as on every other system, so that outputs compare byte for byte.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  std::string tablePath;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--table") {
      if (i + 1 >= argc) return usage();
      tablePath = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usage();
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.empty() || positional.size() > 3) return usage();
  const std::string modulePath = positional[0];
  const std::string className = positional.size() > 1 ? positional[1] : "QuorActor";
  const std::string nativeName = positional.size() > 2 ? positional[2] : "GetCPUSerialNumber";

  std::vector<char> raw;
  if (!tablePath.empty()) {
    std::ifstream in(tablePath, std::ios::binary);
    if (!in) return fail("cannot read table file " + tablePath + ": " + strerror(errno));
    raw.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    platform::serveRawTable(raw.data(), raw.size());
  }

  std::string loadError;
  void* module = openModule(modulePath, &loadError);
  if (module == nullptr) return fail("cannot load module " + modulePath + ": " + loadError);
#if defined(_WIN32)
  // There the module carries its own copy of the platform layer, which asks the kernel: point
  // the module's import of the kernel's function at the captured table instead.
  if (!tablePath.empty()) {
    std::string steerError;
    if (!platform::steerFirmwareTable(module, raw.data(), raw.size(), &steerError)) {
      return fail("cannot serve the table to module " + modulePath + ": " + steerError);
    }
  }
#endif

  const std::string classExport = "autoclassA" + className;
  const std::string nativeExport = "intA" + className + "exec" + nativeName;
  for (const std::string& name : {std::string("GPackage"), classExport, nativeExport}) {
    if (findExport(module, name) == nullptr) {
      return fail("module " + modulePath + " has no export " + name);
    }
  }
  const auto* package = static_cast<const TCHAR* const*>(findExport(module, "GPackage"));
  UClass* const exportedClass = *static_cast<UClass* const*>(findExport(module, classExport));
  const Native native = *static_cast<const Native*>(findExport(module, nativeExport));

  UClass* cls = UClass::FindClass(widen(className).c_str());
  if (cls == nullptr || cls != exportedClass) {
    return fail("class " + className + " is not registered by module " + modulePath);
  }
  if (*package == nullptr || std::basic_string<TCHAR>(cls->GetPackageName()) != *package) {
    return fail("class " + className + " is not registered in the package of " + modulePath);
  }
  if (!cls->IsChildOf(AActor::StaticClass()) || cls->GetConstructor() == nullptr) {
    return fail("class " + className + " cannot be spawned as an actor");
  }
  if (native == nullptr) return fail("export " + nativeExport + " holds no function");

  UObject* actor = UObject::StaticSpawn(cls);
  // The call site's byte code: only the end of the (empty) parameter list.
  BYTE code[] = {EX_EndFunctionParms};
  FFrame stack(actor, code);
  FString result;
  try {
    (actor->*native)(stack, &result);
  } catch (const TCHAR* error) {
    return fail(nativeName + " raised an engine error: " + appToUtf8(error));
  } catch (const std::exception& error) {
    return fail(nativeName + " failed: " + error.what() + " (" + appToUtf8(appUnwindHistory()) +
                ")");
  } catch (...) {
    return fail(nativeName + " failed (" + appToUtf8(appUnwindHistory()) + ")");
  }

#if defined(_WIN32)
  // The module's own copy of the platform layer is out of reach here; the host's copy reads the
  // same source (the same file, or the same kernel), so one size query tells whether it can.
  platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, nullptr, 0);
#endif
  const char* tableError = platform::firmwareTableError();
  if (tableError[0] != '\0') {
    fprintf(stderr, "engine-host: cannot read the %s firmware table: %s\n",
            tablePath.empty() ? "live" : "served", tableError);
  }
  printf("%s\n", appToUtf8(*result).c_str());
  fflush(stdout);

  delete actor;
  closeModule(module);
  return 0;
}
