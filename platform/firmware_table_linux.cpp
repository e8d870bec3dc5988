// Linux exposes the SMBIOS entry point and the structure table as two files; this assembles the
// raw layout the reader expects from them: calling-method flag 0, the version from the entry
// point, the table length, then the table.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/entry_point.h"
#include "platform/firmware_table.h"
#include "platform/firmware_table_os.h"

namespace platform {

namespace {

constexpr const char* kEntryPointPath = "/sys/firmware/dmi/tables/smbios_entry_point";
constexpr const char* kTablePath = "/sys/firmware/dmi/tables/DMI";
constexpr size_t kLargestTable = 64u << 20;  // far above any real table; guards a runaway read

bool readWholeFile(const char* path, std::vector<uint8_t>* out, std::string* error) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) {
    *error = std::string("cannot open ") + path + ": " + strerror(errno) +
             (errno == EACCES ? " (the firmware tables need root)" : "");
    return false;
  }
  out->clear();
  uint8_t chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) {
    out->insert(out->end(), chunk, chunk + got);
    if (out->size() > kLargestTable) {
      fclose(file);
      *error = std::string(path) + " is larger than 64 MiB";
      return false;
    }
  }
  const bool failed = ferror(file) != 0;
  const int readErrno = errno;
  fclose(file);
  if (failed) {
    *error = std::string("cannot read ") + path + ": " + strerror(readErrno);
    return false;
  }
  return true;
}

}  // namespace

bool rawTableFromSysfs(const std::string& entryPointPath, const std::string& tablePath,
                       std::vector<uint8_t>* raw, std::string* error) {
  std::vector<uint8_t> entry;
  std::vector<uint8_t> table;
  if (!readWholeFile(entryPointPath.c_str(), &entry, error)) return false;
  EntryPoint ep{};
  if (!parseEntryPoint(entry.data(), entry.size(), &ep)) {
    *error = entryPointPath + " holds no SMBIOS entry point";
    return false;
  }
  if (!readWholeFile(tablePath.c_str(), &table, error)) return false;
  if (table.empty()) {
    *error = tablePath + " is empty";
    return false;
  }
  const auto length = static_cast<uint32_t>(table.size());
  *raw = {0,
          ep.major,
          ep.minor,
          ep.dmiRevision,
          static_cast<uint8_t>(length),
          static_cast<uint8_t>(length >> 8),
          static_cast<uint8_t>(length >> 16),
          static_cast<uint8_t>(length >> 24)};
  raw->insert(raw->end(), table.begin(), table.end());
  return true;
}

uint32_t liveFirmwareTable(uint32_t provider, uint32_t tableId, void* buffer, uint32_t bufferSize,
                           std::string* error) {
  if (provider != kProviderRsmb || tableId != 0) {
    *error = "no such firmware table";
    return 0;
  }
  std::vector<uint8_t> raw;
  if (!rawTableFromSysfs(kEntryPointPath, kTablePath, &raw, error)) return 0;
  const auto size = static_cast<uint32_t>(raw.size());
  if (buffer == nullptr || bufferSize < size) return size;
  memcpy(buffer, raw.data(), size);
  return size;
}

}  // namespace platform
