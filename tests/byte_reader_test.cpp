// The bounded byte reader and writer at the edges of their span.
#include "base/byte_reader.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const uint8_t kBytes[] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFF};

struct Case {
  size_t size;  // of the span, from kBytes
  uint64_t offset;
  unsigned width;
  bool inside;
  uint64_t value;  // little-endian
};

// One read and one write of a T at the case's offset: both succeed exactly when the value lies
// inside the span, neither moves when it fails, and a failed write changes no byte.
template <typename T>
void check(const Case& c) {
  ByteReader reader(kBytes, c.size);
  T value = 0;
  const bool read = reader.seek(c.offset) && reader.readLe(&value);
  EXPECT_EQ(read, c.inside);
  if (read) {
    EXPECT_EQ(value, c.value);
  }
  EXPECT_EQ(reader.position(), read ? c.offset + sizeof(T) : c.offset <= c.size ? c.offset : 0);

  if (c.size > sizeof kBytes) return;
  uint8_t copy[sizeof kBytes];
  memset(copy, 0xAA, sizeof copy);
  ByteWriter writer(copy, c.size);
  EXPECT_EQ(writer.seek(c.offset) && writer.writeLe(static_cast<T>(c.value)), c.inside);
  for (size_t i = 0; i < sizeof copy; ++i) {
    const bool written = c.inside && i >= c.offset && i < c.offset + sizeof(T);
    EXPECT_EQ(copy[i], written ? kBytes[i] : 0xAA) << "byte " << i;
  }
}

TEST(ByteReader, ReadsAndWritesOnlyInsideItsSpan) {
  const Case cases[] = {
      // Valid: every width at the start, and reads that end exactly at the end.
      {9, 0, 1, true, 0x01},
      {9, 0, 2, true, 0x2301},
      {9, 0, 4, true, 0x67452301},
      {9, 0, 8, true, 0xEFCDAB8967452301},
      {9, 8, 1, true, 0xFF},
      {9, 7, 2, true, 0xFFEF},
      {9, 5, 4, true, 0xFFEFCDAB},
      {9, 1, 8, true, 0xFFEFCDAB89674523},
      // Invalid, each one byte or more past the end.
      {9, 9, 1, false, 0},                      // at the end: nothing left
      {9, 8, 2, false, 0},                      // one byte of two
      {9, 6, 4, false, 0},                      // three bytes of four
      {9, 2, 8, false, 0},                      // seven bytes of eight
      {0, 0, 1, false, 0},                      // an empty span
      {9, 10, 1, false, 0},                     // an offset past the end
      {9, UINT64_MAX, 1, false, 0},             // an offset whose sum with the width wraps
      {9, UINT64_MAX - 6, 8, false, 0},         // the same, wrapping to a small number
      {SIZE_MAX, UINT64_MAX - 1, 4, false, 0},  // a span as large as memory, read past its end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "size " << c.size << ", offset " << c.offset << ", width " << c.width);
    switch (c.width) {
      case 1:
        check<uint8_t>(c);
        break;
      case 2:
        check<uint16_t>(c);
        break;
      case 4:
        check<uint32_t>(c);
        break;
      default:
        check<uint64_t>(c);
    }
  }
}

}  // namespace
