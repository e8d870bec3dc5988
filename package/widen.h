// Widening of the reader's 8-bit text to the engine's 16-bit characters.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "Core.h"

// Element by element, without code-page conversion: each 8-bit value is read as signed and
// sign-extended, so 0x00-0x7F keep their value and 0x80-0xFF become 0xFF80-0xFFFF. Writes count
// elements into wide.
inline void widenSignExtended(const char* narrow, size_t count, TCHAR* wide) {
  for (size_t i = 0; i < count; ++i) {
    wide[i] = static_cast<TCHAR>(static_cast<int16_t>(static_cast<signed char>(narrow[i])));
  }
}

// A zero-terminated 16-bit text on the C heap, released with its owner, also when an exception
// unwinds past it.
class WideText {
 public:
  WideText() = default;
  ~WideText() { free(text_); }
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;

  // Replaces the text with the widening of count bytes of narrow. False, and the text unchanged,
  // when memory cannot be had.
  bool assignWidened(const char* narrow, size_t count) {
    if (count >= static_cast<size_t>(-1) / sizeof(TCHAR)) return false;
    auto* text = static_cast<TCHAR*>(malloc((count + 1) * sizeof(TCHAR)));
    if (text == nullptr) return false;
    widenSignExtended(narrow, count, text);
    text[count] = 0;
    free(text_);
    text_ = text;
    return true;
  }
  // The text; empty before the first assignment.
  const TCHAR* text() const { return text_ != nullptr ? text_ : &kEmpty; }

 private:
  static constexpr TCHAR kEmpty = 0;
  TCHAR* text_ = nullptr;
};
