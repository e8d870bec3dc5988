#include "decoders/size_text.h"

#include <string.h>

#include "decoders/decoder_text.h"
#include "decoders/value_text.h"

namespace {

constexpr const char* kUnits[] = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB", "ZB"};
constexpr unsigned kGroupCount = 7;

// The count in groups of 10 bits, lowest first; the last group holds the top 4 bits.
struct Groups {
  uint16_t g[kGroupCount];
};

Groups split(uint32_t low, uint32_t high) {
  Groups groups{};
  groups.g[0] = static_cast<uint16_t>(low & 0x3FF);
  groups.g[1] = static_cast<uint16_t>((low >> 10) & 0x3FF);
  groups.g[2] = static_cast<uint16_t>((low >> 20) & 0x3FF);
  groups.g[3] = static_cast<uint16_t>(((high & 0xFF) << 2) | (low >> 30));
  groups.g[4] = static_cast<uint16_t>((high >> 8) & 0x3FF);
  groups.g[5] = static_cast<uint16_t>((high >> 18) & 0x3FF);
  groups.g[6] = static_cast<uint16_t>(high >> 28);
  return groups;
}

// Index of the group the number is shown in, and the number itself. When the group below the
// highest non-zero one is also non-zero, both are shown in the lower unit.
struct Scaled {
  unsigned index;
  uint32_t value;
};

Scaled scale(uint32_t low, uint32_t high) {
  const Groups groups = split(low, high);
  unsigned i = kGroupCount - 1;
  while (i > 0 && groups.g[i] == 0) --i;
  if (i > 0 && groups.g[i - 1] != 0) {
    --i;
    return {i, groups.g[i] + (static_cast<uint32_t>(groups.g[i + 1]) << 10)};
  }
  return {i, groups.g[i]};
}

// Callers pass shift 0 or 1; anything larger would step past the table.
const char* unitAt(unsigned index) {
  return index < sizeof kUnits / sizeof kUnits[0] ? kUnits[index] : kOutOfSpec;
}

}  // namespace

uint32_t sizeValue(uint32_t low, uint32_t high) {
  return scale(low, high).value;
}

const char* sizeUnit(uint32_t low, uint32_t high, unsigned shift) {
  return unitAt(scale(low, high).index + shift);
}

FieldText sizeText(uint64_t count, unsigned shift, SizeTextPie& pie) {
  const auto low = static_cast<uint32_t>(count);
  const auto high = static_cast<uint32_t>(count >> 32);
  const Scaled scaled = scale(low, high);
  const char* unit = unitAt(scaled.index + shift);
  // Written as "%lu %s" writes them: the number below 2^20 takes at most seven digits.
  char* end = writeDecimal(pie, scaled.value);
  *end++ = ' ';
  const size_t unitLength = strlen(unit);
  static_assert(sizeof pie >= 7 + 1 + sizeof "<OUT OF SPEC>", "room for every size text");
  memcpy(end, unit, unitLength + 1);
  return {pie, static_cast<size_t>(end - pie) + unitLength};
}

SizeText sizeText(uint64_t count, unsigned shift) {
  SizeText size;
  size.length = sizeText(count, shift, size.text).length;
  return size;
}
