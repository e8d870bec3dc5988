// Size counts to a number and a 1024-based unit.
#include "decoders/size_text.h"

#include <gtest/gtest.h>

namespace {

struct SizeCase {
  uint64_t count;
  unsigned shift;
  uint32_t value;
  const char* unit;
};

constexpr SizeCase kSizeCases[] = {
    {0, 0, 0, "bytes"},
    {0, 1, 0, "kB"},
    {1023, 0, 1023, "bytes"},
    {1024, 1, 1, "MB"},
    {1088, 1, 1088, "kB"},
    {1536, 1, 1536, "kB"},
    {8388608, 1, 8, "GB"},
    {1ull << 31, 1, 2, "TB"},
    // The single byte is dropped: the group between it and the megabyte is zero.
    {(1ull << 20) + 1, 0, 1, "MB"},
    // Only the two highest groups count.
    {(1ull << 20) + (1ull << 10) + 1, 0, 1025, "kB"},
    {1ull << 40, 0, 1, "TB"},
    {(1ull << 41) + (1ull << 39), 0, 2560, "GB"},
    // Groups crossing the two 32-bit halves.
    {1ull << 30, 0, 1, "GB"},
    {3ull << 31, 0, 6, "GB"},
    {0xFFFFFFFFFFFFFFFFull, 0, 16383, "PB"},
    {1ull << 60, 1, 1, "ZB"},
    {1ull << 60, 0, 1, "EB"},
    {1048575, 1, 1048575, "kB"},
};

TEST(SizeTextTest, ValueAndUnitAgree) {
  for (const SizeCase& c : kSizeCases) {
    const auto low = static_cast<uint32_t>(c.count);
    const auto high = static_cast<uint32_t>(c.count >> 32);
    EXPECT_EQ(sizeValue(low, high), c.value) << c.count;
    EXPECT_STREQ(sizeUnit(low, high, c.shift), c.unit) << c.count;
    EXPECT_EQ(sizeText(c.count, c.shift).text, std::to_string(c.value) + " " + c.unit) << c.count;
    EXPECT_LT(sizeValue(low, high), 1u << 20) << c.count;
  }
}

TEST(SizeTextTest, ShiftBeyondTheUnitTable) {
  EXPECT_STREQ(sizeUnit(0, 1u << 28, 2), "<OUT OF SPEC>");
}

}  // namespace
