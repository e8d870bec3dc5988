#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "module_loader.h"

void* openModule(const char* path, char* error, size_t capacity) {
  // A name without a slash would be searched on the library path; the host loads by path.
  void* module;
  if (strchr(path, '/') == nullptr) {
    const size_t length = strlen(path);
    char* where = static_cast<char*>(malloc(length + 3));
    if (where == nullptr) {
      snprintf(error, capacity, "%s", "no memory for the module's path");
      return nullptr;
    }
    memcpy(where, "./", 2);
    memcpy(where + 2, path, length + 1);
    module = dlopen(where, RTLD_NOW | RTLD_LOCAL);
    free(where);
  } else {
    module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  }
  if (module == nullptr) {
    const char* reason = dlerror();
    snprintf(error, capacity, "%s", reason != nullptr ? reason : "unknown loader error");
  }
  return module;
}

void* findExport(void* module, const char* name) {
  return dlsym(module, name);
}

void closeModule(void* module) {
  dlclose(module);
}
