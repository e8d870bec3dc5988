// The texts the decoders write without printf are byte for byte what printf writes with the
// format they replace: over the whole input range where it is small, else over edge values.
#include "decoders/decoder_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "decoders/memory.h"
#include "decoders/processor.h"
#include "decoders/processor_id.h"
#include "decoders/size_text.h"
#include "records/record_store.h"
#include "tests/support/held_structure.h"

namespace {

template <typename... Values>
std::string printed(const char* format, Values... values) {
  char text[128];
  snprintf(text, sizeof text, format, values...);
  return text;
}

std::vector<uint64_t> range(uint64_t first, uint64_t last) {
  std::vector<uint64_t> values;
  for (uint64_t v = first; v <= last; ++v) values.push_back(v);
  return values;
}

// 0, every power of ten and of two with its neighbours, and the largest value.
std::vector<uint64_t> edges(uint64_t largest) {
  std::vector<uint64_t> values = {0, largest};
  for (uint64_t p = 1; p <= largest; p *= 10) {
    values.insert(values.end(), {p - 1, p, p + 1});
    if (p > largest / 10) break;
  }
  for (unsigned bit = 0; bit < 64 && (uint64_t{1} << bit) <= largest; ++bit) {
    const uint64_t p = uint64_t{1} << bit;
    values.insert(values.end(), {p - 1, p, p + 1, p + (p >> 1)});
  }
  std::vector<uint64_t> kept;
  for (uint64_t v : values) {
    if (v <= largest) kept.push_back(v);
  }
  return kept;
}

MemoryNumberPie memoryPie;

std::string signature(ProcessorIdKind kind, uint32_t d) {
  uint8_t id[8] = {};
  ByteWriter(id, sizeof id).writeU32Le(d);
  SignaturePie pie;
  return made(processorSignatureText(kind, id, pie));
}

TEST(DecoderTextTest, WritesWhatPrintfWrites) {
  struct Helper {
    const char* name;
    std::vector<uint64_t> inputs;
    std::function<std::string(uint64_t)> ours;
    std::function<std::string(uint64_t)> printfs;
  };
  const Helper helpers[] = {
      {"decimal", edges(UINT32_MAX),
       [](uint64_t v) {
         char text[10];
         return std::string(text, writeDecimal(text, static_cast<uint32_t>(v)));
       },
       [](uint64_t v) { return printed("%u", static_cast<unsigned>(v)); }},
      {"ID byte", range(0, 0xFF),
       [](uint64_t v) {
         char text[2];
         return std::string(text, writeHexPair(text, static_cast<uint8_t>(v)));
       },
       [](uint64_t v) { return printed("%02X", static_cast<unsigned>(v)); }},
      {"processor voltage", range(0x80, 0xFF),
       [](uint64_t v) {
         VoltagePie pie;
         return made(processorVoltageText(static_cast<uint8_t>(v), pie));
       },
       [](uint64_t v) {
         return printed("%.1f V", static_cast<double>(static_cast<float>(v & 0x7F) / 10.0f));
       }},
      {"memory voltage", range(1, 0xFFFF),
       [](uint64_t v) { return made(memoryVoltageText(static_cast<uint16_t>(v), memoryPie)); },
       [](uint64_t v) {
         const double volts = static_cast<float>(v) / 1000.0f;
         return printed(v % 100 != 0 ? "%g V" : "%.1f V", volts);
       }},
      {"frequency", range(1, 0xFFFF),
       [](uint64_t v) {
         FrequencyPie pie;
         return made(processorFrequencyText(static_cast<uint16_t>(v), pie));
       },
       [](uint64_t v) { return printed("%u MHz", static_cast<unsigned>(v)); }},
      {"extended speed", edges(UINT32_MAX),
       [](uint64_t v) {
         return made(memorySpeedText(0xFFFF, static_cast<uint32_t>(v), memoryPie));
       },
       [](uint64_t v) {
         return v != 0 ? printed("%u MT/s", static_cast<unsigned>(v)) : "Speed Unknown";
       }},
      {"extended size", edges(0x7FFFFFFF),
       [](uint64_t v) { return made(memoryExtendedSizeText(static_cast<uint32_t>(v), memoryPie)); },
       [](uint64_t v) {
         const unsigned long n = static_cast<unsigned long>(v);
         if ((n & 0x3FF) != 0) return printed("%lu MB", n);
         if ((n & 0xFFC00) != 0) return printed("%lu GB", n >> 10);
         return printed("%lu TB", n >> 20);
       }},
      {"size in bytes", edges(UINT64_MAX),
       [](uint64_t v) { return std::string(sizeText(v, 0).text); },
       [](uint64_t v) {
         const auto low = static_cast<uint32_t>(v), high = static_cast<uint32_t>(v >> 32);
         return printed("%lu %s", static_cast<unsigned long>(sizeValue(low, high)),
                        sizeUnit(low, high, 0));
       }},
      {"size in kB", edges(UINT64_MAX >> 10),
       [](uint64_t v) { return std::string(sizeText(v, 1).text); },
       [](uint64_t v) {
         const auto low = static_cast<uint32_t>(v), high = static_cast<uint32_t>(v >> 32);
         return printed("%lu %s", static_cast<unsigned long>(sizeValue(low, high)),
                        sizeUnit(low, high, 1));
       }},
      {"Intel signature", edges(UINT32_MAX),
       [](uint64_t v) { return signature(ProcessorIdKind::X86Intel, static_cast<uint32_t>(v)); },
       [](uint64_t v) {
         const auto d = static_cast<uint32_t>(v);
         return printed("Type %u, Family %u, Model %u, Stepping %u", (d >> 12) & 0x3,
                        ((d >> 20) & 0xFF) + ((d >> 8) & 0xF),
                        ((d >> 12) & 0xF0) + ((d >> 4) & 0xF), d & 0xF);
       }},
      {"AMD signature", edges(UINT32_MAX),
       [](uint64_t v) { return signature(ProcessorIdKind::X86Amd, static_cast<uint32_t>(v)); },
       [](uint64_t v) {
         const auto d = static_cast<uint32_t>(v);
         const unsigned base = (d >> 8) & 0xF;
         const bool extended = base == 0xF;
         return printed("Family %u, Model %u, Stepping %u",
                        extended ? base + ((d >> 20) & 0xFF) : base,
                        ((d >> 4) & 0xF) | (extended ? (d >> 12) & 0xF0 : 0), d & 0xF);
       }},
  };
  for (const Helper& helper : helpers) {
    ASSERT_FALSE(helper.inputs.empty()) << helper.name;
    for (uint64_t v : helper.inputs) {
      ASSERT_EQ(helper.ours(v), helper.printfs(v)) << helper.name << " of " << v;
    }
  }
}

// A piece that does not fit cuts the text for good, and a cut text is no text to store.
TEST(DecoderTextTest, WorkTextGivesOnlyWholeTexts) {
  char buffer[6];
  EXPECT_EQ(made(WorkText(buffer).add("ab").decimal(123).result()), "ab123");
  EXPECT_EQ(WorkText(buffer).add("ab").decimal(1234).add('c').result().text, nullptr);
  EXPECT_EQ(WorkText(buffer).add("abcdef").add("").result().text, nullptr);
  EXPECT_EQ(formatted(buffer, sizeof buffer, "%s", "abcdef").text, nullptr);
  EXPECT_EQ(made(formatted(buffer, sizeof buffer, "%u", 42u)), "42");
}

}  // namespace
