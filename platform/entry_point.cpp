#include "platform/entry_point.h"

#include <string.h>

#include "base/byte_reader.h"

namespace platform {

namespace {

constexpr size_t kEntryPoint32Size = 31;  // "_SM_" layout
constexpr size_t kEntryPoint64Size = 24;  // "_SM3_" layout

}  // namespace

bool parseEntryPoint(const uint8_t* bytes, size_t size, EntryPoint* out) {
  EntryPoint ep = {};
  if (size >= kEntryPoint64Size && memcmp(bytes, "_SM3_", 5) == 0) {
    ep.is64 = true;
    if (!readLeAt(bytes, size, 0x07, &ep.major) || !readLeAt(bytes, size, 0x08, &ep.minor) ||
        !readLeAt(bytes, size, 0x09, &ep.dmiRevision) ||
        !readLeAt(bytes, size, 0x0C, &ep.tableLength) ||
        !readLeAt(bytes, size, 0x10, &ep.tableAddress)) {
      return false;
    }
    *out = ep;
    return true;
  }
  if (size >= kEntryPoint32Size && memcmp(bytes, "_SM_", 4) == 0) {
    uint16_t tableLength = 0;
    uint32_t tableAddress = 0;
    if (!readLeAt(bytes, size, 0x06, &ep.major) || !readLeAt(bytes, size, 0x07, &ep.minor) ||
        !readLeAt(bytes, size, 0x16, &tableLength) || !readLeAt(bytes, size, 0x18, &tableAddress)) {
      return false;
    }
    ep.tableLength = tableLength;
    ep.tableAddress = tableAddress;
    *out = ep;
    return true;
  }
  return false;
}

}  // namespace platform
