// How the decoders build their texts in fixed-size work buffers and store them. The texts of
// every structure are built with WorkText, which copies plain texts and writes numbers itself;
// printf-style formatting (formatted) is kept for the rare layouts, where a format says more
// than a chain of pieces would.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "base/compiler.h"
#include "base/decimal.h"
#include "decoders/facts.h"
#include "decoders/value_text.h"
#include "records/record_store.h"
#include "structures/structure.h"

// The little-endian value at offset of the formatted area, as wide as T; 0 where the structure
// ends before it. The walk hands over only structures whose formatted area the table holds, so a
// read inside the formatted length is a read inside the table. Inline: the facts of a structure
// are a few dozen of these.
template <typename T>
T fieldAt(const StructureHeader* header, unsigned offset) {
  static_assert(T(-1) > T(0) && sizeof(T) <= 8, "unsigned integers of up to 64 bits");
  if (!holdsBytes(header->length, offset, sizeof(T))) return 0;
  const uint8_t* const bytes = header->data + offset;
  T value = 0;
  for (size_t i = sizeof(T); i-- > 0;) value = static_cast<T>(value << 8 | bytes[i]);
  return value;
}

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
  // The text, or a null text when it did not fit whole.
  FieldText result() const { return cut_ ? FieldText{nullptr, 0} : FieldText{text_, used_}; }

 private:
  char* text_;
  size_t used_ = 0;
  size_t room_;  // bytes the text may have
  bool cut_ = false;
};

// printf into buffer (capacity bytes, the NUL included): the text when it fits whole, else a null
// text; a text cut short is never stored.
FieldText formatted(char* buffer, size_t capacity, const char* format, ...)
    ZENTRIK_PRINTF_FORMAT(3, 4);

// Resolves the count string facts of one structure, whose numbers are set, in one pass over its
// string set rather than one pass per string: each gets its string as StructureStrings hands it
// out, "Not Specified" for number 0, "<BAD INDEX>" where the set has no such string. Returns how
// many strings the set holds up to the first missing one, so that a report can say "string 5 of
// 3"; the highest number asked for when none is missing.
unsigned resolveStrings(const StructureHeader* header, StringFact* const* strings, size_t count);

// The same for the string numbers held by the bytes at the offsets given, each into the string
// fact beside it. A structure too short for a number's byte names string 0.
struct StringField {
  unsigned offset;
  StringFact* fact;
};
template <size_t N>
unsigned resolveStringsAt(const StructureHeader* header, const StringField (&fields)[N]) {
  StringFact* strings[N];
  for (size_t i = 0; i < N; ++i) {
    strings[i] = fields[i].fact;
    strings[i]->number = fieldAt<uint8_t>(header, fields[i].offset);
  }
  return resolveStrings(header, strings, N);
}

// Stores a private copy of a text made of facts in field; a null text leaves the field as it was.
inline void setTextField(char** field, const FieldText& text) {
  if (text.text != nullptr) setTextField(field, text.text, text.length);
}
