#include "structures/structure.h"

#include "base/byte_reader.h"

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
