// A module in the package's place for the runtime test, loaded at run time as the engine loads
// packages: a class derived across modules, statics, and a guard that records and rethrows.
#include "tests/windows/runtime/runtime_core.h"

#define PLUGIN_API extern "C" __declspec(dllexport)

namespace {

class Square : public Shape {
 public:
  int sides() const override { return 4; }
};

// Records when it is built and torn down.
struct Witness {
  explicit Witness(const char* name) : name_(name) { recordEvent(name_); }
  ~Witness() {
    recordEvent("~");
    recordEvent(name_);
  }
  const char* name_;
};

Witness pluginStatic("plugin static");

}  // namespace

PLUGIN_API Shape* makeSquare() {
  return new Square;
}
PLUGIN_API void destroyShape(Shape* shape) {
  delete shape;
}

// Calls into the core, which throws; the engine guard's shape: text passes on unchanged, anything
// else is recorded first, and both pass on.
PLUGIN_API void guarded(bool text) {
  Witness local("local");
  try {
    if (text) throwText(L"engine error");
    throwNumber(7);
  } catch (const wchar_t*) {
    recordEvent("text passes");
    throw;
  } catch (...) {
    recordEvent("other recorded");
    throw;
  }
}

// Built on the first call only.
PLUGIN_API int callsOfLocalStatic() {
  static Witness once("local static");
  static int calls = 0;
  return ++calls;
}
