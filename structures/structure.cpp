#include "structures/structure.h"

#include "base/byte_reader.h"

namespace {

// A value wholly inside the formatted area, or 0.
template <typename T>
T readOrZero(const StructureHeader* header, unsigned offset) {
  T value = 0;
  return readLeAt(header->data, header->length, offset, &value) ? value : 0;
}

}  // namespace

uint8_t readU8(const StructureHeader* header, unsigned offset) {
  return readOrZero<uint8_t>(header, offset);
}
uint16_t readU16Le(const StructureHeader* header, unsigned offset) {
  return readOrZero<uint16_t>(header, offset);
}
uint32_t readU32Le(const StructureHeader* header, unsigned offset) {
  return readOrZero<uint32_t>(header, offset);
}
uint64_t readU64Le(const StructureHeader* header, unsigned offset) {
  return readOrZero<uint64_t>(header, offset);
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

StructureStrings::Run StructureStrings::take(unsigned count, unsigned wanted) {
  Run run = {nullptr, 0, 0, nullptr, 0};
  if (next_ == nullptr) return run;
  uint8_t* const first = next_;
  uint8_t* lastNul = first;
  bool unprintable = false;
  while (run.found < count && next_ < end_ && *next_ != 0) {
    // Sets of many strings are mostly sets of short ones: byte by byte.
    uint8_t* const nul = endOfString(next_, &unprintable, false);
    if (nul == end_) {
      next_ = nullptr;
      break;
    }
    if (++run.found == wanted) {
      run.wanted = reinterpret_cast<char*>(next_);
      run.wantedLength = static_cast<size_t>(nul - next_);
    }
    lastNul = nul;
    next_ = nul + 1;
  }
  if (run.found == 0) return run;
  run.first = reinterpret_cast<char*>(first);
  run.bytes = static_cast<size_t>(lastNul - first);
  // The NULs between the strings stay; a string the table cut off is not part of the run.
  for (uint8_t* p = first; unprintable && p < lastNul; ++p) {
    if (*p != 0 && !isPrintableAscii(*p)) *p = '.';
  }
  return run;
}

const char* structureString(const StructureHeader* header, uint8_t number) {
  if (number == 0) return kNotSpecifiedText;
  const char* s = findStructureString(header, number);
  return s != nullptr ? s : kBadIndexText;
}

void filterUnprintable(char* text, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (!isPrintableAscii(static_cast<uint8_t>(text[i]))) text[i] = '.';
  }
}

int isPrintableRun(const uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (!isPrintableAscii(bytes[i])) return 0;
  }
  return 1;
}
