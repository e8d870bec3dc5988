#include "reader/structure.h"

namespace {

// True when width bytes at offset lie inside the formatted area.
bool inFormattedArea(const StructureHeader* header, unsigned offset, unsigned width) {
  return offset <= header->length && width <= header->length - offset;
}

uint64_t readLe(const StructureHeader* header, unsigned offset, unsigned width) {
  if (!inFormattedArea(header, offset, width)) return 0;
  uint64_t value = 0;
  for (unsigned i = width; i-- > 0;) value = (value << 8) | header->data[offset + i];
  return value;
}

}  // namespace

uint8_t readU8(const StructureHeader* header, unsigned offset) {
  return static_cast<uint8_t>(readLe(header, offset, 1));
}
uint16_t readU16Le(const StructureHeader* header, unsigned offset) {
  return static_cast<uint16_t>(readLe(header, offset, 2));
}
uint32_t readU32Le(const StructureHeader* header, unsigned offset) {
  return static_cast<uint32_t>(readLe(header, offset, 4));
}
uint64_t readU64Le(const StructureHeader* header, unsigned offset) {
  return readLe(header, offset, 8);
}

char* findStructureString(const StructureHeader* header, uint8_t number) {
  // The string set lies between the formatted area and the end of the delivered table; nothing
  // beyond that is ever read.
  if (header->length > header->available) return nullptr;
  uint8_t* s = header->data + header->length;
  const uint8_t* const end = header->data + header->available;
  auto stringEnd = [end](uint8_t* from) {  // the string's NUL, or end when there is none
    while (from < end && *from != 0) ++from;
    return from;
  };
  while (number > 1 && s < end && *s != 0) {
    uint8_t* nul = stringEnd(s);
    if (nul == end) return nullptr;
    s = nul + 1;
    --number;
  }
  if (s >= end || *s == 0) return nullptr;
  uint8_t* nul = stringEnd(s);
  // A string that the table cuts off has no end to hand out: the structure does not hold it.
  if (nul == end) return nullptr;
  char* text = reinterpret_cast<char*>(s);
  filterUnprintable(text, static_cast<size_t>(nul - s));
  return text;
}

StructureStrings::StructureStrings(const StructureHeader* header)
    : next_(header->length <= header->available ? header->data + header->length : nullptr),
      end_(header->data + header->available) {}

const char* StructureStrings::next() {
  // At the end of the set every further number is missing; behind a string that the table cuts
  // off, no string can be reached at all.
  if (next_ == nullptr || next_ >= end_ || *next_ == 0) return "<BAD INDEX>";
  uint8_t* nul = next_;
  while (nul < end_ && *nul != 0) ++nul;
  if (nul == end_) {
    next_ = nullptr;
    return "<BAD INDEX>";
  }
  char* text = reinterpret_cast<char*>(next_);
  filterUnprintable(text, static_cast<size_t>(nul - next_));
  next_ = nul + 1;
  return text;
}

const char* structureString(const StructureHeader* header, uint8_t number) {
  if (number == 0) return "Not Specified";
  const char* s = findStructureString(header, number);
  return s != nullptr ? s : "<BAD INDEX>";
}

void filterUnprintable(char* text, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c >= 0x7F) text[i] = '.';
  }
}

int isPrintableRun(const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (bytes[i] < 0x20 || bytes[i] > 0x7E) return 0;
  }
  return 1;
}
