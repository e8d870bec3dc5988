// Unsigned numbers in decimal, as "%u", "%lu" or "%llu" writes them, without printf: the load,
// its diagnostics and the tool's JSON write many.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Writes value's digits at out, without a NUL; returns the end. At most 20 characters. As wide
// as its type: a 32-bit count divides in 32 bits, on a 32-bit processor too.
template <typename Unsigned>
char* writeDecimal(char* out, Unsigned value) {
  static_assert(Unsigned(-1) > Unsigned(0) && sizeof(Unsigned) <= 8, "unsigned integers");
  char reversed[20];
  size_t n = 0;
  do {
    reversed[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) *out++ = reversed[--n];
  return out;
}
