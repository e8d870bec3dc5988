// On Windows the kernel itself serves the raw SMBIOS data.
#include <windows.h>

#include "platform/live_firmware_table.h"

namespace platform {

uint32_t liveFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer, uint32_t bufferSize,
                           char* error) {
  const UINT result = ::GetSystemFirmwareTable(provider, tableId, buffer, bufferSize);
  if (result == 0) {
    setError(error, "GetSystemFirmwareTable failed with error %lu",
             static_cast<unsigned long>(GetLastError()));
  }
  return result;
}

}  // namespace platform
