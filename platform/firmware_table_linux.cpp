// Linux exposes the SMBIOS entry point and the structure table as two files; this assembles the
// raw layout the reader expects from them: calling-method flag 0, the version from the entry
// point, the table length, then the table.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/text_buffer.h"
#include "platform/entry_point.h"
#include "platform/firmware_table.h"
#include "platform/firmware_table_os.h"

namespace platform {

namespace {

constexpr const char* kEntryPointPath = "/sys/firmware/dmi/tables/smbios_entry_point";
constexpr const char* kTablePath = "/sys/firmware/dmi/tables/DMI";
constexpr size_t kLargestTable = 64u << 20;  // far above any real table; guards a runaway read

bool readWholeFile(const char* path, TextBuffer* out, char* error) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) {
    const int openErrno = errno;
    setError(error, "cannot open %s: %s%s", path, strerror(openErrno),
             openErrno == EACCES ? " (the firmware tables need root)" : "");
    return false;
  }
  out->clear();
  unsigned char chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (!out->append(chunk, got)) {
      fclose(file);
      setError(error, "no memory to read %s", path);
      return false;
    }
    if (out->size() > kLargestTable) {
      fclose(file);
      setError(error, "%s is larger than 64 MiB", path);
      return false;
    }
  }
  const bool failed = ferror(file) != 0;
  const int readErrno = errno;
  fclose(file);
  if (failed) {
    setError(error, "cannot read %s: %s", path, strerror(readErrno));
    return false;
  }
  return true;
}

}  // namespace

uint8_t* rawTableFromSysfs(const char* entryPointPath, const char* tablePath, uint32_t* size,
                           char* error) {
  TextBuffer entry;
  TextBuffer table;
  if (!readWholeFile(entryPointPath, &entry, error)) return nullptr;
  EntryPoint ep{};
  if (!parseEntryPoint(entry.bytes(), entry.size(), &ep)) {
    setError(error, "%s holds no SMBIOS entry point", entryPointPath);
    return nullptr;
  }
  if (!readWholeFile(tablePath, &table, error)) return nullptr;
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
  const uint8_t header[kRawHeaderSize] = {0,
                                          ep.major,
                                          ep.minor,
                                          ep.dmiRevision,
                                          static_cast<uint8_t>(length),
                                          static_cast<uint8_t>(length >> 8),
                                          static_cast<uint8_t>(length >> 16),
                                          static_cast<uint8_t>(length >> 24)};
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
