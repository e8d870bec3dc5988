// Where the firmware table service takes its data from. Hosts and tools use it to show a captured
// table instead of the live firmware; the package itself never calls it. It takes no lock: choose
// the source before any thread reads the table.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace platform {

// From now on serve a copy of these raw bytes (8-byte raw header, then the table) as they stand.
void serveRawTable(const void* raw, size_t size);
// From now on serve the machine's own firmware table again.
void serveLiveTable();
// Calls of GetSystemFirmwareTable since the process started or the last reset.
uint32_t firmwareTableCallCount();
void resetFirmwareTableCallCount();

}  // namespace platform
