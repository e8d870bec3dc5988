// Kept apart from the engine headers: windows.h defines its own TEXT and TCHAR.
#include <string.h>
#include <windows.h>

#include "base/bounded_format.h"
#include "base/limits.h"
#include "module_loader.h"

namespace {

void formatError(char* error, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vformatBounded(error, capacity, format, args);
  va_end(args);
}

}  // namespace

void* openModule(const char* path, char* error, size_t capacity) {
  HMODULE module = LoadLibraryA(path);
  if (module == nullptr) {
    char reason[kReasonCapacity] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   GetLastError(), 0, reason, sizeof reason, nullptr);
    size_t length = strlen(reason);
    while (length > 0 && (reason[length - 1] == '\n' || reason[length - 1] == '\r' ||
                          reason[length - 1] == ' ')) {
      reason[--length] = '\0';
    }
    formatError(error, capacity, "%s", length == 0 ? "unknown loader error" : reason);
  }
  return module;
}

void* findExport(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void closeModule(void* module) {
  FreeLibrary(static_cast<HMODULE>(module));
}
