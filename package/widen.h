// Widening of the reader's 8-bit text to the engine's 16-bit characters.
#pragma once

#include <cstdint>
#include <string>

#include "Core.h"

// Element by element, without code-page conversion: each 8-bit value is read as signed and
// sign-extended, so 0x00-0x7F keep their value and 0x80-0xFF become 0xFF80-0xFFFF.
inline std::basic_string<TCHAR> widenSignExtended(const std::string& narrow) {
  std::basic_string<TCHAR> wide;
  wide.reserve(narrow.size());
  for (const char c : narrow) {
    wide.push_back(static_cast<TCHAR>(static_cast<int16_t>(static_cast<signed char>(c))));
  }
  return wide;
}
