// A module in the engine's Core.dll's place for the runtime test: an exported class that other
// modules derive from, errors thrown as the engine throws them, and a log of what happened in
// which module.
#pragma once

#if defined(RUNTIME_CORE_BUILD)
#define RUNTIME_CORE_API __declspec(dllexport)
#else
#define RUNTIME_CORE_API __declspec(dllimport)
#endif

class RUNTIME_CORE_API Shape {
 public:
  Shape();
  virtual ~Shape();
  virtual int sides() const;
  // Calls sides() through the vtable from inside this module.
  int countSides() const;
};

// Throws text as the engine throws its errors: a pointer to 16-bit text.
RUNTIME_CORE_API void throwText(const wchar_t* text);
RUNTIME_CORE_API void throwNumber(int number);

// Events of every module, each followed by ';'.
RUNTIME_CORE_API void recordEvent(const char* event);
RUNTIME_CORE_API const char* recordedEvents();
RUNTIME_CORE_API void clearEvents();
