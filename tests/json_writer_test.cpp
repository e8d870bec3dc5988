// JSON text as the tool writes it.
#include "tools/json_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/json_reader.h"

namespace {

TEST(JsonString, EscapesWhatRfc8259Requires) {
  const struct {
    std::string text;
    std::string json;
  } cases[] = {
      {"", "\"\""},
      {"plain text 1.2 V", "\"plain text 1.2 V\""},
      {"a\"b\\c/d", "\"a\\\"b\\\\c/d\""},
      {"\n\t\r\b\f", "\"\\n\\t\\r\\b\\f\""},
      {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
      // Bytes above ASCII are kept, one code point each, so the output stays valid UTF-8.
      {"\xe9\xff", "\"\\u00e9\\u00ff\""},
  };
  for (const auto& c : cases) {
    TextBuffer json;
    appendJsonString(&json, c.text.data(), c.text.size());
    EXPECT_EQ(std::string(json.text(), json.size()), c.json);
    Json parsed;
    std::string error;
    ASSERT_TRUE(parseJson(c.json, &parsed, &error)) << error;
    EXPECT_EQ(parsed.text, c.text);
  }
}

}  // namespace
