#include "platform/firmware_source.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/firmware_table.h"
#include "platform/firmware_table_os.h"

namespace platform {

namespace {

std::mutex sourceMutex;
bool serving = false;
std::vector<uint8_t> served;
std::string lastError;
std::atomic<uint32_t> callCount{0};

}  // namespace

void serveRawTable(const void* raw, size_t size) {
  std::lock_guard<std::mutex> lock(sourceMutex);
  const auto* bytes = static_cast<const uint8_t*>(raw);
  served.assign(bytes, bytes + size);
  serving = true;
}

void serveLiveTable() {
  std::lock_guard<std::mutex> lock(sourceMutex);
  served.clear();
  serving = false;
}

uint32_t firmwareTableCallCount() {
  return callCount.load();
}
void resetFirmwareTableCallCount() {
  callCount.store(0);
}

const char* firmwareTableError() {
  return lastError.c_str();
}

uint32_t GetSystemFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer,
                                uint32_t bufferSize) {
  ++callCount;
  std::lock_guard<std::mutex> lock(sourceMutex);
  lastError.clear();
  if (!serving) return liveFirmwareTable(provider, tableId, buffer, bufferSize, &lastError);
  if (provider != kProviderRsmb || tableId != 0) {
    lastError = "no such firmware table";
    return 0;
  }
  if (served.empty()) {
    lastError = "the served table is empty";
    return 0;
  }
  if (served.size() > UINT32_MAX) {
    lastError = "the served table is too large";
    return 0;
  }
  const auto size = static_cast<uint32_t>(served.size());
  if (buffer == nullptr || bufferSize < size) return size;
  memcpy(buffer, served.data(), size);
  return size;
}

}  // namespace platform
