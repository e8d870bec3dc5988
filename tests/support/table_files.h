// Table files as users capture them, built around a table from the table builder: a binary dump
// that starts with an SMBIOS entry point, and temporary files to hand them to a program.
#pragma once

#include <cstdint>
#include <string>

#include "tests/support/table_builder.h"

// The 31-byte "_SM_" entry point: version, table length and table address (checksums set).
Bytes entryPoint32(uint8_t major, uint8_t minor, uint16_t tableLength, uint32_t tableAddress);
// The 24-byte "_SM3_" entry point: version, docrev, table maximum size and table address
// (checksum set).
Bytes entryPoint64(uint8_t major, uint8_t minor, uint8_t docrev, uint32_t maximumSize,
                   uint64_t tableAddress);

// The common dump layout: the entry point at offset 0, zero padding, the table at 0x20.
Bytes dumpFile(const Bytes& entryPoint, const Bytes& table);

// A file in a fresh temporary folder that is removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Writes bytes to name inside the folder and returns the path.
  std::string write(const std::string& name, const Bytes& bytes) const;
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};
