// The operating system's own firmware table, one implementation per system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The live raw SMBIOS data with the protocol of GetSystemFirmwareTable; on failure returns 0 and
// puts the reason into *error.
uint32_t liveFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer, uint32_t bufferSize,
                           std::string* error);

#ifndef _WIN32
// Assembles the raw layout (calling-method flag 0, the entry point's major, minor and DMI
// revision, the table length, the table) from the entry point and table files Linux exposes.
bool rawTableFromSysfs(const std::string& entryPointPath, const std::string& tablePath,
                       std::vector<uint8_t>* raw, std::string* error);
#endif

}  // namespace platform
