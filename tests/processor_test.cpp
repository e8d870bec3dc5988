// Processor Information decoding: length gates, value tables, counts and several structures.
#include "decoders/processor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/held_structure.h"
#include "tests/support/processor_texts.h"
#include "tests/support/reader_fixture.h"
#include "tests/support/structures.h"

namespace {

const char kUnknowable[] = "UnKnowable in this Machine";
const char kIntelId[] = "A9 06 03 00 FF FB EB BF";
const char kT440s[] = "Type 0, Family 6, Model 69, Stepping 1";
// 17 8B FB FF: no DS, ACPI, SS, TM, PBE.
const std::string kAmdFlags = allIntelFlagsBut({"DS", "ACPI", "SS", "TM", "PBE"});
const char kSixCharacteristics[] =
    "64-bit capable\nMulti-Core\nHardware Thread\nExecute Protection\nEnhanced "
    "Virtualization\nPower/Performance Control";

// Loads processor structures, which the load decodes without a word.
template <typename Base>
class Processors : public Base {
 protected:
  void loadProcessors(std::initializer_list<Bytes> structures) {
    const LoadOutput output = this->loadStructures(structures);
    EXPECT_EQ(output.out + output.err, "");
  }
};
using ProcessorTest = Processors<ReaderTest>;

// The fields that every structure of at least 0x1A bytes fills, as processorStructure sets them.
void expectHeadFields(const ProcessorRecord& p, const std::string& tag, const std::string& name) {
  EXPECT_EQ(text(p.socketDesignation), "CPU" + tag) << name;
  EXPECT_EQ(text(p.type), "Central Processor") << name;
  EXPECT_EQ(text(p.family), "Core i7") << name;
  EXPECT_EQ(text(p.manufacturer), "Intel(R) Corporation" + tag) << name;
  EXPECT_EQ(text(p.id), kIntelId) << name;
  EXPECT_EQ(text(p.signature), "Type 0, Family 6, Model 58, Stepping 9") << name;
  EXPECT_NE(p.flags, nullptr) << name;
  EXPECT_EQ(text(p.version), "Intel(R) Core(TM) i7-3770" + tag) << name;
  EXPECT_EQ(text(p.voltage), "1.2 V") << name;
  EXPECT_EQ(text(p.externalClock), "100 MHz") << name;
  EXPECT_EQ(text(p.maxSpeed), "4000 MHz") << name;
  EXPECT_EQ(text(p.currentSpeed), "3600 MHz") << name;
  EXPECT_EQ(p.present, 0) << name;
}

// What a structure of each length fills: nothing below 0x1A, then the head; the tail fields are
// unknowable below 0x20, absent up to 0x22, then strings from 0x23 and counts and
// characteristics from 0x28.
enum Tail { kTailNull, kTailUnknowable, kTailStrings, kTailFull };
struct LengthCase {
  uint8_t length;
  bool head;
  Tail tail;
};
void PrintTo(const LengthCase& c, std::ostream* out) {
  *out << "length " << int{c.length};
}
using ProcessorLengthGate = Processors<ReaderCaseTest<LengthCase>>;

TEST_P(ProcessorLengthGate, FillsWhatTheLengthHolds) {
  const LengthCase& c = GetParam();
  loadProcessors({processorStructure(c.length)});
  const ProcessorRecord& p = processor();
  if (c.head) {
    expectHeadFields(p, "", "head");
  } else {
    for (const char* field : {p.socketDesignation, p.type, p.family, p.id, p.signature, p.flags,
                              p.voltage, p.currentSpeed}) {
      EXPECT_EQ(field, nullptr);
    }
  }
  const char* const tail[] = {p.serialNumber, p.assetTag,    p.partNumber,     p.coreCount,
                              p.coresEnabled, p.threadCount, p.characteristics};
  const char* const strings[] = {"SN", "AT", "PN"};
  const char* const everything[] = {"SN", "AT", "PN", "4", "3", "8", kSixCharacteristics};
  for (size_t i = 0; i < 7; ++i) {
    const char* expected = c.tail == kTailUnknowable         ? kUnknowable
                           : c.tail == kTailStrings && i < 3 ? strings[i]
                           : c.tail == kTailFull             ? everything[i]
                                                             : "(null)";
    EXPECT_EQ(text(tail[i]), expected) << "field " << i;
  }
}

const LengthCase kLengthCases[] = {
    {0x04, false, kTailNull},      {0x19, false, kTailNull},   {0x1A, true, kTailUnknowable},
    {0x1F, true, kTailUnknowable}, {0x20, true, kTailNull},    {0x21, true, kTailNull},
    {0x22, true, kTailNull},       {0x23, true, kTailStrings}, {0x27, true, kTailStrings},
    {0x28, true, kTailFull},       {0x30, true, kTailFull},    {0xFF, true, kTailFull},
};
INSTANTIATE_TEST_SUITE_P(Rows, ProcessorLengthGate, ::testing::ValuesIn(kLengthCases));

// The count bytes and, behind a byte of 0xFF, their words, each as far as the length holds it.
TEST_F(ProcessorTest, CountsAndTheirExtensionWords) {
  struct Count {
    char* ProcessorRecord::*field;
    unsigned byteOffset, wordOffset;
  };
  const Count cores{&ProcessorRecord::coreCount, 0x23, 0x2A};
  const Count enabled{&ProcessorRecord::coresEnabled, 0x24, 0x2C};
  const Count threads{&ProcessorRecord::threadCount, 0x25, 0x2E};
  const struct {
    Count count;
    uint8_t length, byte;
    uint16_t word;
    const char* expected;
  } cases[] = {{cores, 0x30, 0, 7, "(null)"},         {cores, 0x30, 12, 7, "12"},
               {cores, 0x2B, 0xFF, 0x100, "255"},     {cores, 0x2C, 0xFF, 0x100, "256"},
               {cores, 0x2C, 0xFF, 0, "0"},           {enabled, 0x30, 0, 7, "(null)"},
               {enabled, 0x2D, 0xFF, 0, "255"},       {enabled, 0x2E, 0xFF, 0x200, "512"},
               {threads, 0x30, 0, 7, "(null)"},       {threads, 0x2F, 0xFF, 0x1234, "255"},
               {threads, 0x30, 0xFF, 0xFFFF, "65535"}};
  for (const auto& c : cases) {
    freshReader();
    Structure s(4, c.length);
    s.u8(0x06, 0xC6).u8(c.count.byteOffset, c.byte);
    if (c.count.wordOffset + 2 <= c.length) s.u16(c.count.wordOffset, c.word);
    // Byte 0x2E lies inside a structure of length 0x2F; its word does not.
    if (c.length == 0x2F) s.u8(0x2E, 0x34);
    loadProcessors({s});
    EXPECT_EQ(text(processor().*c.count.field), c.expected)
        << "offset " << c.count.byteOffset << ", length " << int{c.length};
  }
}

TEST(ProcessorTextTest, Types) {
  const char* const expected[] = {"<OUT OF SPEC>",     "Other",          "Unknown",
                                  "Central Processor", "Math Processor", "DSP Processor",
                                  "Video Processor",   "<OUT OF SPEC>"};
  for (uint8_t type = 0; type < 8; ++type) EXPECT_EQ(made(processorTypeText(type)), expected[type]);
  EXPECT_EQ(made(processorTypeText(255)), "<OUT OF SPEC>");
}

TEST(ProcessorFamilyTest, TableIsStrictlyIncreasing) {
  ASSERT_EQ(sizeof processorFamilyNames / sizeof processorFamilyNames[0], 214u);
  EXPECT_EQ(processorFamilyNames[0].value, 0x01);
  EXPECT_EQ(processorFamilyNames[213].value, 0x202);
  for (int i = 1; i < kProcessorFamilyNameCount; ++i) {
    EXPECT_LT(processorFamilyNames[i - 1].value, processorFamilyNames[i].value) << "index " << i;
  }
  for (const ValueText& entry : processorFamilyNames) {
    ASSERT_NE(entry.text, nullptr);
    EXPECT_GT(strlen(entry.text), 0u);
  }
}

// A structure whose family is code: the byte when it fits one, else Processor Family 2.
Bytes familyStructure(unsigned code, uint8_t length = 0x2A, const char* manufacturer = nullptr) {
  Structure s(4, length);
  if (code > 0xFF || code == 0xFE) {
    s.u8(0x06, 0xFE);
    if (length >= 0x2A) {
      s.u16(0x28, static_cast<uint16_t>(code));
    } else {
      // Where Processor Family 2 would lie, the strings begin: 0x0101 if it were read.
      s.str("\x01\x01");
    }
  } else {
    s.u8(0x06, static_cast<uint8_t>(code));
  }
  if (manufacturer != nullptr) s.u8(0x07, 1).str(manufacturer);
  return s;
}

TEST(ProcessorFamilyTest, SearchFindsExactlyTheCodesOfTheTable) {
  int entry = 0;
  for (unsigned code = 0; code <= 0x2FF; ++code) {
    if (code == 0xBE) continue;
    const HeldFacts<ProcessorFacts> facts(familyStructure(code), readProcessorFacts);
    const bool listed =
        entry < kProcessorFamilyNameCount && processorFamilyNames[entry].value == code;
    bool named = false;
    EXPECT_EQ(made(processorFamilyText(*facts, &named)),
              listed ? processorFamilyNames[entry].text : "<OUT OF SPEC>")
        << "code 0x" << std::hex << code;
    EXPECT_EQ(named, listed);
    if (listed) ++entry;
  }
  EXPECT_EQ(entry, kProcessorFamilyNameCount);
}

TEST(ProcessorFamilyTest, Names) {
  struct Case {
    const char* name;
    Bytes structure;
    const char* expected;
  };
  const Case cases[] = {
      {"0xC6", familyStructure(0xC6), "Core i7"},
      {"0x16", familyStructure(0x16), "<OUT OF SPEC>"},
      {"0x01", familyStructure(0x01), "Other"},
      {"0xFF", familyStructure(0xFF), "<OUT OF SPEC>"},
      {"family 2 0x202", familyStructure(0x202), "RV128"},
      {"family 2 0x101", familyStructure(0x101), "ARMv8"},
      {"family 2 0x104", familyStructure(0x104), "SH-3"},
      {"family 2 0xFE", familyStructure(0xFE), "<OUT OF SPEC>"},
      {"family 2 0x00C6", Structure(4, 0x2A).u8(0x06, 0xFE).u16(0x28, 0xC6), "Core i7"},
      // Family 2 lies beyond a structure of 0x28 or 0x29 bytes: 0xFE is looked up itself.
      {"family 2 cut off", familyStructure(0x101, 0x28), "<OUT OF SPEC>"},
      {"family 2 cut off at 0x29", familyStructure(0x101, 0x29), "<OUT OF SPEC>"},
      // Family 2 only counts behind the byte 0xFE.
      {"family 2 behind 0xC6", Structure(4, 0x2A).u8(0x06, 0xC6).u16(0x28, 0x101), "Core i7"},
  };
  for (const Case& c : cases) {
    const HeldFacts<ProcessorFacts> facts(c.structure, readProcessorFacts);
    EXPECT_EQ(made(processorFamilyText(*facts)), c.expected) << c.name;
  }
}

TEST(ProcessorFamilyTest, CodeBEDependsOnTheManufacturer) {
  struct Case {
    const char* manufacturer;  // null: no string
    const char* expected;
  };
  const Case cases[] = {
      {"Intel(R) Corporation", "Core 2"},
      {"GenuineIntel", "Core 2"},
      {"intel corporation", "Core 2"},
      {"INTEL", "Core 2"},
      {"Int", "Core 2 or K7"},
      {"Genuine intel", "Core 2 or K7"},
      {"AMD", "K7"},
      {"Advanced Micro Devices (AMD)", "K7"},
      {"amd inc.", "K7"},
      {"Advanced Micro Devices, Inc.", "Core 2 or K7"},
      {"Intel AMD", "Core 2"},
      {"VIA", "Core 2 or K7"},
      {"", "Core 2 or K7"},
      {nullptr, "Core 2 or K7"},
  };
  for (const Case& c : cases) {
    const HeldFacts<ProcessorFacts> facts(familyStructure(0xBE, 0x1A, c.manufacturer),
                                          readProcessorFacts);
    EXPECT_EQ(made(processorFamilyText(*facts)), c.expected)
        << (c.manufacturer ? c.manufacturer : "(none)");
  }
  // Reached through Processor Family 2 as well.
  const HeldFacts<ProcessorFacts> facts(
      Structure(4, 0x2A).u8(0x06, 0xFE).u16(0x28, 0xBE).u8(0x07, 1).str("AMD"), readProcessorFacts);
  EXPECT_EQ(made(processorFamilyText(*facts)), "K7");
}

TEST_F(ProcessorTest, Voltages) {
  struct Case {
    uint8_t voltage;
    const char* expected;
  };
  const Case cases[] = {
      {0x8C, "1.2 V"},
      {0x80, "0.0 V"},
      {0x81, "0.1 V"},
      {0xFF, "12.7 V"},
      {0x01, "5.0 V"},
      {0x02, "3.3 V"},
      {0x04, "2.9 V"},
      {0x03, "5.0 V 3.3 V"},
      {0x05, "5.0 V 2.9 V"},
      {0x07, "5.0 V 3.3 V 2.9 V"},
      {0x7F, "5.0 V 3.3 V 2.9 V"},
      {0x0A, "3.3 V"},
      {0x00, "UNKNOWN"},
      {0x08, "UNKNOWN"},
      {0x78, "UNKNOWN"},
  };
  VoltagePie pie;
  for (const Case& c : cases) {
    EXPECT_EQ(made(processorVoltageText(c.voltage, pie)), c.expected)
        << "voltage 0x" << std::hex << unsigned(c.voltage);
  }
  // Every tenth of a volt comes out as the decimal it stands for.
  for (unsigned v = 0; v < 128; ++v) {
    EXPECT_EQ(made(processorVoltageText(static_cast<uint8_t>(0x80 | v), pie)),
              std::to_string(v / 10) + "." + std::to_string(v % 10) + " V");
  }
}

TEST_F(ProcessorTest, Speeds) {
  struct Case {
    uint16_t value;
    const char* expected;
  };
  const Case cases[] = {{0, "Unknown"}, {1, "1 MHz"}, {3600, "3600 MHz"}, {65535, "65535 MHz"}};
  FrequencyPie pie;
  for (const Case& c : cases) EXPECT_EQ(made(processorFrequencyText(c.value, pie)), c.expected);
  freshReader();
  loadProcessors({Structure(4, 0x1A).u16(0x12, 0).u16(0x14, 65535).u16(0x16, 2400)});
  EXPECT_EQ(text(processor().externalClock), "Unknown");
  EXPECT_EQ(text(processor().maxSpeed), "65535 MHz");
  EXPECT_EQ(text(processor().currentSpeed), "2400 MHz");
}

TEST_F(ProcessorTest, Characteristics) {
  struct Case {
    uint16_t bits;
    const char* expected;
  };
  const Case cases[] = {
      {0x0004, "64-bit capable"},
      {0x0002, "None"},
      {0x0000, "None"},
      {0xFC03, "None"},
      {0x0100, "128-bit Capable"},
      {0x0200, "Arm64 SoC ID"},
      {0x00FC, kSixCharacteristics},
      {0xFFFF,
       "64-bit capable\nMulti-Core\nHardware Thread\nExecute Protection\nEnhanced "
       "Virtualization\nPower/Performance Control\n128-bit Capable\nArm64 SoC ID"},
      {0x0028, "Multi-Core\nExecute Protection"},
  };
  ProcessorCharacteristicsPie pie;
  for (const Case& c : cases) {
    EXPECT_EQ(made(processorCharacteristicsText(c.bits, pie)), c.expected)
        << "bits 0x" << std::hex << c.bits;
  }
}

TEST_F(ProcessorTest, MissingStrings) {
  // String numbers 0 and beyond the set.
  loadProcessors({Structure(4, 0x23).u8(0x04, 0).u8(0x07, 9).u8(0x10, 1).u8(0x20, 2).str("v")});
  EXPECT_EQ(text(processor().socketDesignation), "Not Specified");
  EXPECT_EQ(text(processor().manufacturer), "<BAD INDEX>");
  EXPECT_EQ(text(processor().version), "v");
  EXPECT_EQ(text(processor().serialNumber), "<BAD INDEX>");
  EXPECT_EQ(text(processor().assetTag), "Not Specified");
}

TEST_F(ProcessorTest, LaterStructuresWinFieldByField) {
  // A long structure, then a short one: the short one replaces only what it holds.
  Structure second(4, 0x20);
  second.u8(0x04, 1).u8(0x05, 4).u8(0x06, 0x6B).u8(0x07, 2).u8(0x10, 3).u8(0x11, 0x01);
  second.bytes(0x08, {0x82, 0x0F, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00});
  second.str("CPU2").str("AMD").str("Zen part");
  loadProcessors({processorStructure(0x30, "1"), second});
  const ProcessorRecord& p = processor();
  EXPECT_EQ(text(p.socketDesignation), "CPU2");
  EXPECT_EQ(text(p.type), "Math Processor");
  EXPECT_EQ(text(p.family), "Zen");
  EXPECT_EQ(text(p.manufacturer), "AMD");
  EXPECT_EQ(text(p.id), "82 0F 80 00 00 00 00 00");
  EXPECT_EQ(text(p.signature), "Family 23, Model 8, Stepping 2");
  EXPECT_EQ(text(p.flags), "None");
  EXPECT_EQ(text(p.version), "Zen part");
  EXPECT_EQ(text(p.voltage), "5.0 V");
  EXPECT_EQ(text(p.externalClock), "Unknown");
  EXPECT_EQ(text(p.serialNumber), "SN1");
  EXPECT_EQ(text(p.assetTag), "AT1");
  EXPECT_EQ(text(p.partNumber), "PN1");
  EXPECT_EQ(text(p.coreCount), "4");
  EXPECT_EQ(text(p.coresEnabled), "3");
  EXPECT_EQ(text(p.threadCount), "8");
  EXPECT_NE(text(p.characteristics).find("Multi-Core"), std::string::npos);

  // A structure below 0x1A bytes changes nothing; a count byte of 0 keeps the earlier count.
  freshReader();
  Structure noCounts = processorStructure(0x28, "3");
  noCounts.u8(0x23, 0).u8(0x24, 0).u8(0x25, 0);
  loadProcessors({processorStructure(0x30, "1"), processorStructure(0x19, "2"), noCounts});
  expectHeadFields(processor(), "3", "three structures");
  EXPECT_EQ(text(processor().serialNumber), "SN3");
  EXPECT_EQ(text(processor().coreCount), "4");
}

TEST_F(ProcessorTest, UnpopulatedSocketLaterInTheTableWins) {
  // Status 0: socket empty. Everything else zero as firmware leaves it.
  loadProcessors({processorStructure(0x30, "1"), Structure(4, 0x30).u8(0x06, 0x02)});
  const ProcessorRecord& p = processor();
  EXPECT_EQ(text(p.id), "00 00 00 00 00 00 00 00");
  EXPECT_EQ(text(p.family), "Unknown");
  EXPECT_EQ(text(p.type), "<OUT OF SPEC>");
  EXPECT_EQ(text(p.socketDesignation), "Not Specified");
  EXPECT_EQ(text(p.flags), "UNKNOWN");
  EXPECT_EQ(text(p.signature), "Type 0, Family 6, Model 58, Stepping 9");
  EXPECT_EQ(text(p.voltage), "UNKNOWN");
  EXPECT_EQ(text(p.currentSpeed), "Unknown");
  EXPECT_EQ(text(p.coreCount), "4");  // count bytes of 0 keep the first socket's counts
  EXPECT_EQ(text(p.characteristics), "None");
}

// Real firmware tables: the processor fields of their last type 4 structure.
TEST_F(ProcessorTest, RealTables) {
  SKIP_WITHOUT_SHARED_TABLES();
  const struct {
    const char* file;
    const char* id;  // null: no processor structure
    const char* family;
    const char* signature;  // null: the kind cannot be told
    std::string flags;
  } cases[] = {
      {"fwupd-sysfs-T440s.DMI", "51 06 04 00 FF FB EB BF", "Core i7", kT440s, kAllIntelFlags},
      {"fwupdtf-DMI-T440s.bin", "51 06 04 00 FF FB EB BF", "Core i7", kT440s, kAllIntelFlags},
      {"fwupd-sysfs-XPS13-9365.DMI", "E9 06 08 00 FF FB EB BF", "Core i7",
       "Type 0, Family 6, Model 142, Stepping 9", kAllIntelFlags},
      {"fwupdtf-DMI-XPS13-9350.bin", "E3 06 04 00 FF FB EB BF", "Core i5",
       "Type 0, Family 6, Model 78, Stepping 3", kAllIntelFlags},
      // Family "Other" and a version text in lower-case "(tm)": the kind cannot be told.
      {"fwupdtf-DMI-ProLiant-MicroServer.bin", "63 0F 10 00 FF FB 8B 17", "Other", nullptr,
       "UNKNOWN"},
      {"fwupdtf-intel-me-ROG-Z790.DMI", "71 06 0B 00 FF FB EB BF", "Core i9",
       "Type 0, Family 6, Model 183, Stepping 1", kAllIntelFlags},
      {"gosmbios-ASRock-Single-Ryzen.dmi", "10 0F A2 00 FF FB 8B 17", "Zen",
       "Family 25, Model 33, Stepping 0", kAmdFlags},
      // Family "Other" and a version text that names no known processor line.
      {"gosmbios-Beelink-EQ12.dmi", "E0 06 0B 00 FF FB EB BF", "Other", nullptr, "UNKNOWN"},
      // The second socket is empty and last: its zero ID wins, the signature stays the first's.
      {"gosmbios-Dell-PowerEdge-R630-Dual-Xeon.dmi", "00 00 00 00 00 00 00 00", "Unknown",
       "Type 0, Family 6, Model 63, Stepping 2", "UNKNOWN"},
      {"gosmbios-HyperV.dmi", nullptr, nullptr, nullptr, ""},
      {"gosmbios-SuperMicro-Dual-Xeon.dmi", "E4 06 03 00 FF FB EB BF", "Xeon",
       "Type 0, Family 6, Model 62, Stepping 4", kAllIntelFlags},
      {"gosmbios-SuperMicro-Quad-Opteron.dmi", "91 0F 10 00 FF FB 8B 17", "Opteron",
       "Family 16, Model 9, Stepping 1", kAmdFlags},
      {"smbioslib-jeffgerlap_3_2_0.dat", "81 0F 81 00 FF FB 8B 17", "Zen",
       "Family 23, Model 24, Stepping 1", kAmdFlags},
      {"wine-8.0-synthesised.rsmb", nullptr, nullptr, nullptr, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    freshReader();
    load(sharedTableRaw(c.file));
    const ProcessorRecord& p = processor();
    EXPECT_EQ(text(p.id), text(c.id));
    if (c.id == nullptr) continue;
    EXPECT_EQ(text(p.family), c.family);
    EXPECT_EQ(text(p.signature), text(c.signature));
    EXPECT_EQ(text(p.flags), c.flags);
  }
}

}  // namespace
