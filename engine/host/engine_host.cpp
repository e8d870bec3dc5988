// engine-host: does with a package module what the engine does: loads it, finds its exports,
// spawns an instance of its class and calls one native function on it, then prints the string
// the function returns, alone on standard output. Engine log lines go to standard error as
// "Log: <text>", and so does whatever the module writes to standard output.
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "Engine.h"
#include "base/compiler.h"
#include "base/limits.h"
#include "base/text_buffer.h"
#include "base/widen.h"
#include "module_loader.h"
#include "platform/firmware_table.h"
#include "platform/serving/served_firmware_table.h"
#include "platform/serving/stdout_redirect.h"
#include "tablefile/table_file.h"

#if defined(_WIN32)
#include "platform/import_patch/import_patch.h"
#endif

namespace {

// Exit statuses, shared with the zentrik tool: the native returned; the module, class or native
// cannot be used, or an exception left the native; a usage error or a table input that cannot be
// used; this machine's table could not be read; the output could not be written (in place of 0
// and 1 only).
constexpr int kFailure = 1;
constexpr int kUsageError = 2;
constexpr int kNoTable = 3;
constexpr int kOutputError = 4;

int fail(const char* format, ...) ZENTRIK_PRINTF_FORMAT(1, 2);
int fail(const char* format, ...) {
  fputs("engine-host: ", stderr);
  va_list args;
  va_start(args, format);
  vfprintf(stderr, format, args);
  va_end(args);
  fputc('\n', stderr);
  return kFailure;
}

constexpr char kUsage[] =
    "usage: engine-host [--table IN [--format auto|rsmb|dump|raw|bare]] MODULE [CLASS [NATIVE]]\n";

constexpr char kHelp[] =
    "\n"
    "Loads MODULE as the engine does, spawns an actor of CLASS (QuorActor) and calls its native\n"
    "NATIVE (GetCPUSerialNumber), then prints the string it returns, alone on standard output.\n"
    "Engine log lines, and whatever the module writes to standard output, go to standard error.\n"
    "\n"
    "  --table IN     serve a captured table instead of this machine's firmware: a file, '-'\n"
    "                 for standard input, or a folder holding smbios_entry_point and DMI, in\n"
    "                 every layout 'zentrik' reads\n"
    "  --format FMT   the layout of the file: auto (the default), rsmb (8-byte header, then the\n"
    "                 table), dump (SMBIOS entry point at offset 0), or raw, also called bare\n"
    "                 (the bare structure table)\n"
    "  --help, -h     show this help\n"
    "\n"
    "Exit status:\n"
    "  0  the native returned\n"
    "  1  the module, class or native cannot be used, or an exception left the native or\n"
    "     stopped the engine\n"
    "  2  a usage error, or a table input that cannot be used\n"
    "  3  this machine's firmware table could not be read\n"
    "  4  the output could not be written\n";

int usage() {
  fputs(kUsage, stderr);
  return kUsageError;
}

// One of the host's own texts, joined from parts on the heap; "" where memory ran out.
class Text {
 public:
  Text(const char* a, const char* b = "", const char* c = "") {
    buffer_.append(a);
    buffer_.append(b);
    buffer_.append(c);
  }
  const char* text() const { return buffer_.failed() ? "" : buffer_.text(); }

 private:
  TextBuffer buffer_;
};

// 16-bit engine text as UTF-8, for printing.
class Utf8 {
 public:
  explicit Utf8(const TCHAR* text) {
    const INT length = appToUtf8(text, nullptr, 0);
    bytes_ = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
    if (bytes_ != nullptr) appToUtf8(text, bytes_, length + 1);
  }
  ~Utf8() { free(bytes_); }
  Utf8(const Utf8&) = delete;
  Utf8& operator=(const Utf8&) = delete;
  const char* text() const { return bytes_ != nullptr ? bytes_ : ""; }

 private:
  char* bytes_ = nullptr;
};

bool sameText(const TCHAR* a, const TCHAR* b) {
  while (*a != 0 && *a == *b) ++a, ++b;
  return *a == *b;
}

int run(int argc, char** argv) {
  const char* tablePath = nullptr;
  TableFormat format = TableFormat::Auto;
  bool hasFormat = false;
  const char* positional[3] = {};
  int positionalCount = 0;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
      fputs(kUsage, stdout);
      fputs(kHelp, stdout);
      return 0;
    }
    if (strcmp(arg, "--table") == 0 || strcmp(arg, "--format") == 0) {
      if (i + 1 >= argc) return usage();
      const char* value = argv[++i];
      if (arg[2] == 't') {
        tablePath = value;
      } else if (!parseTableFormat(value, &format)) {
        return usage();
      } else {
        hasFormat = true;
      }
    } else if (strlen(arg) > 1 && arg[0] == '-') {
      return usage();
    } else {
      if (positionalCount == 3) return usage();
      positional[positionalCount++] = arg;
    }
  }
  if (positionalCount == 0 || (hasFormat && tablePath == nullptr)) return usage();
  const char* const modulePath = positional[0];
  const char* const className = positionalCount > 1 ? positional[1] : "QuorActor";
  const char* const nativeName = positionalCount > 2 ? positional[2] : "GetCPUSerialNumber";

  const bool serving = tablePath != nullptr;
  TextBuffer raw;
  if (serving) {
    TextBuffer error;
    TextBuffer notice;
    if (!readTableInput(tablePath, format, &raw, &error, &notice)) {
      fail("cannot read table file %s", error.text());
      return kUsageError;
    }
    if (!notice.empty()) fprintf(stderr, "engine-host: %s\n", notice.text());
    platform::serveRawTable(raw.bytes(), raw.size());
  }

  char loadError[kReasonCapacity] = "";
  void* module = openModule(modulePath, loadError, sizeof loadError);
  if (module == nullptr) return fail("cannot load module %s: %s", modulePath, loadError);
