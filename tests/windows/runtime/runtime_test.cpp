// The clang-cl flavour's runtime across modules, without the engine: static constructors and
// destructors of an executable, a linked DLL and a DLL loaded at run time; virtual calls across
// modules; exceptions thrown in one module, recorded and rethrown in another, caught in a third;
// local statics; C99 snprintf. Exits with the number of failed checks.
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "tests/windows/runtime/runtime_core.h"

namespace {

int failures = 0;

void check(bool ok, const char* what) {
  fprintf(stdout, "%s  %s\n", ok ? "ok  " : "FAIL", what);
  if (!ok) ++failures;
}

void checkEvents(const char* expected, const char* what) {
  const bool ok = strcmp(recordedEvents(), expected) == 0;
  check(ok, what);
  if (!ok)
    fprintf(stderr, "      events: \"%s\"\n      expected: \"%s\"\n", recordedEvents(), expected);
  clearEvents();
}

int executableStatic = 0;
struct ExecutableStatic {
  ExecutableStatic() { executableStatic = 42; }
};
ExecutableStatic builtBeforeMain;

template <typename T>
T find(HMODULE module, const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

int main() {
  check(executableStatic == 42, "the executable's static constructor ran before main");
  checkEvents("core static;", "the linked DLL's static constructor ran at load");

  HMODULE plugin = LoadLibraryA("runtime_plugin.dll");
  check(plugin != nullptr, "LoadLibrary runtime_plugin.dll");
  if (plugin == nullptr) return failures;
  checkEvents("plugin static;", "the loaded DLL's static constructor ran at attach");

  auto makeSquare = find<Shape* (*)()>(plugin, "makeSquare");
  auto destroyShape = find<void (*)(Shape*)>(plugin, "destroyShape");
  auto guarded = find<void (*)(bool)>(plugin, "guarded");
  auto callsOfLocalStatic = find<int (*)()>(plugin, "callsOfLocalStatic");
  check(makeSquare && destroyShape && guarded && callsOfLocalStatic, "the plugin's exports");
  if (failures != 0) return failures;

  Shape* square = makeSquare();
  check(square->countSides() == 4, "the core calls the plugin's override through the vtable");
  destroyShape(square);

  const wchar_t* caughtText = nullptr;
  try {
    guarded(true);
  } catch (const wchar_t* text) {
    caughtText = text;
  }
  check(caughtText != nullptr && caughtText[0] == L'e',
        "16-bit text thrown in the core, caught here");
  checkEvents("local;text passes;~;local;", "the plugin passed the text on, its local torn down");

  int caughtNumber = 0;
  try {
    guarded(false);
  } catch (...) {
    try {
      throw;
    } catch (int number) {
      caughtNumber = number;
    }
  }
  check(caughtNumber == 7, "another exception caught with catch (...), rethrown, caught by type");
  checkEvents("local;other recorded;~;local;", "the plugin recorded the other exception");

  check(callsOfLocalStatic() == 1 && callsOfLocalStatic() == 2, "local statics keep their value");
  checkEvents("local static;", "a local static is built once, on first use");

  char text[4];
  const int needed = snprintf(text, sizeof text, "%s", "abcdef");
  check(needed == 6 && strcmp(text, "abc") == 0, "snprintf cuts, terminates, returns the length");
  check(snprintf(nullptr, 0, "%lu", 123456ul) == 6, "snprintf measures with no buffer");

  check(FreeLibrary(plugin) != 0, "FreeLibrary runtime_plugin.dll");
  checkEvents("~;local static;~;plugin static;",
              "the loaded DLL's statics were torn down at detach, last built first");

  printf("%d failure(s)\n", failures);
  return failures;
}
