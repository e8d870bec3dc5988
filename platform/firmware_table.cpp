// The package's table service: the system's own table, nothing else. Programs that serve tables
// replace both functions with those of served_firmware_table.cpp, so this file must define
// nothing besides them: a third function needed there would bring these in beside those.
#include "platform/firmware_table.h"

#include "base/limits.h"
#include "platform/live_firmware_table.h"

namespace platform {

namespace {

char lastError[kReasonCapacity] = "";

}  // namespace

uint32_t GetSystemFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer,
                                uint32_t bufferSize) {
  lastError[0] = '\0';
  return liveFirmwareTable(provider, tableId, buffer, bufferSize, lastError);
}

const char* firmwareTableError() {
  return lastError;
}

}  // namespace platform
