#include "tools/table_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "platform/entry_point.h"
#include "platform/firmware_table.h"

namespace {

bool startsWith(const uint8_t* data, size_t size, const char* anchor) {
  const size_t n = strlen(anchor);
  return size >= n && memcmp(data, anchor, n) == 0;
}

uint32_t readU32Le(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// The raw layout: calling-method flag 0, the version, the table length, then the table.
void assembleRaw(uint8_t major, uint8_t minor, uint8_t dmiRevision, const uint8_t* table,
                 uint32_t length, std::vector<uint8_t>* raw) {
  raw->assign({0, major, minor, dmiRevision, static_cast<uint8_t>(length),
               static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length >> 16),
               static_cast<uint8_t>(length >> 24)});
  raw->insert(raw->end(), table, table + length);
}

// True when the file is the raw layout itself: an 8-byte header whose length matches the file.
bool looksLikeRsmb(const uint8_t* data, size_t size) {
  return size >= platform::kRawHeaderSize && readU32Le(data + 4) == size - platform::kRawHeaderSize;
}

bool fromDump(const uint8_t* data, size_t size, std::vector<uint8_t>* raw, std::string* error) {
  platform::EntryPoint ep{};
  if (!platform::parseEntryPoint(data, size, &ep)) {
    if (startsWith(data, size, "_SM3_")) {
      *error = "the \"_SM3_\" entry point is cut short (" + std::to_string(size) + " bytes)";
    } else if (startsWith(data, size, "_SM_")) {
      *error = "the \"_SM_\" entry point is cut short (" + std::to_string(size) + " bytes)";
    } else {
      *error = "no SMBIOS entry point (\"_SM_\" or \"_SM3_\") at offset 0";
    }
    return false;
  }
  if (ep.tableAddress >= size) {
    char text[160];
    snprintf(text, sizeof text,
             "the entry point's table address 0x%" PRIX64 " lies outside the file (%zu bytes)",
             ep.tableAddress, size);
    *error = text;
    return false;
  }
  // "_SM_" gives the table length, "_SM3_" only a maximum; either way a file that ends early
  // delivers what it holds.
  const size_t available = size - static_cast<size_t>(ep.tableAddress);
  const uint32_t length =
      ep.tableLength < available ? ep.tableLength : static_cast<uint32_t>(available);
  assembleRaw(ep.major, ep.minor, ep.dmiRevision, data + ep.tableAddress, length, raw);
  return true;
}

}  // namespace

bool rawTableFromFileBytes(const uint8_t* data, size_t size, TableFormat format,
                           std::vector<uint8_t>* raw, std::string* error) {
  if (size == 0) {
    *error = "the file is empty";
    return false;
  }
  if (size > tablefile::kLargestTableFile) {
    *error = "the file is larger than 64 MiB";
    return false;
  }
  if (format == TableFormat::Auto) {
    if (startsWith(data, size, "_SM_") || startsWith(data, size, "_SM3_")) {
      format = TableFormat::Dump;
    } else if (looksLikeRsmb(data, size)) {
      format = TableFormat::Rsmb;
    } else {
      format = TableFormat::Raw;
    }
  }
  switch (format) {
    case TableFormat::Rsmb:
      // Served as it stands: the reader itself copes with a header that disagrees with the file.
      raw->assign(data, data + size);
      return true;
    case TableFormat::Dump:
      return fromDump(data, size, raw, error);
    case TableFormat::Raw:
    case TableFormat::Auto:
      break;
  }
  assembleRaw(0, 0, 0, data, static_cast<uint32_t>(size), raw);
  return true;
}

bool readTableFile(const std::string& path, TableFormat format, std::vector<uint8_t>* raw,
                   std::string* error) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) {
    const int openErrno = errno;
    // Windows refuses to open a folder at all; say what it is there too.
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      *error = path + ": is a directory";
      return false;
    }
    *error = path + ": cannot open: " + strerror(openErrno);
    return false;
  }
  struct stat info {};
  if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
    fclose(file);
    *error = path + ": is a directory";
    return false;
  }
  // Read one byte past the limit, so that a file over it is told apart without reading it all.
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t got = 0;
  while (bytes.size() <= tablefile::kLargestTableFile &&
         (got = fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  const bool failed = ferror(file) != 0;
  const int readErrno = errno;
  fclose(file);
  if (failed) {
    *error = path + ": cannot read: " + strerror(readErrno);
    return false;
  }
  std::string reason;
  if (!rawTableFromFileBytes(bytes.data(), bytes.size(), format, raw, &reason)) {
    *error = path + ": " + reason;
    return false;
  }
  return true;
}
