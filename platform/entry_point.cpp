#include "platform/entry_point.h"

#include <string.h>

namespace platform {

namespace {

constexpr size_t kEntryPoint32Size = 31;  // "_SM_" layout
constexpr size_t kEntryPoint64Size = 24;  // "_SM3_" layout

uint64_t readLe(const uint8_t* bytes, size_t width) {
  uint64_t value = 0;
  for (size_t i = width; i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

bool parseEntryPoint(const uint8_t* bytes, size_t size, EntryPoint* out) {
  if (size >= kEntryPoint64Size && memcmp(bytes, "_SM3_", 5) == 0) {
    out->is64 = true;
    out->major = bytes[0x07];
    out->minor = bytes[0x08];
    out->dmiRevision = bytes[0x09];
    out->tableLength = static_cast<uint32_t>(readLe(bytes + 0x0C, 4));
    out->tableAddress = readLe(bytes + 0x10, 8);
    return true;
  }
  if (size >= kEntryPoint32Size && memcmp(bytes, "_SM_", 4) == 0) {
    out->is64 = false;
    out->major = bytes[0x06];
    out->minor = bytes[0x07];
    out->dmiRevision = 0;
    out->tableLength = static_cast<uint32_t>(readLe(bytes + 0x16, 2));
    out->tableAddress = readLe(bytes + 0x18, 4);
    return true;
  }
  return false;
}

}  // namespace platform
