// Windows only: lets a host steer a loaded module's firmware table without the module's help, by
// rewriting the module's import address table entry of the kernel's GetSystemFirmwareTable.
// Hosts and tests link it; the package never does.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace platform {

// Points the import of functionName from dllName (case-insensitive) in the loaded module at
// replacement. Returns the pointer the entry held before, or null (and nothing changed) when the
// module does not import that function by name.
void* patchImport(void* module, const char* dllName, const char* functionName, void* replacement);

// Makes the module's calls of kernel32's GetSystemFirmwareTable get a copy of raw (8-byte raw
// header, then the table) with the kernel's two-call protocol. False when that cannot be done;
// *error then says why.
bool steerFirmwareTable(void* module, const void* raw, size_t size, const char** error);

// Calls that steered modules made of GetSystemFirmwareTable since the last reset.
uint32_t steeredFirmwareTableCallCount();
void resetSteeredFirmwareTableCallCount();

}  // namespace platform
