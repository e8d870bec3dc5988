// Bounded little-endian access to a span of bytes: the one place where multi-byte values are
// taken apart or put together. Every read and write says whether its bytes lie inside the span
// and leaves the position where it was when they do not; no pointer is formed before the range
// check has passed, and every check is in subtract form, so no sum can wrap.
#pragma once

#include <stddef.h>
#include <stdint.h>

// True when count bytes at offset lie inside size bytes.
constexpr bool inBounds(uint64_t offset, uint64_t count, uint64_t size) {
  return offset <= size && count <= size - offset;
}

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t position() const { return position_; }

  // Moves to an offset from the start; false (position unchanged) beyond the end.
  bool seek(uint64_t offset) {
    if (!inBounds(offset, 0, size_)) return false;
    position_ = static_cast<size_t>(offset);
    return true;
  }

  bool readU8(uint8_t* value) { return readLe(value); }
  bool readU16Le(uint16_t* value) { return readLe(value); }
  bool readU32Le(uint32_t* value) { return readLe(value); }
  bool readU64Le(uint64_t* value) { return readLe(value); }
  // The same, as wide as the value's type (uint8_t to uint64_t).
  template <typename T>
  bool readLe(T* value) {
    static_assert(T(-1) > T(0) && sizeof(T) <= 8, "unsigned integers of up to 64 bits");
    if (!inBounds(position_, sizeof(T), size_)) return false;
    const uint8_t* const bytes = data_ + position_;
    T v = 0;
    for (size_t i = sizeof(T); i-- > 0;) v = static_cast<T>(v << 8 | bytes[i]);
    *value = v;
    position_ += sizeof(T);
    return true;
  }

  // Points *bytes at the next count bytes and moves past them.
  bool readBytes(size_t count, const uint8_t** bytes) {
    if (!inBounds(position_, count, size_)) return false;
    *bytes = data_ + position_;
    position_ += count;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// The same over bytes to fill: writes that say whether they fit, position unchanged when not.
class ByteWriter {
 public:
  ByteWriter(uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t position() const { return position_; }

  bool seek(uint64_t offset) {
    if (!inBounds(offset, 0, size_)) return false;
    position_ = static_cast<size_t>(offset);
    return true;
  }

  bool writeU8(uint8_t value) { return writeLe(value); }
  bool writeU16Le(uint16_t value) { return writeLe(value); }
  bool writeU32Le(uint32_t value) { return writeLe(value); }
  bool writeU64Le(uint64_t value) { return writeLe(value); }
  template <typename T>
  bool writeLe(T value) {
    static_assert(T(-1) > T(0) && sizeof(T) <= 8, "unsigned integers of up to 64 bits");
    if (!inBounds(position_, sizeof(T), size_)) return false;
    uint8_t* const bytes = data_ + position_;
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    position_ += sizeof(T);
    return true;
  }

 private:
  uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// Reads at an offset without a reader of one's own, as wide as the value's type: false when the
// value does not lie wholly inside the size bytes.
template <typename T>
bool readLeAt(const uint8_t* data, size_t size, uint64_t offset, T* value) {
  ByteReader r(data, size);
  return r.seek(offset) && r.readLe(value);
}
