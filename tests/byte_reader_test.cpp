// The bounded byte reader and writer at the edges of their span, and the raw header built on them.
#include "base/byte_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

#include "base/raw_header.h"

namespace {

// One read or write of width bytes at offset; the position must not move when it fails.
template <typename Access>
bool at(Access* access, uint64_t offset, unsigned width, uint64_t* value) {
  if (!access->seek(offset)) return false;
  const size_t before = access->position();
  bool done = false;
  if constexpr (std::is_same_v<Access, ByteReader>) {
    uint8_t v8 = 0;
    uint16_t v16 = 0;
    uint32_t v32 = 0;
    switch (width) {
      case 1:
        done = access->readU8(&v8), *value = v8;
        break;
      case 2:
        done = access->readU16Le(&v16), *value = v16;
        break;
      case 4:
        done = access->readU32Le(&v32), *value = v32;
        break;
      default:
        done = access->readU64Le(value);
    }
  } else {
    switch (width) {
      case 1:
        done = access->writeU8(static_cast<uint8_t>(*value));
        break;
      case 2:
        done = access->writeU16Le(static_cast<uint16_t>(*value));
        break;
      case 4:
        done = access->writeU32Le(static_cast<uint32_t>(*value));
        break;
      default:
        done = access->writeU64Le(*value);
    }
  }
  EXPECT_EQ(access->position(), done ? before + width : before);
  return done;
}

TEST(ByteReader, ReadsAndWritesOnlyInsideItsSpan) {
  const uint8_t bytes[] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFF};
  const struct Case {
    size_t size;  // of the span, from bytes
    uint64_t offset;
    unsigned width;
    bool inside;
    uint64_t value;  // little-endian
  } cases[] = {
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
    ByteReader reader(bytes, c.size);
    uint64_t value = 0;
    EXPECT_EQ(at(&reader, c.offset, c.width, &value), c.inside);
    if (c.inside) {
      EXPECT_EQ(value, c.value);
    }

    // The writer puts the same bytes back, and nothing at all where they do not fit.
    if (c.size > sizeof bytes) continue;
    uint8_t copy[sizeof bytes];
    memset(copy, 0xAA, sizeof copy);
    ByteWriter writer(copy, c.size);
    uint64_t written = c.value;
    EXPECT_EQ(at(&writer, c.offset, c.width, &written), c.inside);
    for (size_t i = 0; i < sizeof copy; ++i) {
      const bool touched = c.inside && i >= c.offset && i < c.offset + c.width;
      EXPECT_EQ(copy[i], touched ? bytes[i] : 0xAA) << "byte " << i;
    }
  }
}

TEST(RawHeader, WrittenAndReadBackInEightBytes) {
  uint8_t bytes[kRawHeaderSize];
  writeRawHeader({1, 3, 2, 7, 0x01020304}, bytes);
  const uint8_t expected[kRawHeaderSize] = {1, 3, 2, 7, 0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(memcmp(bytes, expected, sizeof bytes), 0);
  RawHeader header{};
  ASSERT_TRUE(readRawHeader(bytes, sizeof bytes, &header));
  EXPECT_EQ(header.callingMethod, 1);
  EXPECT_EQ(header.dmiRevision, 7);
  EXPECT_EQ(header.tableLength, 0x01020304u);
  EXPECT_FALSE(readRawHeader(bytes, sizeof bytes - 1, &header)) << "one byte short";
  // The table read behind it: as announced, never beyond the bytes delivered.
  EXPECT_EQ(deliveredTableLength(header, kRawHeaderSize + 100), 100u);
  EXPECT_EQ(deliveredTableLength({0, 0, 0, 0, 10}, kRawHeaderSize + 100), 10u);
  EXPECT_EQ(deliveredTableLength(header, 3), 0u);
}

}  // namespace
