#include "platform/serving/served_firmware_table.h"

#include <stdlib.h>
#include <string.h>

#include "base/limits.h"
#include "platform/firmware_table.h"
#include "platform/live_firmware_table.h"

namespace platform {

namespace {

// What serveRawTable was given: a private copy, or null when it was empty or could not be copied.
bool serving = false;
uint8_t* served = nullptr;
size_t servedSize = 0;
char lastError[kReasonCapacity] = "";
uint32_t callCount = 0;

}  // namespace

void serveRawTable(const void* raw, size_t size) {
  free(served);
  served = size > 0 ? static_cast<uint8_t*>(malloc(size)) : nullptr;
  if (served != nullptr) memcpy(served, raw, size);
  servedSize = size;
  serving = true;
}

void serveLiveTable() {
  free(served);
  served = nullptr;
  servedSize = 0;
  serving = false;
}

uint32_t firmwareTableCallCount() {
  return callCount;
}
void resetFirmwareTableCallCount() {
  callCount = 0;
}

// In place of the package's own (platform/firmware_table.cpp).
const char* firmwareTableError() {
  return lastError;
}

uint32_t GetSystemFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer,
                                uint32_t bufferSize) {
  ++callCount;
  lastError[0] = '\0';
  if (!serving) return liveFirmwareTable(provider, tableId, buffer, bufferSize, lastError);
  if (provider != kProviderRsmb || tableId != 0) {
    setError(lastError, "no such firmware table");
    return 0;
  }
  if (servedSize == 0) {
    setError(lastError, "the served table is empty");
    return 0;
  }
  if (servedSize > UINT32_MAX) {
    setError(lastError, "the served table is too large");
    return 0;
  }
  if (served == nullptr) {
    setError(lastError, "no memory for a copy of the served table");
    return 0;
  }
  const auto size = static_cast<uint32_t>(servedSize);
  if (buffer == nullptr || bufferSize < size) return size;
  memcpy(buffer, served, size);
  return size;
}

}  // namespace platform
