// Value-to-text tables of the SMBIOS enumerations: one {value, text} entry per value, sorted by
// value, so that a lookup can search them and a static_assert can check their order.
#pragma once

#include <stddef.h>

#include "decoders/facts.h"

constexpr size_t textLength(const char* text) {
  size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

// Printable ASCII without a quote or a backslash: a text that stands in a JSON string as it is.
constexpr bool plainText(const char* text) {
  for (size_t i = 0; text[i] != '\0'; ++i) {
    const char c = text[i];
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') return false;
  }
  return true;
}

struct ValueText {
  constexpr ValueText() : value(0), text(""), length(0), plain(true) {}
  constexpr ValueText(unsigned v, const char* t)
      : value(v), text(t), length(textLength(t)), plain(plainText(t)) {}
  unsigned value;
  const char* text;
  size_t length;  // of text, without the NUL; known when compiled, so joins need no strlen
  bool plain;     // known when compiled, so that JSON writes it without a look at each byte
};

// The texts of the bits set in bits, by a table of bit numbers and their texts, in table order:
// one part of a list text, for writers that want its items as they are rather than joined.
struct BitTexts {
  const ValueText* table;
  size_t count;
  uint32_t bits;

  template <typename Each>
  void forEach(Each each) const {
    for (size_t i = 0; i < count; ++i) {
      if ((bits >> table[i].value & 1) != 0) each(table[i]);
    }
  }
};
template <size_t N>
constexpr BitTexts bitTexts(const ValueText (&table)[N], uint32_t bits) {
  return {table, N, bits};
}

// The text every table gives for a value it does not hold.
inline constexpr const char kOutOfSpec[] = "<OUT OF SPEC>";

template <size_t N>
constexpr bool strictlyAscending(const ValueText (&table)[N]) {
  for (size_t i = 1; i < N; ++i) {
    if (table[i - 1].value >= table[i].value) return false;
  }
  return true;
}

// The text of value in a table sorted by value, or "<OUT OF SPEC>".

// The same with its length; *named, when not null, says whether the table holds value.
template <size_t N>
constexpr FieldText lookupField(const ValueText (&table)[N], unsigned value,
                                bool* named = nullptr) {
  size_t low = 0;
  size_t high = N;
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    if (table[middle].value == value) {
      if (named != nullptr) *named = true;
      return {table[middle].text, table[middle].length};
    }
    if (table[middle].value < value) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (named != nullptr) *named = false;
  return {kOutOfSpec, sizeof kOutOfSpec - 1};
}

template <size_t N>
constexpr const char* lookupText(const ValueText (&table)[N], unsigned value) {
  return lookupField(table, value).text;
}
