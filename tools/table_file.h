// Table files as users capture them: the raw layout the platform serves (8-byte header, then the
// table), a binary dump that starts with an SMBIOS entry point, or a bare table as Linux exposes
// it. Whatever the layout, the result is the raw layout, ready for platform::serveRawTable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tablefile {

// Largest table file accepted: real tables are a few KiB, so anything larger is not a table, and
// a whole file is held in memory.
constexpr size_t kLargestTableFile = 64u << 20;

}  // namespace tablefile

enum class TableFormat { Auto, Rsmb, Dump, Raw };

// Turns the bytes of a table file into the raw layout the platform serves (8-byte header, table).
// False with a one-line reason (no file name in it) when the bytes cannot be served.
bool rawTableFromFileBytes(const uint8_t* data, size_t size, TableFormat format,
                           std::vector<uint8_t>* raw, std::string* error);

// Reads the file (at most 64 MiB) and converts it; the error names the file.
bool readTableFile(const std::string& path, TableFormat format, std::vector<uint8_t>* raw,
                   std::string* error);
