// The operating system's own firmware table, one implementation per system.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "base/compiler.h"

namespace platform {

// Room for the one line that says why a firmware table cannot be had, terminator included.
constexpr size_t kErrorCapacity = 512;

// Writes a reason into error (kErrorCapacity bytes), cut short where it does not fit.
void setError(char* error, const char* format, ...) ZENTRIK_PRINTF_FORMAT(2, 3);

// The live raw SMBIOS data with the protocol of GetSystemFirmwareTable; on failure returns 0 and
// puts the reason into error (kErrorCapacity bytes).
uint32_t liveFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer, uint32_t bufferSize,
                           char* error);

#ifndef _WIN32
// Assembles the raw layout (calling-method flag 0, the entry point's major, minor and DMI
// revision, the table length, the table) from the entry point and table files Linux exposes.
// Returns it in a block of *size bytes that the caller frees, or null with the reason in error
// (kErrorCapacity bytes).
uint8_t* rawTableFromSysfs(const char* entryPointPath, const char* tablePath, uint32_t* size,
                           char* error);
#endif

}  // namespace platform
