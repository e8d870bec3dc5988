// Printable bytes and letter case of ASCII text, the same in every locale and on every C runtime.
#pragma once

#include <stddef.h>
#include <stdint.h>

// A printable ASCII byte, blank to tilde (0x20 to 0x7E): what a text of the table may hold as it
// stands. One comparison: every other byte lies at or above 0x5F once 0x20 is taken from it.
constexpr bool isPrintableAscii(uint8_t byte) {
  return static_cast<uint8_t>(byte - 0x20) < 0x5F;
}

inline char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when the first count bytes of a and b (fewer where both end earlier) are equal but for
// the case of ASCII letters; other bytes must match exactly.
inline bool asciiEqualIgnoringCase(const char* a, const char* b, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    if (a[i] == '\0') return true;
  }
  return true;
}
