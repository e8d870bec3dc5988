// Table serving for the programs that host the reader or the package module (engine-host, the
// zentrik tool), and for tests, fuzz harnesses and benchmarks: they show a captured table instead
// of the live firmware. Never linked into the package. Linking served_firmware_table.cpp gives
// the program its own GetSystemFirmwareTable (see platform/firmware_table.h), which serves what
// it was given, or the live table, and counts its calls. It takes no lock: choose the source
// before any thread reads the table.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace platform {

// From now on serve a copy of these raw bytes (8-byte rsmb header, then the table) as they stand.
void serveRawTable(const void* raw, size_t size);
// From now on serve the machine's own firmware table again.
void serveLiveTable();
// Calls of GetSystemFirmwareTable since the process started or the last reset.
uint32_t firmwareTableCallCount();
void resetFirmwareTableCallCount();

}  // namespace platform
