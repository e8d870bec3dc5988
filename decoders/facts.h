// What a decoder reads of one structure before it makes any text of it, and the form of the texts
// it makes. Each family reads a structure once, through its layout header, into a facts value of
// its own (bios_facts.h, processor_facts.h, memory_facts.h, system.h): every number the structure
// holds as it stands (0 where the structure ends before it; its length says which it holds),
// enumerations as their values, and every string number resolved. The package's record texts are
// functions of those facts, and so is everything the tool shows. Plain C headers, so that programs
// built without the C++ standard library can include them.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "structures/string_texts.h"

// Whether a formatted area of length bytes holds size bytes at offset: a field's length gate. In
// subtract form, so that no sum wraps.
constexpr bool holdsBytes(uint8_t length, unsigned offset, unsigned size) {
  return offset <= length && size <= length - offset;
}

// A text made of facts: a constant, a string of the table, or a text built in a work buffer that
// the caller owns. A null text is none to store: the structure does not hold the field, or the
// built text did not fit its buffer.
struct FieldText {
  const char* text;
  size_t length;
};

// A string number of the structure and what the string lookup gives for it: the string (its
// unprintable bytes rewritten as '.'), "Not Specified" for number 0, or "<BAD INDEX>" where the
// structure has no such string (also where the string set is cut off by the end of the table).
// A structure too short for the number reads as number 0.
struct StringFact {
  const char* text;
  uint32_t length;  // of text, without its NUL
  uint8_t number;

  // The structure names no string here.
  bool none() const { return number == 0; }
  // The structure names a string that it does not have: text is the very kBadIndexText.
  bool missing() const { return text == kBadIndexText; }
  FieldText asText() const { return {text, length}; }
};
