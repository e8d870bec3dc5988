// A growable, zero-terminated run of bytes on the C heap, for texts whose length the input
// decides. It needs neither the C++ standard library nor exceptions, so every module can use it,
// the package included. When memory runs out an append changes nothing and the buffer remembers
// it (failed()), so a caller can check once at the end.
#pragma once

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

class TextBuffer {
 public:
  TextBuffer() = default;
  ~TextBuffer() { free(data_); }
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;
  TextBuffer(TextBuffer&& other) noexcept
      : data_(other.data_), size_(other.size_), capacity_(other.capacity_), failed_(other.failed_) {
    other.data_ = nullptr;
    other.size_ = other.capacity_ = 0;
    other.failed_ = false;
  }

  bool append(const void* bytes, size_t count) {
    if (!reserve(count)) return false;
    if (count > 0) memcpy(data_ + size_, bytes, count);
    size_ += count;
    data_[size_] = '\0';
    return true;
  }
  bool append(const char* text) { return append(text, strlen(text)); }
  bool append(char c) { return append(&c, 1); }

  // The text so far; "" before the first append. Valid until the next change.
  const char* text() const { return data_ != nullptr ? data_ : ""; }
  const unsigned char* bytes() const { return reinterpret_cast<const unsigned char*>(text()); }
  // The bytes to change in place; null before the first append.
  unsigned char* mutableBytes() { return reinterpret_cast<unsigned char*>(data_); }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // True once an append could not get memory.
  bool failed() const { return failed_; }

  // Keeps the memory for the next text.
  void clear() {
    size_ = 0;
    if (data_ != nullptr) data_[0] = '\0';
  }
  // Shortens the text to its first count bytes (no-op when it is not longer).
  void truncate(size_t count) {
    if (count < size_) {
      size_ = count;
      data_[size_] = '\0';
    }
  }

 private:
  // Room for count more bytes and the terminator; grows at least by half, so that appending byte
  // by byte stays linear.
  bool reserve(size_t count) {
    if (count < capacity_ - size_ && data_ != nullptr) return true;
    const size_t largest = static_cast<size_t>(-1);
    if (count > largest - size_ - 1) return fail();
    size_t wanted = size_ + count + 1;
    const size_t grown = capacity_ + capacity_ / 2;
    if (grown > wanted && grown > capacity_) wanted = grown;
    if (wanted < 16) wanted = 16;
    char* data = static_cast<char*>(realloc(data_, wanted));
    if (data == nullptr) return fail();
    data_ = data;
    capacity_ = wanted;
    return true;
  }
  bool fail() {
    failed_ = true;
    return false;
  }

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
  bool failed_ = false;
};
