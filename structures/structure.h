// One SMBIOS structure as the walk hands it to the decoders, the stepping from one structure of a
// table to the next, and its strings. Decoders never add offsets to pointers themselves.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "base/ascii.h"
#include "base/byte_reader.h"
#include "base/limits.h"
#include "structures/string_texts.h"
#include "structures/structure_types.h"

struct StructureHeader {
  uint8_t type;
  uint8_t length;  // formatted length; the type 34 fix-up may lower it here, never in the table
  uint16_t handle;
  uint8_t* data;       // byte 0 of the structure inside the raw table buffer
  uint32_t available;  // bytes delivered from data to the end of the table (at least length)
};

// The structures of a table one after another: the header of each, its formatted area (data and
// length of the header) and its string set (StructureStrings, below), then the next structure,
// behind the two zero bytes that close the set. Offsets are kept in 64 bits, so that no sum
// wraps and no pointer is formed outside the table, and no byte outside it is read. Byte is
// uint8_t, or const uint8_t to step through bytes that are only looked at (no header then: a
// header lets the string lookup write). Inline: the count and the walk step through every
// structure with it.
template <typename Byte>
class BasicStructureIterator {
  static_assert(sizeof(Byte) == 1, "a table of bytes");

 public:
  BasicStructureIterator(Byte* table, uint32_t length) : table_(table), length_(length) {}

  // Where the structure at hand starts. After a step past the end of the table, where its string
  // set would have ended.
  uint64_t offset() const { return offset_; }
  // Not one byte of a structure is left.
  bool atEnd() const { return offset_ >= length_; }
  // The last step ran past the end of the table: it holds no end of that string set.
  bool pastEnd() const { return offset_ > length_; }

  // The formatted length of the structure at hand; false when the table ends before that byte.
  bool formattedLength(uint8_t* length) const {
    return readLeAt(table_, length_, offset_ + 1, length);
  }

  // The structure at hand, its header read from its first four bytes; data points at it and
  // available counts the bytes from there to the end of the table. False (header unchanged) when
  // fewer than four bytes are left.
  bool header(StructureHeader* header) const {
    ByteReader r(table_, length_);
    StructureHeader h;
    if (!r.seek(offset_) || !r.readU8(&h.type) || !r.readU8(&h.length) || !r.readU16Le(&h.handle)) {
      return false;
    }
    h.data = table_ + offset_;
    h.available = static_cast<uint32_t>(length_ - offset_);
    *header = h;
    return true;
  }

  // Steps past the formatted area of the structure at hand, formattedLength bytes, and the
  // string set behind it.
  void next(uint8_t formattedLength) {
    uint64_t p = offset_ + formattedLength;
    while (p + 1 < length_ && (table_[p] != 0 || table_[p + 1] != 0)) ++p;
    offset_ = p + 2;
  }

 private:
  Byte* table_;
  uint32_t length_;
  uint64_t offset_ = 0;
};
using StructureIterator = BasicStructureIterator<uint8_t>;
using ConstStructureIterator = BasicStructureIterator<const uint8_t>;

// Whether the formatted area holds size bytes at offset: the length gate of a field.
inline bool holdsField(const StructureHeader* header, unsigned offset, unsigned size) {
  return offset <= header->length && size <= header->length - offset;
}

// Rewrites the count bytes of text that are not printable ASCII as '.', in place.
void filterUnprintable(char* text, size_t count);

// Strings 1, 2, 3, ... of one structure in turn, in one pass over the string set: the string (its
// unprintable bytes rewritten as '.' for good), or "<BAD INDEX>" once the set has ended (also
// where a string runs past the end of the table: a string without its NUL is not handed out, nor
// any behind it). A decoder that wants every string of a long set does not start from the first
// string for each of them.
class StructureStrings {
 public:
  explicit StructureStrings(const StructureHeader* header);

  // The next string; its length (without the NUL) into *length when length is not null. Inline:
  // sets of many short strings would spend more on the call than on their bytes.
  const char* next(size_t* length = nullptr) {
    size_t n = sizeof kBadIndexText - 1;
    const char* text = kBadIndexText;
    // At the end of the set every further number is missing; behind a string that the table
    // cuts off, no string can be reached at all.
    if (next_ != nullptr && next_ < end_ && *next_ != 0) {
      bool unprintable = false;
      uint8_t* const nul = endOfString(next_, &unprintable, true);
      if (nul == end_) {
        next_ = nullptr;
      } else {
        n = static_cast<size_t>(nul - next_);
        text = reinterpret_cast<char*>(next_);
        if (unprintable) filterUnprintable(reinterpret_cast<char*>(next_), n);
        next_ = nul + 1;
      }
    }
    if (length != nullptr) *length = n;
    return text;
  }

  // The next count strings at once, for sets of many: they lie one behind the other, each behind
  // the NUL of the one before, so they come as one run of bytes from the start of the first to
  // the end of the last (its NUL left out), each filtered as next would filter it. found says how
  // many the run holds: fewer than count when the set ends, or the table cuts a string off,
  // before; every string behind those is missing. When the run holds the string numbered wanted
  // (counting the run's first as 1), it is handed out on its own as well.
  struct Run {
    const char* first;  // null when found is 0
    size_t bytes;
    unsigned found;
    const char* wanted;  // null when the run does not hold it
    size_t wantedLength;
  };
  Run take(unsigned count, unsigned wanted = 0);

 private:
  // The NUL that ends the string at from, or end_ when the table cuts it off first. Printable
  // bytes, nearly all there are, take one test each, or with byWord one test for eight, which
  // pays off from about eight bytes on; *unprintable is set for any other.
  uint8_t* endOfString(uint8_t* from, bool* unprintable, bool byWord) const {
    // A byte below 0x20 sets its top bit when 0x20 is taken from it, one of 0x7F or above when 1
    // is added or by itself. A borrow or carry between bytes needs such a byte below it, so no
    // word of printable bytes is ever taken for another.
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kTops = 0x8080808080808080u;
    while (byWord && end_ - from >= 8) {
      uint64_t word;
      memcpy(&word, from, 8);
      if ((((word - 0x20 * kOnes) & ~word) | (word + kOnes) | word) & kTops) break;
      from += 8;
    }
    for (;;) {
      while (from < end_ && isPrintableAscii(*from)) ++from;
      if (from == end_ || *from == 0) return from;
      *unprintable = true;
      ++from;
    }
  }

  uint8_t* next_;  // where the next string starts; null once a string ran past the table
  const uint8_t* end_;
};

int isPrintableRun(const uint8_t* bytes, size_t count);