#if defined(_WIN32)
  // There the module's table service calls the kernel's function, which it imports: point that
  // import at the captured table. (Elsewhere the module's calls reach this program's service by
  // themselves: platform/firmware_table.h.)
  if (serving) {
    const char* steerError = "";
    if (!platform::steerFirmwareTable(module, raw.bytes(), raw.size(), &steerError)) {
      return fail("cannot serve the table to module %s: %s", modulePath, steerError);
    }
  }
#endif

  const Text classExport("autoclassA", className);
  const Text nativeExport("intA", className, Text("exec", nativeName).text());
  const char* const exports[] = {"GPackage", classExport.text(), nativeExport.text()};
  for (const char* name : exports) {
    if (findExport(module, name) == nullptr) {
      return fail("module %s has no export %s", modulePath, name);
    }
  }
  // The package's name is the exported 16-bit text itself.
  const auto* package = static_cast<const TCHAR*>(findExport(module, "GPackage"));
  UClass* const exportedClass =
      *static_cast<UClass* const*>(findExport(module, classExport.text()));
  const Native native = *static_cast<const Native*>(findExport(module, nativeExport.text()));

  BasicWideText<TCHAR> wideClassName;  // empty where memory ran out: no class has that name
  wideClassName.assignWidened(className, strlen(className));
  UClass* cls = UClass::FindClass(wideClassName.text());
  if (cls == nullptr || cls != exportedClass) {
    return fail("class %s is not registered by module %s", className, modulePath);
  }
  if (!sameText(cls->GetPackageName(), package)) {
    return fail("class %s is not registered in the package of %s", className, modulePath);
  }
  if (!cls->IsChildOf(AActor::StaticClass()) || cls->GetConstructor() == nullptr) {
    return fail("class %s cannot be spawned as an actor", className);
  }
  if (native == nullptr) return fail("export %s holds no function", nativeExport.text());

  UObject* actor = UObject::StaticSpawn(cls);
  // The call site's byte code: only the end of the (empty) parameter list.
  BYTE code[] = {EX_EndFunctionParms};
  FFrame stack(actor);
  stack.Code = code;
  FString result;
  {
    // The one-time load may write diagnostics to standard output: they go to standard error,
    // so that standard output holds the result alone.
    const StdoutOnStderr redirect;
    try {
      (actor->*native)(stack, &result);
    } catch (const TCHAR* error) {
      return fail("%s raised an engine error: %s", nativeName, Utf8(error).text());
    } catch (...) {
      return fail("%s failed (%s)", nativeName, Utf8(appUnwindHistory()).text());
    }
  }

#if defined(_WIN32)
  // The module's calls went to the kernel or the steered copy, not to this program's service;
  // that reads the same source (the same file, or the same kernel), so one size query tells
  // whether it can.
  platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, nullptr, 0);
#endif
  const char* tableError = platform::firmwareTableError();
  if (tableError[0] != '\0') {
    fprintf(stderr, "engine-host: cannot read the %s firmware table: %s\n",
            serving ? "served" : "live", tableError);
  }
  printf("%s\n", Utf8(*result).text());

  delete actor;
  closeModule(module);
  return tableError[0] != '\0' ? kNoTable : 0;
}

}  // namespace

// The engine's outermost guard: whatever leaves the engine's code or a module's on its way up
// (the stand-in's out-of-memory, for one) ends the program with the unwind history and status 1,
// never with an abort.
int main(int argc, char** argv) {
  useBinaryStandardStreams();
  int status = kFailure;
  try {
    status = run(argc, argv);
  } catch (const TCHAR* error) {
    status = fail("stopped by an engine error: %s", Utf8(error).text());
  } catch (...) {
    const TCHAR* history = appUnwindHistory();
    status = fail("stopped by an exception (unwind history: %s)",
                  history[0] != 0 ? Utf8(history).text() : "empty");
  }
  // A result that did not reach standard output is no result.
  if (!finishStandardOutput("engine-host") && status <= kFailure) status = kOutputError;
  return status;
}
