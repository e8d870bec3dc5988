#include "tests/support/table_builder.h"

#include <algorithm>
#include <stdexcept>

#include "base/byte_reader.h"
#include "base/raw_header.h"

namespace {

template <typename T>
void put(Bytes* bytes, size_t offset, T value) {
  ByteWriter writer(bytes->data(), bytes->size());
  if (!writer.seek(offset) || !writer.writeLe(value)) {
    throw std::out_of_range("offset beyond the bytes");
  }
}

}  // namespace

void putLe(Bytes* bytes, size_t offset, uint8_t value) {
  put(bytes, offset, value);
}
void putLe(Bytes* bytes, size_t offset, uint16_t value) {
  put(bytes, offset, value);
}
void putLe(Bytes* bytes, size_t offset, uint32_t value) {
  put(bytes, offset, value);
}
void putLe(Bytes* bytes, size_t offset, uint64_t value) {
  put(bytes, offset, value);
}

Structure::Structure(uint8_t type, uint8_t length, uint16_t handle)
    : formatted_(length < 4 ? 4 : length, 0) {
  formatted_[0] = type;
  formatted_[1] = length;
  putLe(&formatted_, 2, handle);
}

Structure& Structure::u8(size_t offset, uint8_t value) {
  putLe(&formatted_, offset, value);
  return *this;
}

Structure& Structure::u16(size_t offset, uint16_t value) {
  putLe(&formatted_, offset, value);
  return *this;
}

Structure& Structure::u32(size_t offset, uint32_t value) {
  putLe(&formatted_, offset, value);
  return *this;
}

Structure& Structure::u64(size_t offset, uint64_t value) {
  putLe(&formatted_, offset, value);
  return *this;
}

Structure& Structure::bytes(size_t offset, std::initializer_list<uint8_t> values) {
  for (uint8_t v : values) u8(offset++, v);
  return *this;
}

Structure& Structure::resize(uint8_t length) {
  formatted_.resize(length < 4 ? 4 : length);
  formatted_[1] = length;
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
  Bytes out(kRawHeaderSize + table.size());
  uint8_t header[kRawHeaderSize];
  writeRawHeader({0, major, minor, 0, announcedLength}, header);
  std::copy(header, header + kRawHeaderSize, out.begin());
  std::copy(table.begin(), table.end(), out.begin() + kRawHeaderSize);
  return out;
}

Bytes rawBuffer(const Bytes& table, uint8_t major, uint8_t minor) {
  return rawBufferAnnouncing(table, static_cast<uint32_t>(table.size()), major, minor);
}
