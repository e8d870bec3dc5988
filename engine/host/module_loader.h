// Loading a package module at run time and finding its exports by name.
#pragma once

#include <string>

// The loaded module, or null with the loader's reason in *error.
void* openModule(const std::string& path, std::string* error);
// The address of an exported name, or null.
void* findExport(void* module, const std::string& name);
void closeModule(void* module);
