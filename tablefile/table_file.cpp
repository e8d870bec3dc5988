#include "tablefile/table_file.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "base/limits.h"
#include "base/raw_header.h"
#include "platform/entry_point.h"
#include "platform/serving/stdout_redirect.h"
#include "platform/whole_file.h"
#include "structures/structure.h"
#include "tablefile/text_format.h"

namespace {

// A dump keeps its table behind the entry point, usually at this offset; a file no longer than
// this holds an entry point and nothing else.
constexpr size_t kUsualTableOffset = 0x20;

// The names Linux gives the two files of /sys/firmware/dmi/tables.
constexpr char kEntryPointName[] = "smbios_entry_point";
constexpr char kTableName[] = "DMI";

bool startsWith(const uint8_t* data, size_t size, const char* anchor) {
  const size_t n = strlen(anchor);
  return size >= n && memcmp(data, anchor, n) == 0;
}

constexpr char kNoMemoryForTable[] = "not enough memory for the table";

// The rsmb layout: calling-method flag 0, the version, the table length, then the table. False
// when memory runs out: a table cut short must not pass for the whole one.
bool assembleRaw(uint8_t major, uint8_t minor, uint8_t dmiRevision, const uint8_t* table,
                 uint32_t length, TextBuffer* raw) {
  uint8_t header[kRawHeaderSize];
  writeRawHeader({0, major, minor, dmiRevision, length}, header);
  raw->clear();
  return raw->append(header, sizeof header) && raw->append(table, length);
}

// True when the file is the rsmb layout itself: an 8-byte header whose length matches the file.
bool looksLikeRsmb(const uint8_t* data, size_t size) {
  RawHeader header;
  return readRawHeader(data, size, &header) && header.tableLength == size - kRawHeaderSize;
}

// True when the bytes start with one whole structure: a formatted length of at least the 4-byte
// header that the file holds, then a string set closed by two zero bytes inside the file whose
// strings are mostly printable text (three bytes in four at least: firmware strings may hold a
// stray control byte). Text files have no zero bytes; most binary files fail on the strings.
bool startsWithWholeStructure(const uint8_t* data, size_t size) {
  if (size < kStructureHeaderSize) return false;
  ConstStructureIterator structures(data, static_cast<uint32_t>(size));
  uint8_t length = 0;
  if (!structures.formattedLength(&length) || length < kStructureHeaderSize || length > size) {
    return false;
  }
  structures.next(length);
  if (structures.pastEnd()) return false;
  // The strings lie between the formatted area and the two zero bytes that close the set.
  size_t text = 0;
  size_t other = 0;
  for (uint64_t i = length; i + 2 < structures.offset(); ++i) {
    if (isPrintableAscii(data[i])) {
      ++text;
    } else if (data[i] != 0) {
      ++other;
    }
  }
  return other * 3 <= text;
}

void appendAddress(TextBuffer* error, uint64_t address) {
  const unsigned long high = static_cast<unsigned long>(address >> 32);
  const unsigned long low = static_cast<unsigned long>(address & 0xFFFFFFFFu);
  if (high != 0) {
    appendFormat(error, "0x%lX%08lX", high, low);
  } else {
    appendFormat(error, "0x%lX", low);
  }
}

bool fromDump(const uint8_t* data, size_t size, TextBuffer* raw, TextBuffer* error) {
  platform::EntryPoint ep = {};
  if (!platform::parseEntryPoint(data, size, &ep)) {
    if (startsWith(data, size, "_SM3_")) {
      appendFormat(error, "the \"_SM3_\" entry point is cut short (%lu bytes)",
                   static_cast<unsigned long>(size));
    } else if (startsWith(data, size, "_SM_")) {
      appendFormat(error, "the \"_SM_\" entry point is cut short (%lu bytes)",
                   static_cast<unsigned long>(size));
    } else {
      error->append("no SMBIOS entry point (\"_SM_\" or \"_SM3_\") at offset 0");
    }
    return false;
  }
  if (ep.tableAddress >= size) {
    if (size <= kUsualTableOffset) {
      // Linux keeps the entry point and the table in two files: the user took only the first.
      error->append("only an SMBIOS entry point, whose table lies elsewhere (at ");
      appendAddress(error, ep.tableAddress);
      error->append(
          "): give --table the folder that holds smbios_entry_point and DMI, as "
          "/sys/firmware/dmi/tables does");
    } else {
      error->append("the entry point's table address ");
      appendAddress(error, ep.tableAddress);
      appendFormat(error, " lies outside the file (%lu bytes)", static_cast<unsigned long>(size));
    }
    return false;
  }
  // "_SM_" gives the table length, "_SM3_" only a maximum; either way a file that ends early
  // delivers what it holds.
  const size_t available = size - static_cast<size_t>(ep.tableAddress);
  const uint32_t length =
      ep.tableLength < available ? ep.tableLength : static_cast<uint32_t>(available);
  if (assembleRaw(ep.major, ep.minor, ep.dmiRevision, data + ep.tableAddress, length, raw)) {
    return true;
  }
  error->append(kNoMemoryForTable);
  return false;
}

// The layout --format auto takes the bytes for; Auto for none.
TableFormat detectLayout(const uint8_t* data, size_t size) {
  if (startsWith(data, size, "_SM_") || startsWith(data, size, "_SM3_")) return TableFormat::Dump;
  if (looksLikeRsmb(data, size)) return TableFormat::Rsmb;
  if (startsWithWholeStructure(data, size)) return TableFormat::Bare;
  return TableFormat::Auto;
}

const char* layoutName(TableFormat format) {
  switch (format) {
    case TableFormat::Rsmb:
      return "an rsmb capture (8-byte header, then the table)";
    case TableFormat::Dump:
      return "a dump (SMBIOS entry point at offset 0)";
    case TableFormat::Bare:
      return "a bare structure table";
    case TableFormat::Auto:
      break;
  }
  return "none";
}

// Whether the file can be opened: ENOENT says it is not there.
bool exists(const char* path) {
  FILE* probe = fopen(path, "rb");
  if (probe == nullptr) return errno != ENOENT;
  fclose(probe);
  return true;
}

bool isFolder(const char* path) {
#if defined(_WIN32)
  // The C runtime there finds no folder behind a trailing separator ("tables/").
  TextBuffer bare;
  bare.append(path);
  while (bare.size() > 1 &&
         (bare.text()[bare.size() - 1] == '/' || bare.text()[bare.size() - 1] == '\\')) {
    bare.truncate(bare.size() - 1);
  }
  struct _stat info;
  return _stat(bare.text(), &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFDIR;
#else
  struct stat info;
  return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
#endif
}

// True when the input was read whole; otherwise the reason, prefixed with name, the input's.
bool wasRead(WholeFile result, int errorNumber, const char* name, TextBuffer* error) {
  if (result == WholeFile::kRead) return true;
  error->append(name);
  switch (result) {
    case WholeFile::kCannotOpen:
      error->append(": cannot open: ");
      error->append(strerror(errorNumber));
      break;
    case WholeFile::kCannotRead:
      error->append(": cannot read: ");
      error->append(strerror(errorNumber));
      break;
    case WholeFile::kTooLarge:
      appendFormat(error, ": the file is larger than %lu MiB",
                   static_cast<unsigned long>(kLargestTableFile >> 20));
      break;
    case WholeFile::kNoMemory:
    case WholeFile::kRead:
      error->append(": not enough memory to read it");
      break;
  }
  return false;
}

bool readFile(const char* path, TextBuffer* bytes, TextBuffer* error) {
  int errorNumber = 0;
  const WholeFile result = readWholeFile(path, kLargestTableFile, bytes, &errorNumber);
  return wasRead(result, errorNumber, path, error);
}

// The bytes converted, or the reason prefixed with the input's name.
bool convert(const char* name, const TextBuffer& bytes, TableFormat format, TextBuffer* raw,
             TextBuffer* error, TextBuffer* notice) {
  TextBuffer reason;
  TextBuffer contradiction;
  if (rawTableFromFileBytes(bytes.bytes(), bytes.size(), format, raw, &reason, &contradiction)) {
    if (notice != nullptr && !contradiction.empty()) {
      notice->append(name);
      notice->append(": ");
      notice->append(contradiction.text());
    }
    return true;
  }
  error->append(name);
  error->append(": ");
  error->append(reason.text());
  return false;
}

// A copy of /sys/firmware/dmi/tables: the version from the entry point, the table from DMI.
bool readTableFolder(const char* folder, TableFormat format, TextBuffer* raw, TextBuffer* error) {
  TextBuffer entryPath;
  TextBuffer tablePath;
  const size_t length = strlen(folder);
#if defined(_WIN32)
  const bool separated = length > 0 && (folder[length - 1] == '/' || folder[length - 1] == '\\');
#else
  // Elsewhere a backslash is part of the folder's name.
  const bool separated = length > 0 && folder[length - 1] == '/';
#endif
  TextBuffer* const paths[] = {&entryPath, &tablePath};
  for (TextBuffer* path : paths) {
    path->append(folder);
    if (!separated) path->append('/');
  }
  entryPath.append(kEntryPointName);
  tablePath.append(kTableName);
  if (format != TableFormat::Auto) {
    error->append(folder);
    error->append(": is a folder, whose layout is fixed: --format applies to files only");
    return false;
  }
  const bool hasEntryPoint = exists(entryPath.text());
  const bool hasTable = exists(tablePath.text());
  if (!hasEntryPoint || !hasTable) {
    error->append(folder);
    if (hasTable) {
      error->append(": holds DMI but no smbios_entry_point beside it: give --table ");
      error->append(tablePath.text());
      error->append(" to read the table alone, without its SMBIOS version");
    } else if (hasEntryPoint) {
      error->append(
          ": holds smbios_entry_point but no DMI beside it, and DMI holds the table; copy both "
          "from /sys/firmware/dmi/tables");
    } else {
      error->append(
          ": is a folder without the smbios_entry_point and DMI that "
          "/sys/firmware/dmi/tables holds");
    }
    return false;
  }

  TextBuffer entry;
  TextBuffer table;
  if (!readFile(entryPath.text(), &entry, error)) return false;
  platform::EntryPoint ep = {};
  if (!platform::parseEntryPoint(entry.bytes(), entry.size(), &ep)) {
    error->append(entryPath.text());
    error->append(": holds no SMBIOS entry point");
    return false;
  }
  if (!readFile(tablePath.text(), &table, error)) return false;
  if (table.empty()) {
    error->append(tablePath.text());
    error->append(": the file is empty");
    return false;
  }
  if (assembleRaw(ep.major, ep.minor, ep.dmiRevision, table.bytes(),
                  static_cast<uint32_t>(table.size()), raw)) {
    return true;
  }
  error->append(folder);
  error->append(": ");
  error->append(kNoMemoryForTable);
  return false;
}

}  // namespace

bool parseTableFormat(const char* name, TableFormat* format) {
  for (const TableLayoutName& entry : kTableLayouts) {
    if (strcmp(name, entry.name) == 0) {
      *format = entry.format;
      return true;
    }
  }
  return false;
}

bool rawTableFromFileBytes(const uint8_t* data, size_t size, TableFormat format, TextBuffer* raw,
                           TextBuffer* error, TextBuffer* notice) {
  if (size == 0) {
    error->append("the file is empty");
    return false;
  }
  if (size > kLargestTableFile) {
    appendFormat(error, "the file is larger than %lu MiB",
                 static_cast<unsigned long>(kLargestTableFile >> 20));
    return false;
  }
  const TableFormat detected = detectLayout(data, size);
  if (format == TableFormat::Auto) {
    if (detected == TableFormat::Auto) {
      error->append(
          "not an SMBIOS table: no entry point at its start, no rsmb header of its "
          "length, no whole structure (a --format loads it anyway)");
      return false;
    }
    format = detected;
  } else if (detected != TableFormat::Auto && detected != format && notice != nullptr) {
    notice->append("read as ");
    notice->append(layoutName(format));
    notice->append(", as --format asked, though --format auto would read it as ");
    notice->append(layoutName(detected));
  }
  switch (format) {
    case TableFormat::Rsmb:
      // Served as it stands: the reader itself copes with a header that disagrees with the file.
      raw->clear();
      if (raw->append(data, size)) return true;
      break;
    case TableFormat::Dump:
      return fromDump(data, size, raw, error);
    case TableFormat::Bare:
    case TableFormat::Auto:
      if (assembleRaw(0, 0, 0, data, static_cast<uint32_t>(size), raw)) return true;
      break;
  }
  error->append(kNoMemoryForTable);
  return false;
}

bool readTableInput(const char* path, TableFormat format, TextBuffer* raw, TextBuffer* error,
                    TextBuffer* notice) {
  TextBuffer bytes;
  if (path[0] == '\0') {
    error->append("the table input has an empty name: give a file, '-' or a folder");
    return false;
  }
  if (strcmp(path, "-") == 0) {
    const char* name = "standard input";
    if (isTerminal(stdin)) {
      // Nobody types a binary table: the user forgot to redirect one.
      error->append(name);
      error->append(" is a terminal: redirect a table file into it (--table - < table.rsmb)");
      return false;
    }
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    int errorNumber = 0;
    const WholeFile result = readWholeStream(stdin, kLargestTableFile, &bytes, &errorNumber);
    return wasRead(result, errorNumber, name, error) &&
           convert(name, bytes, format, raw, error, notice);
  }
  if (isFolder(path)) return readTableFolder(path, format, raw, error);
  return readFile(path, &bytes, error) && convert(path, bytes, format, raw, error, notice);
}
