#include "tests/support/table_builder.h"

#include <algorithm>
#include <stdexcept>

Structure::Structure(uint8_t type, uint8_t length, uint16_t handle)
    : formatted_(length < 4 ? 4 : length, 0) {
  formatted_[0] = type;
  formatted_[1] = length;
  formatted_[2] = static_cast<uint8_t>(handle);
  formatted_[3] = static_cast<uint8_t>(handle >> 8);
}

Structure& Structure::u8(size_t offset, uint8_t value) {
  if (offset >= formatted_.size()) throw std::out_of_range("offset beyond the formatted area");
  formatted_[offset] = value;
  return *this;
}

Structure& Structure::u16(size_t offset, uint16_t value) {
  return u8(offset, value & 0xFF).u8(offset + 1, value >> 8);
}

Structure& Structure::u32(size_t offset, uint32_t value) {
  return u16(offset, value & 0xFFFF).u16(offset + 2, value >> 16);
}

Structure& Structure::u64(size_t offset, uint64_t value) {
  return u32(offset, static_cast<uint32_t>(value))
      .u32(offset + 4, static_cast<uint32_t>(value >> 32));
}

Structure& Structure::bytes(size_t offset, std::initializer_list<uint8_t> values) {
  for (uint8_t v : values) u8(offset++, v);
  return *this;
}

Structure& Structure::str(const std::string& text) {
  strings_.push_back(text);
  return *this;
}

Structure& Structure::rawStrings(const Bytes& tail) {
  raw_ = true;
  rawTail_ = tail;
  return *this;
}

Bytes Structure::build() const {
  Bytes out = formatted_;
  if (raw_) {
    out.insert(out.end(), rawTail_.begin(), rawTail_.end());
    return out;
  }
  for (const std::string& s : strings_) {
    out.insert(out.end(), s.begin(), s.end());
    out.push_back(0);
  }
  if (strings_.empty()) out.push_back(0);
  out.push_back(0);
  return out;
}

Bytes endOfTable(uint16_t handle) {
  return Structure(127, 4, handle);
}

Bytes tableOf(std::initializer_list<Bytes> structures) {
  Bytes out;
  for (const Bytes& s : structures) out.insert(out.end(), s.begin(), s.end());
  return out;
}

Bytes rawBufferAnnouncing(const Bytes& table, uint32_t announcedLength, uint8_t major,
                          uint8_t minor) {
  // Sized once and filled in place: g++ 12 warns falsely (-Warray-bounds) about an insert behind
  // a vector made from a braced list.
  Bytes out(8 + table.size());
  out[1] = major;
  out[2] = minor;
  for (unsigned i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(announcedLength >> (8 * i));
  std::copy(table.begin(), table.end(), out.begin() + 8);
  return out;
}

Bytes rawBuffer(const Bytes& table, uint8_t major, uint8_t minor) {
  return rawBufferAnnouncing(table, static_cast<uint32_t>(table.size()), major, minor);
}
