// On Windows the kernel itself serves the raw SMBIOS data.
#include <windows.h>

#include <string>

#include "platform/firmware_table_os.h"

namespace platform {

uint32_t liveFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer, uint32_t bufferSize,
                           std::string* error) {
  const UINT result = ::GetSystemFirmwareTable(provider, tableId, buffer, bufferSize);
  if (result == 0)
    *error = "GetSystemFirmwareTable failed with error " + std::to_string(GetLastError());
  return result;
}

}  // namespace platform
