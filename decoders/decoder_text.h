// How the decoders build their texts in fixed-size work buffers and store them. The texts of
// every structure are built with WorkText, which copies plain texts and writes numbers itself;
// printf-style formatting (storeFormatted) is kept for the rare layouts, where a format says more
// than a chain of pieces would.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "base/compiler.h"
#include "decoders/value_text.h"
#include "records/record_store.h"
#include "structures/structure.h"

// Writes value as "%u" would, without a NUL; returns the end. At most 10 characters.
char* writeDecimal(char* out, uint32_t value);
// Writes byte as "%02X" would, without a NUL; returns the end.
char* writeHexPair(char* out, uint8_t byte);

// A text put together piece by piece in a work buffer, whose size (the NUL included) bounds it. A
// piece that does not fit whole cuts the text short for good: store then leaves the field as it
// was, as it does for every text that does not fit its buffer.
class WorkText {
 public:
  template <size_t N>
  explicit WorkText(char (&buffer)[N]) : text_(buffer), room_(N - 1) {
    static_assert(N > 0, "room for the NUL");
  }

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

  // The texts of the bits set in bits, by ascending bit number (the values of table, in
  // ascending order), separator between them.
  template <size_t N>
  WorkText& addBitTexts(const ValueText (&table)[N], uint32_t bits, char separator) {
    bool first = true;
    for (const ValueText& entry : table) {
      if ((bits >> entry.value & 1) == 0) continue;
      if (!first) add(separator);
      add(entry.text, entry.length);
      first = false;
    }
    return *this;
  }

  bool empty() const { return used_ == 0; }
  // The text so far with a NUL behind it, for the text operations that take one; only for
  // buffers sized to hold every text they get.
  const char* terminated() {
    text_[used_] = '\0';
    return text_;
  }
  // Stores a private copy of the text in field when the whole text fit; false when it did not.
  bool store(char** field) const;

 private:
  char* text_;
  size_t used_ = 0;
  size_t room_;  // bytes the text may have
  bool cut_ = false;
};

// printf into buffer (capacity bytes, the NUL included) and store the text in field when it fits
// whole; a text cut short is never stored. Returns whether it stored.
bool storeFormatted(char** field, char* buffer, size_t capacity, const char* format, ...)
    ZENTRIK_PRINTF_FORMAT(4, 5);

// The strings a decoder stores from one structure, with their lengths.
struct FoundString {
  const char* text;
  size_t length;
};

// structureString of each of count string numbers of one structure, taken in one pass over the
// string set rather than one pass per string.
void lookUpStrings(const StructureHeader* header, const uint8_t* numbers, FoundString* strings,
                   size_t count);

// The same for the string numbers held by the bytes at the first count offsets.
template <size_t N>
void lookUpStringsAt(const StructureHeader* header, const unsigned (&offsets)[N],
                     FoundString (&strings)[N], size_t count = N) {
  uint8_t numbers[N];
  if (count > N) count = N;
  for (size_t i = 0; i < count; ++i) numbers[i] = readU8(header, offsets[i]);
  lookUpStrings(header, numbers, strings, count);
}

// Stores a private copy of a found string in field.
inline void setTextField(char** field, const FoundString& string) {
  setTextField(field, string.text, string.length);
}
