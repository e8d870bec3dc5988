// Structure access and the decoders' string lookup: numbering, missing strings, the in-place
// filter and the end of the table; the strings in one pass; the printable-byte test and bounded
// reads of the formatted area.
#include "structures/structure.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "decoders/decoder_text.h"
#include "tests/support/held_structure.h"

namespace {

// What the decoders' lookup gives for one string number of a structure.
std::string resolved(const StructureHeader& header, uint8_t number) {
  StringFact fact = {nullptr, 0, number};
  StringFact* const facts[] = {&fact};
  resolveStrings(&header, facts, 1);
  EXPECT_EQ(fact.length, std::strlen(fact.text));
  return fact.text;
}

TEST(StructureStringTest, Numbering) {
  struct Case {
    const char* name;
    Bytes structure;
    uint8_t number;
    const char* expected;
  };
  const Case cases[] = {
      {"number 0", Structure(1, 5).str("a").str("b"), 0, "Not Specified"},
      {"first", Structure(1, 5).str("a").str("b"), 1, "a"},
      {"second", Structure(1, 5).str("a").str("b"), 2, "b"},
      {"beyond the strings", Structure(1, 5).str("a").str("b"), 3, "<BAD INDEX>"},
      {"no strings at all", Structure(1, 5), 1, "<BAD INDEX>"},
      // The table ends inside the string set: a string without its NUL is not handed out.
      {"string cut by the table end", Structure(1, 5).rawStrings({'a', 0, 'b', 'c'}), 2,
       "<BAD INDEX>"},
      {"string before the cut", Structure(1, 5).rawStrings({'a', 0, 'b', 'c'}), 1, "a"},
      {"string set missing entirely", Structure(1, 5).rawStrings({}), 1, "<BAD INDEX>"},
      {"number far beyond a cut set", Structure(1, 5).rawStrings({'a', 0}), 255, "<BAD INDEX>"},
  };
  for (const Case& c : cases) {
    HeldStructure held(c.structure);
    const StructureHeader header = held.header();
    EXPECT_EQ(resolved(header, c.number), c.expected) << c.name;
    HeldStructure model(c.structure);
    const StructureHeader modelHeader = model.header();
    EXPECT_EQ(modelString(&modelHeader, c.number), c.expected) << c.name;
  }
}

TEST(StructureStringTest, FormattedLengthBeyondTheTableHasNoStrings) {
  HeldStructure held({0x01, 0x40, 0x00, 0x00, 'a', 0, 0});
  const StructureHeader header = held.header();
  EXPECT_EQ(resolved(header, 1), "<BAD INDEX>");
}

TEST(StructureStringTest, FiltersUnprintableBytesInPlace) {
  HeldStructure held(Structure(1, 4).rawStrings({0x41, 0x09, 0xE9, 0x7F, 0x42, 0, 0}));
  const StructureHeader header = held.header();
  EXPECT_EQ(resolved(header, 1), "A...B");
  const uint8_t filtered[] = {0x41, 0x2E, 0x2E, 0x2E, 0x42};
  EXPECT_EQ(std::memcmp(held.bytes() + 4, filtered, sizeof filtered), 0);
}

TEST(StructureStringsTest, GivesInTurnWhatTheLookupGivesForEachNumber) {
  Structure many(13, 0x16);
  for (int i = 0; i < 255; ++i) many.str(std::string(1 + i % 3, static_cast<char>('a' + i % 26)));
  struct Case {
    const char* name;
    Bytes structure;
  };
  const Case cases[] = {
      {"two strings", Structure(1, 5).str("a").str("bc")},
      {"no strings", Structure(1, 5)},
      {"unprintable bytes", Structure(1, 4).rawStrings({'A', 0x09, 0, 0xE9, 0x7F, 0, 0})},
      {"string cut by the table end", Structure(1, 5).rawStrings({'a', 0, 'b', 'c'})},
      {"set missing entirely", Structure(1, 5).rawStrings({})},
      {"formatted length beyond the table", Bytes{0x01, 0x40, 0x00, 0x00, 'a', 0, 0}},
      {"255 strings", many},
  };
  for (const Case& c : cases) {
    HeldStructure looked(c.structure);
    HeldStructure walked(c.structure);
    const StructureHeader lookedHeader = looked.header();
    const StructureHeader walkedHeader = walked.header();
    StructureStrings strings(&walkedHeader);
    for (int number = 1; number <= 255; ++number) {
      const std::string expected = modelString(&lookedHeader, static_cast<uint8_t>(number));
      ASSERT_EQ(strings.next(), expected) << c.name << ", string " << number;
    }
    // The filter has rewritten the same bytes in place.
    EXPECT_EQ(std::memcmp(looked.bytes(), walked.bytes(), c.structure.size()), 0) << c.name;
  }
}

// take hands out as one run exactly the strings next would hand out one by one, filtered alike,
// and leaves next to go on behind them.
TEST(StructureStringsTest, TakeIsWhatNextGivesInTurn) {
  const Bytes unprintable =
      Structure(1, 4).rawStrings({'A', 0x09, 0, 0xE9, 'b', 0x7F, 0, 'c', 0, 0});
  struct Case {
    const char* name;
    Bytes structure;
    unsigned count;
    unsigned wanted;
  };
  const Case cases[] = {
      {"all of three", Structure(1, 5).str("a").str("bc").str("def"), 3, 2},
      {"two of three, next goes on", Structure(1, 5).str("a").str("bc").str("def"), 2, 1},
      {"more than the set holds", Structure(1, 5).str("a").str("bc"), 5, 2},
      {"wanted beyond the set", Structure(1, 5).str("a").str("bc"), 5, 3},
      {"none", Structure(1, 5).str("a"), 0, 1},
      {"empty set", Structure(1, 5), 2, 1},
      {"unprintable bytes", unprintable, 3, 3},
      {"unprintable bytes behind the run", unprintable, 1, 1},
      {"cut by the table end", Structure(1, 5).rawStrings({'a', 0, 'b', 'c'}), 2, 2},
      {"formatted length beyond the table", Bytes{0x01, 0x40, 0x00, 0x00, 'a', 0, 0}, 1, 1},
  };
  for (const Case& c : cases) {
    HeldStructure taken(c.structure);
    HeldStructure stepped(c.structure);
    const StructureHeader takenHeader = taken.header();
    const StructureHeader steppedHeader = stepped.header();
    StructureStrings run(&takenHeader);
    StructureStrings one(&steppedHeader);
    const StructureStrings::Run r = run.take(c.count, c.wanted);
    std::string joined;
    std::string wanted = "(none)";
    unsigned found = 0;
    for (unsigned k = 1; k <= c.count; ++k) {
      size_t length = 0;
      const char* text = one.next(&length);
      ASSERT_EQ(length, std::strlen(text)) << c.name;
      if (text == kBadIndexText) break;
      joined += (k > 1 ? std::string(1, '\0') : "") + text;
      if (k == c.wanted) wanted = text;
      ++found;
    }
    EXPECT_EQ(r.found, found) << c.name;
    EXPECT_EQ(r.first != nullptr ? std::string(r.first, r.bytes) : "", joined) << c.name;
    EXPECT_EQ(r.wanted != nullptr ? std::string(r.wanted, r.wantedLength) : "(none)", wanted)
        << c.name;
    EXPECT_STREQ(run.next(), one.next()) << c.name;
    EXPECT_EQ(std::memcmp(taken.bytes(), stepped.bytes(), c.structure.size()), 0) << c.name;
  }
}

TEST(StructureStringTest, PrintableRun) {
  const uint8_t printable[] = {0x20, 'A', 0x7E};
  const uint8_t withDelete[] = {'A', 0x7F};
  const uint8_t withControl[] = {0x1F};
  EXPECT_EQ(isPrintableRun(printable, sizeof printable), 1);
  EXPECT_EQ(isPrintableRun(withDelete, sizeof withDelete), 0);
  EXPECT_EQ(isPrintableRun(withControl, sizeof withControl), 0);
  EXPECT_EQ(isPrintableRun(printable, 0), 1);
}

TEST(StructureReadTest, ReadsStayInsideTheFormattedArea) {
  HeldStructure held(Structure(1, 8).bytes(4, {0x11, 0x22, 0x33, 0x44}).str("zz"));
  const StructureHeader header = held.header();
  EXPECT_EQ(fieldAt<uint8_t>(&header, 4), 0x11);
  EXPECT_EQ(fieldAt<uint16_t>(&header, 4), 0x2211);
  EXPECT_EQ(fieldAt<uint32_t>(&header, 4), 0x44332211u);
  EXPECT_EQ(fieldAt<uint32_t>(&header, 5), 0u) << "would read the string set";
  EXPECT_EQ(fieldAt<uint64_t>(&header, 0), 0x4433221100000801ull);
  EXPECT_EQ(fieldAt<uint8_t>(&header, 8), 0);
  EXPECT_EQ(fieldAt<uint16_t>(&header, 0xFFFFFFFFu), 0) << "no sum wraps";
  EXPECT_FALSE(holdsField(&header, 0xFFFFFFFFu, 2));
}

}  // namespace
