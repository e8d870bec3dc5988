// Letter case of ASCII text, the same in every locale and on every C runtime.
#pragma once

#include <stddef.h>

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
