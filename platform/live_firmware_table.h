// The operating system's own firmware table, one implementation per system
// (live_firmware_table_linux.cpp, live_firmware_table_windows.cpp).
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#include "base/bounded_format.h"
#include "base/compiler.h"
#include "base/limits.h"

namespace platform {

// Writes a reason into error (kReasonCapacity bytes), cut short where it does not fit.
inline void setError(char* error, const char* format, ...) ZENTRIK_PRINTF_FORMAT(2, 3);
inline void setError(char* error, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vformatBounded(error, kReasonCapacity, format, args);
  va_end(args);
}

// The live raw SMBIOS data with the protocol of GetSystemFirmwareTable; on failure returns 0 and
// puts the reason into error (kReasonCapacity bytes).
uint32_t liveFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer, uint32_t bufferSize,
                           char* error);

#ifndef _WIN32
// Assembles the rsmb layout (calling-method flag 0, the entry point's major, minor and DMI
// revision, the table length, the table) from the entry point and table files Linux exposes.
// Returns it in a block of *size bytes that the caller frees, or null with the reason in error
// (kReasonCapacity bytes).
uint8_t* rawTableFromSysfs(const char* entryPointPath, const char* tablePath, uint32_t* size,
                           char* error);
#endif

}  // namespace platform
