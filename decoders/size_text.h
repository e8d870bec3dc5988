// A size count as a short number and a unit in powers of 1024 ("1088 kB", "16 MB").
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "decoders/facts.h"

// The number to show for the count whose 32-bit halves are low and high; always below 2^20.
uint32_t sizeValue(uint32_t low, uint32_t high);
// The unit of that number: shift 0 when the count is in bytes, 1 when it is in kB.
const char* sizeUnit(uint32_t low, uint32_t high, unsigned shift);

// "%lu %s" of sizeValue and sizeUnit of count: at most seven digits, a blank and a unit; into pie,
// terminated.
using SizeTextPie = char[24];
FieldText sizeText(uint64_t count, unsigned shift, SizeTextPie& pie);
struct SizeText {
  SizeTextPie text;
  size_t length;  // without the NUL
};
SizeText sizeText(uint64_t count, unsigned shift);
