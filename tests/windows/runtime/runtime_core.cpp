#include "tests/windows/runtime/runtime_core.h"

#include <string.h>

namespace {

char events[1024];

// Built by this module's static constructor before anything can call in.
struct CoreStatic {
  CoreStatic() { recordEvent("core static"); }
};
CoreStatic coreStatic;

}  // namespace

Shape::Shape() = default;
Shape::~Shape() = default;
int Shape::sides() const {
  return 0;
}
int Shape::countSides() const {
  return sides();
}

void throwText(const wchar_t* text) {
  throw text;
}
void throwNumber(int number) {
  throw number;
}

void recordEvent(const char* event) {
  if (strlen(events) + strlen(event) + 2 > sizeof events) return;
  strcat(events, event);
  strcat(events, ";");
}
const char* recordedEvents() {
  return events;
}
void clearEvents() {
  events[0] = '\0';
}
