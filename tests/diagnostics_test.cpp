// The reader's diagnostics as the tool explains them: each text of the table told apart by its
// format, whatever numbers it holds, and the load's messages kept on lines of their own.
#include "tools/diagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/json_reader.h"

namespace {

std::string written(FILE* file) {
  std::string text(static_cast<size_t>(ftell(file)), '\0');
  rewind(file);
  EXPECT_EQ(fread(text.data(), 1, text.size(), file), text.size());
  fclose(file);
  return text;
}

Json listJson(const DiagnosticList& list) {
  FILE* file = tmpfile();
  JsonWriter json(file);
  json.open(nullptr, '{');
  list.writeJson(json);
  json.close('}');
  json.finish();
  Json parsed;
  std::string error;
  EXPECT_TRUE(parseJson(written(file), &parsed, &error)) << error;
  return parsed["diagnostics"];
}

// Every message the reader writes, with its numbers, and what is none of them.
TEST(Diagnostics, EachTextOfTheTableByItsFormat) {
  const struct {
    const char* out;
    const char* err;
    std::vector<std::string> kindsAndTexts;  // "kind|stream|text|times"
  } cases[] = {
      {"", "", {}},
      {"BiosReader: trying to over allocate!BiosReader: trying to over allocate!\t<TRUNCATED>\n\n",
       "Invalid entry length (16). Fixed up to 11.\n"
       "Invalid entry length (0). DMI table is broken! Stop.\n\n"
       "Wrong DMI structures count: 373 announced, only 5 decoded.\n"
       "Wrong DMI structures length: 17307 bytes announced, structures occupy 478 bytes.\n",
       {"secondMemoryArray|stdout|BiosReader: trying to over allocate!|2",
        "structureTruncated|stdout|<TRUNCATED>|1",
        "lengthFixedUp|stderr|Invalid entry length (16). Fixed up to 11.|1",
        "lengthBelowHeader|stderr|Invalid entry length (0). DMI table is broken! Stop.|1",
        "structureCountMismatch|stderr|Wrong DMI structures count: 373 announced, only 5 "
        "decoded.|1",
        "tableLengthMismatch|stderr|Wrong DMI structures length: 17307 bytes announced, "
        "structures occupy 478 bytes.|1"}},
      // A negative count, as %d writes one, is still the count message.
      {"",
       "Wrong DMI structures count: -1 announced, only 4 decoded.\n",
       {"structureCountMismatch|stderr|Wrong DMI structures count: -1 announced, only 4 "
        "decoded.|1"}},
      // A text of the table on the other stream, or with no number where one belongs, is not it.
      {"Invalid entry length (3). DMI table is broken! Stop.\n",
       "Invalid entry length (). Fixed up to 11.\nsomething else",
       {"other|stdout|Invalid entry length (3). DMI table is broken! Stop.|1",
        "other|stderr|Invalid entry length (). Fixed up to 11.|1",
        "other|stderr|something else|1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    const Json list = listJson(DiagnosticList(c.out, c.err));
    std::vector<std::string> got;
    for (const Json& m : list.items) {
      EXPECT_FALSE(m["meaning"].text.empty());
      got.push_back(m["kind"].text + "|" + m["stream"].text + "|" + m["text"].text + "|" +
                    std::to_string(m["times"].number));
    }
    EXPECT_EQ(got, c.kindsAndTexts);
  }
  // Not captured: null, and the report says so.
  const DiagnosticList none(nullptr, nullptr);
  EXPECT_EQ(listJson(none).kind, Json::Kind::Null);
  FILE* file = tmpfile();
  none.writeText(file);
  EXPECT_EQ(written(file), "\nDiagnostics: not captured (see standard error)\n");
}

TEST(Diagnostics, MessagesGetLinesOfTheirOwn) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"BiosReader: trying to over allocate!Invalid entry length (16). Fixed up to 11.\n",
       "BiosReader: trying to over allocate!\nInvalid entry length (16). Fixed up to 11.\n"},
      // Every other byte as written.
      {"\t<TRUNCATED>\n\nWrong DMI structures count: 5 announced, only 4 decoded.\n",
       "\t<TRUNCATED>\n\nWrong DMI structures count: 5 announced, only 4 decoded.\n"},
      {"BiosReader: trying to over allocate!", "BiosReader: trying to over allocate!\n"},
  };
  for (const auto& c : cases) {
    FILE* file = tmpfile();
    writeMessagesOnTheirOwnLines(file, c.in);
    EXPECT_EQ(written(file), c.out);
  }
}

}  // namespace
