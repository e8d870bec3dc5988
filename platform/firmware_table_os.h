// The operating system's own firmware table, one implementation per system.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The live raw SMBIOS data with the protocol of GetSystemFirmwareTable; on failure returns 0 and
// puts the reason into *error.
uint32_t liveFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer, uint32_t bufferSize,
                           std::string* error);

}  // namespace platform
