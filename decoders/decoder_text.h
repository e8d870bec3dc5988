// How the decoders build their texts in fixed-size work buffers and store them. The texts of
// every structure are built with WorkText, which copies plain texts and writes numbers itself;
// printf-style formatting (storeFormatted) is kept for the rare layouts, where a format says more
// than a chain of pieces would.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "base/compiler.h"

// Writes value as "%u" would, without a NUL; returns the end. At most 10 characters.
char* writeDecimal(char* out, uint32_t value);
// Writes byte as "%02X" would, without a NUL; returns the end.
char* writeHexPair(char* out, uint8_t byte);

// A text put together piece by piece in a work buffer of capacity bytes (the NUL included). A
// piece that does not fit whole cuts the text short for good: store then leaves the field as it
// was, as it does for every text that does not fit its buffer.
class WorkText {
 public:
  template <size_t N>
  explicit WorkText(char (&buffer)[N]) : WorkText(buffer, N) {}
  WorkText(char* buffer, size_t capacity)
      : text_(buffer), room_(capacity > 0 ? capacity - 1 : 0), cut_(capacity == 0) {}

  WorkText& add(const char* text) { return add(text, strlen(text)); }
  WorkText& add(const char* text, size_t length) {
    if (length > room_ - used_) {
      cut_ = true;
    } else if (!cut_) {
      memcpy(text_ + used_, text, length);
      used_ += length;
    }
    return *this;
  }
  WorkText& add(char c) { return add(&c, 1); }
  WorkText& decimal(uint32_t value) {
    char digits[10];
    return add(digits, static_cast<size_t>(writeDecimal(digits, value) - digits));
  }

  bool empty() const { return used_ == 0; }
  // Stores a private copy of the text in field when the whole text fit; false when it did not.
  bool store(char** field) const;

 private:
  char* text_;
  size_t used_ = 0;
  size_t room_;  // bytes the text may have
  bool cut_;
};

// printf into buffer (capacity bytes, the NUL included) and store the text in field when it fits
// whole; a text cut short is never stored. Returns whether it stored.
bool storeFormatted(char** field, char* buffer, size_t capacity, const char* format, ...)
    ZENTRIK_PRINTF_FORMAT(4, 5);
