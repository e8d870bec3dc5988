// The firmware table service the reader fetches the raw SMBIOS data from, with the shape and the
// two-call protocol of the Windows kernel's GetSystemFirmwareTable: ask with no buffer to learn
// the size, then again with a buffer of that size. On Windows it forwards to the kernel; on other
// systems it assembles the same rsmb layout from the tables Linux exposes under /sys.
//
// Defined in firmware_table.cpp, which is all the package links. Hosts, tests, fuzz harnesses and
// benchmarks link served_firmware_table.cpp as well, whose definitions of both functions take
// the place of these in the program (an object file is linked before any library member), and,
// on Linux, of the package module's too: Zentrik.so exports its GetSystemFirmwareTable and calls
// it through the dynamic linker, which binds the call to the executable's definition first, as
// the host rewrites the module's import of the kernel's function on Windows.
#pragma once

#include <stdint.h>

namespace platform {

constexpr uint32_t kProviderRsmb = 0x52534D42;  // 'RSMB', the raw SMBIOS provider

// Returns the bytes the raw data needs (null buffer or a buffer too small: nothing is copied),
// the bytes copied into buffer, or 0 when the table cannot be had; firmwareTableError then says
// why. Only the 'RSMB' provider with table id 0 is known.
uint32_t GetSystemFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer,
                                uint32_t bufferSize);

// Why the last call returned 0, in one line ("" after a successful call).
const char* firmwareTableError();

}  // namespace platform
