#include "base/text_buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextBufferTest, AppendsKeepOneTerminatedText) {
  TextBuffer text;
  EXPECT_STREQ(text.text(), "");
  EXPECT_TRUE(text.empty());

  // Byte by byte past several growths, then a block with a NUL inside it.
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    const char c = static_cast<char>('a' + i % 26);
    ASSERT_TRUE(text.append(c));
    expected += c;
  }
  ASSERT_TRUE(text.append("x\0y", 3));
  expected.append("x\0y", 3);
  ASSERT_EQ(text.size(), expected.size());
  EXPECT_EQ(std::string(text.text(), text.size()), expected);
  EXPECT_EQ(text.text()[text.size()], '\0');
  EXPECT_FALSE(text.failed());

  text.truncate(2);
  EXPECT_STREQ(text.text(), "ab");
  text.truncate(5);  // not longer: unchanged
  EXPECT_STREQ(text.text(), "ab");
  text.clear();
  EXPECT_STREQ(text.text(), "");
  ASSERT_TRUE(text.append("again"));
  EXPECT_STREQ(text.text(), "again");
}

TEST(TextBufferTest, ImpossibleSizeFailsAndLeavesTheText) {
  TextBuffer text;
  ASSERT_TRUE(text.append("kept"));
  EXPECT_FALSE(text.append("", static_cast<size_t>(-1)));
  EXPECT_TRUE(text.failed());
  EXPECT_STREQ(text.text(), "kept");

  TextBuffer moved(static_cast<TextBuffer&&>(text));
  EXPECT_STREQ(moved.text(), "kept");
  EXPECT_TRUE(moved.failed());
  EXPECT_STREQ(text.text(), "");
}

}  // namespace
