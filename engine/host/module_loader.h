// Loading a package module at run time and finding its exports by name.
#pragma once

#include <stddef.h>

// The loaded module, or null with the loader's reason in error (capacity bytes, cut short where
// it does not fit).
void* openModule(const char* path, char* error, size_t capacity);
// The address of an exported name, or null.
void* findExport(void* module, const char* name);
void closeModule(void* module);
