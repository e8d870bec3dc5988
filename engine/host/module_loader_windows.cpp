// Kept apart from the engine headers: windows.h defines its own TEXT and TCHAR.
#include <windows.h>

#include "module_loader.h"

void* openModule(const std::string& path, std::string* error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    char reason[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   GetLastError(), 0, reason, sizeof reason, nullptr);
    std::string text(reason);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
      text.pop_back();
    }
    *error = text.empty() ? "unknown loader error" : text;
  }
  return module;
}

void* findExport(void* module, const std::string& name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name.c_str()));
}

void closeModule(void* module) {
  FreeLibrary(static_cast<HMODULE>(module));
}
