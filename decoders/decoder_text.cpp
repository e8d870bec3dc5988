#include "decoders/decoder_text.h"

#include <stdarg.h>

#include "base/bounded_format.h"
#include "records/record_store.h"

char* writeDecimal(char* out, uint32_t value) {
  char reversed[10];
  size_t n = 0;
  do {
    reversed[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) *out++ = reversed[--n];
  return out;
}

char* writeHexPair(char* out, uint8_t byte) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  out[0] = kDigits[byte >> 4];
  out[1] = kDigits[byte & 0xF];
  return out + 2;
}

bool WorkText::store(char** field) const {
  if (cut_) return false;
  setTextField(field, text_, used_);
  return true;
}

bool storeFormatted(char** field, char* buffer, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int needed = vformatBounded(buffer, capacity, format, args);
  va_end(args);
  if (needed < 0 || static_cast<size_t>(needed) >= capacity) return false;
  setTextField(field, buffer, static_cast<size_t>(needed));
  return true;
}

void lookUpStrings(const StructureHeader* header, const uint8_t* numbers, FoundString* strings,
                   size_t count) {
  unsigned highest = 0;
  for (size_t i = 0; i < count; ++i) {
    strings[i] = {kNotSpecifiedText, sizeof kNotSpecifiedText - 1};
    if (numbers[i] > highest) highest = numbers[i];
  }
  // The pass filters every string up to the highest number, not only the ones asked for; nothing
  // but these lookups ever reads the string set, and each of them filters what it hands out.
  StructureStrings set(header);
  for (unsigned number = 1; number <= highest; ++number) {
    FoundString found;
    found.text = set.next(&found.length);
    for (size_t i = 0; i < count; ++i) {
      if (numbers[i] == number) strings[i] = found;
    }
  }
}
