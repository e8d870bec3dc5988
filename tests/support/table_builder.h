// Builds SMBIOS structures and raw firmware buffers for tests, fuzz seeds and samples, field by
// field: a formatted area (header included) followed by a string set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

class Structure {
 public:
  // A structure of the given type whose formatted area is length bytes, zero-filled, with the
  // length in byte 1. A length below 4 still writes a 4-byte header.
  Structure(uint8_t type, uint8_t length, uint16_t handle = 0);

  Structure& u8(size_t offset, uint8_t value);
  Structure& u16(size_t offset, uint16_t value);
  Structure& u32(size_t offset, uint32_t value);
  Structure& u64(size_t offset, uint64_t value);
  Structure& bytes(size_t offset, std::initializer_list<uint8_t> values);
  // Sets the formatted area's length: cut short, or zero-filled up to it.
  Structure& resize(uint8_t length);
  // Appends one string to the string set (numbered from 1 in the order added).
  Structure& str(const std::string& text);
  // Replaces the whole string set, terminators included, with these bytes as they stand.
  Structure& rawStrings(const Bytes& tail);

  // The formatted area, the strings, and the closing zero bytes (two when there are no strings).
  Bytes build() const;
  operator Bytes() const { return build(); }

 private:
  Bytes formatted_;
  std::vector<std::string> strings_;
  bool raw_ = false;
  Bytes rawTail_;
};

// Writes value little-endian at offset of bytes, as wide as its type; throws std::out_of_range
// when it does not fit.
void putLe(Bytes* bytes, size_t offset, uint8_t value);
void putLe(Bytes* bytes, size_t offset, uint16_t value);
void putLe(Bytes* bytes, size_t offset, uint32_t value);
void putLe(Bytes* bytes, size_t offset, uint64_t value);

// The end-of-table structure (type 127, length 4).
Bytes endOfTable(uint16_t handle = 0xFFFF);

// Concatenates structures into a table.
Bytes tableOf(std::initializer_list<Bytes> structures);

// The rsmb layout the platform delivers: calling-method flag, major, minor, DMI revision, the
// table length (announced, or the real one), then the table.
Bytes rawBuffer(const Bytes& table, uint8_t major = 3, uint8_t minor = 2);
Bytes rawBufferAnnouncing(const Bytes& table, uint32_t announcedLength, uint8_t major = 3,
                          uint8_t minor = 2);
