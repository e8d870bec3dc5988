#include "platform/fetch_firmware_table.h"

#include <stdlib.h>

#include "platform/firmware_table.h"

namespace platform {

uint8_t* fetchFirmwareTable(uint32_t* delivered) {
  *delivered = 0;
  const uint32_t needed = GetSystemFirmwareTable(kProviderRsmb, 0, nullptr, 0);
  if (needed == 0) return nullptr;
  auto* buffer = static_cast<uint8_t*>(malloc(needed));
  if (buffer == nullptr) return nullptr;
  const uint32_t copied = GetSystemFirmwareTable(kProviderRsmb, 0, buffer, needed);
  // Only what the second call really copied may be read.
  *delivered = copied <= needed ? copied : 0;
  return buffer;
}

}  // namespace platform
