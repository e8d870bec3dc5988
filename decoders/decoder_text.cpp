#include "decoders/decoder_text.h"

#include <stdarg.h>

#include "base/bounded_format.h"
#include "records/record_store.h"

char* writeHexPair(char* out, uint8_t byte) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  out[0] = kDigits[byte >> 4];
  out[1] = kDigits[byte & 0xF];
  return out + 2;
}

FieldText formatted(char* buffer, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int needed = vformatBounded(buffer, capacity, format, args);
  va_end(args);
  if (needed < 0 || static_cast<size_t>(needed) >= capacity) return {nullptr, 0};
  return {buffer, static_cast<size_t>(needed)};
}

unsigned resolveStrings(const StructureHeader* header, StringFact* const* strings, size_t count) {
  unsigned highest = 0;
  for (size_t i = 0; i < count; ++i) {
    StringFact& s = *strings[i];
    s.text = kNotSpecifiedText;
    s.length = sizeof kNotSpecifiedText - 1;
    if (s.number > highest) highest = s.number;
  }
  // The pass filters every string up to the highest number, not only the ones asked for; nothing
  // but these lookups ever reads the string set, and each of them filters what it hands out.
  StructureStrings set(header);
  unsigned number = 1;
  for (; number <= highest; ++number) {
    size_t length = 0;
    const char* const text = set.next(&length);
    if (text == kBadIndexText) break;  // the set has ended: every number from here is missing
    for (size_t i = 0; i < count; ++i) {
      if (strings[i]->number == number) {
        strings[i]->text = text;
        strings[i]->length = static_cast<uint32_t>(length);
      }
    }
  }
  if (number > highest) return highest;
  for (size_t i = 0; i < count; ++i) {
    if (strings[i]->number >= number) {
      strings[i]->text = kBadIndexText;
      strings[i]->length = sizeof kBadIndexText - 1;
    }
  }
  return number - 1;
}
