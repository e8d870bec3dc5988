// Linux exposes the SMBIOS entry point and the structure table as two files; this assembles the
// rsmb layout the reader expects from them: calling-method flag 0, the version from the entry
// point, the table length, then the table.
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include "base/raw_header.h"
#include "base/text_buffer.h"
#include "platform/entry_point.h"
#include "platform/firmware_table.h"
#include "platform/live_firmware_table.h"
#include "platform/whole_file.h"

namespace platform {

namespace {

constexpr const char* kEntryPointPath = "/sys/firmware/dmi/tables/smbios_entry_point";
constexpr const char* kTablePath = "/sys/firmware/dmi/tables/DMI";

bool readSysfsFile(const char* path, TextBuffer* out, char* error) {
  int errorNumber = 0;
  switch (readWholeFile(path, kLargestTableFile, out, &errorNumber)) {
    case WholeFile::kRead:
      return true;
    case WholeFile::kCannotOpen:
      setError(error, "cannot open %s: %s%s", path, strerror(errorNumber),
               errorNumber == EACCES ? " (the firmware tables need root)" : "");
      return false;
    case WholeFile::kCannotRead:
      setError(error, "cannot read %s: %s", path, strerror(errorNumber));
      return false;
    case WholeFile::kTooLarge:
      setError(error, "%s is larger than %lu MiB", path,
               static_cast<unsigned long>(kLargestTableFile >> 20));
      return false;
    case WholeFile::kNoMemory:
      break;
  }
  setError(error, "no memory to read %s", path);
  return false;
}

}  // namespace

uint8_t* rawTableFromSysfs(const char* entryPointPath, const char* tablePath, uint32_t* size,
                           char* error) {
  TextBuffer entry;
  TextBuffer table;
  if (!readSysfsFile(entryPointPath, &entry, error)) return nullptr;
  EntryPoint ep{};
  if (!parseEntryPoint(entry.bytes(), entry.size(), &ep)) {
    setError(error, "%s holds no SMBIOS entry point", entryPointPath);
    return nullptr;
  }
  if (!readSysfsFile(tablePath, &table, error)) return nullptr;
  if (table.empty()) {
    setError(error, "%s is empty", tablePath);
    return nullptr;
  }
  const auto length = static_cast<uint32_t>(table.size());
  auto* raw = static_cast<uint8_t*>(malloc(kRawHeaderSize + length));
  if (raw == nullptr) {
    setError(error, "no memory for the firmware table of %s", tablePath);
    return nullptr;
  }
  uint8_t header[kRawHeaderSize];
  writeRawHeader({0, ep.major, ep.minor, ep.dmiRevision, length}, header);
  memcpy(raw, header, kRawHeaderSize);
  memcpy(raw + kRawHeaderSize, table.bytes(), length);
  *size = kRawHeaderSize + length;
  return raw;
}

uint32_t liveFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer, uint32_t bufferSize,
                           char* error) {
  if (provider != kProviderRsmb || tableId != 0) {
    setError(error, "no such firmware table");
    return 0;
  }
  uint32_t size = 0;
  uint8_t* raw = rawTableFromSysfs(kEntryPointPath, kTablePath, &size, error);
  if (raw == nullptr) return 0;
  if (buffer != nullptr && bufferSize >= size) memcpy(buffer, raw, size);
  free(raw);
  return size;
}

}  // namespace platform
