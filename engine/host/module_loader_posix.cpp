#include <dlfcn.h>

#include "module_loader.h"

void* openModule(const std::string& path, std::string* error) {
  // A name without a slash would be searched on the library path; the host loads by path.
  const std::string where = path.find('/') == std::string::npos ? "./" + path : path;
  void* module = dlopen(where.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* reason = dlerror();
    *error = reason != nullptr ? reason : "unknown loader error";
  }
  return module;
}

void* findExport(void* module, const std::string& name) {
  return dlsym(module, name.c_str());
}

void closeModule(void* module) {
  dlclose(module);
}
