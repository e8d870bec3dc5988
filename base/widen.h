// 8-bit text widened to 16-bit characters, element by element, without code-page conversion:
// each 8-bit value is read as signed and sign-extended, so 0x00-0x7F keep their value and
// 0x80-0xFF become 0xFF80-0xFFFF, as a signed char converts. For the engine's 16-bit text, in the
// package and in the host; Char is that text's character type.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

// Writes count elements into wide.
template <typename Char>
inline void widenSignExtended(const char* narrow, size_t count, Char* wide) {
  static_assert(sizeof(Char) == 2, "16-bit characters");
  for (size_t i = 0; i < count; ++i) {
    wide[i] = static_cast<Char>(static_cast<int16_t>(static_cast<signed char>(narrow[i])));
  }
}

// A zero-terminated 16-bit text on the C heap, released with its owner, also when an exception
// unwinds past it.
template <typename Char>
class BasicWideText {
 public:
  BasicWideText() = default;
  ~BasicWideText() { free(text_); }
  BasicWideText(const BasicWideText&) = delete;
  BasicWideText& operator=(const BasicWideText&) = delete;

  // Replaces the text with the widening of count bytes of narrow. False, and the text unchanged,
  // when memory cannot be had.
  bool assignWidened(const char* narrow, size_t count) {
    if (count >= static_cast<size_t>(-1) / sizeof(Char)) return false;
    auto* text = static_cast<Char*>(malloc((count + 1) * sizeof(Char)));
    if (text == nullptr) return false;
    widenSignExtended(narrow, count, text);
    text[count] = 0;
    free(text_);
    text_ = text;
    return true;
  }
  // The text; empty before the first assignment.
  const Char* text() const { return text_ != nullptr ? text_ : &kEmpty; }

 private:
  static constexpr Char kEmpty = 0;
  Char* text_ = nullptr;
};
