// Processor Information decoding: length gates, value tables, counts and several structures.
#include "decoders/processor.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/byte_reader.h"
#include "tests/support/held_structure.h"
#include "tests/support/processor_texts.h"
#include "tests/support/reader_fixture.h"

namespace {

const char kUnknowable[] = "UnKnowable in this Machine";
const char kIntelId[] = "A9 06 03 00 FF FB EB BF";
const char kSixCharacteristics[] =
    "64-bit capable\nMulti-Core\nHardware Thread\nExecute Protection\nEnhanced "
    "Virtualization\nPower/Performance Control";

// A processor structure of the given length with every field it can hold set; the tag makes the
// strings of two structures tell apart.
Structure processorStructure(uint8_t length, const std::string& tag = "") {
  Structure s(4, length);
  // Only what the formatted area holds; a short structure simply ends earlier.
  auto put8 = [&](size_t offset, uint8_t value) {
    if (offset < length) s.u8(offset, value);
  };
  auto put16 = [&](size_t offset, uint16_t value) {
    uint8_t bytes[2];
    ByteWriter(bytes, sizeof bytes).writeU16Le(value);
    put8(offset, bytes[0]);
    put8(offset + 1, bytes[1]);
  };
  put8(0x04, 1);
  put8(0x05, 3);
  put8(0x06, 0xC6);
  put8(0x07, 2);
  const uint8_t id[] = {0xA9, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF};
  for (size_t i = 0; i < sizeof id; ++i) put8(0x08 + i, id[i]);
  put8(0x10, 3);
  put8(0x11, 0x8C);
  put16(0x12, 100);
  put16(0x14, 4000);
  put16(0x16, 3600);
  put8(0x20, 4);
  put8(0x21, 5);
  put8(0x22, 6);
  put8(0x23, 4);
  put8(0x24, 3);
  put8(0x25, 8);
  put16(0x26, 0x00FC);
  put16(0x28, 0xC6);
  s.str("CPU" + tag).str("Intel(R) Corporation" + tag).str("Intel(R) Core(TM) i7-3770" + tag);
  s.str("SN" + tag).str("AT" + tag).str("PN" + tag);
  return s;
}

class ProcessorTest : public ReaderTest {
 protected:
  void loadProcessors(std::initializer_list<Bytes> structures) {
    Bytes table = tableOf(structures);
    const Bytes end = endOfTable();
    table.insert(table.end(), end.begin(), end.end());
    const LoadOutput output = loadTable(table);
    EXPECT_EQ(output.out, "");
    EXPECT_EQ(output.err, "");
  }
};

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

TEST_F(ProcessorTest, LengthGates) {
  enum Tail { kTailNull, kTailUnknowable, kTailStrings, kTailFull };
  struct Case {
    uint8_t length;
    bool head;
    Tail tail;
  };
  const Case cases[] = {
      {0x04, false, kTailNull},      {0x19, false, kTailNull},   {0x1A, true, kTailUnknowable},
      {0x1F, true, kTailUnknowable}, {0x20, true, kTailNull},    {0x21, true, kTailNull},
      {0x22, true, kTailNull},       {0x23, true, kTailStrings}, {0x27, true, kTailStrings},
      {0x28, true, kTailFull},       {0x30, true, kTailFull},    {0xFF, true, kTailFull},
  };
  for (const Case& c : cases) {
    freshReader();
    loadProcessors({processorStructure(c.length)});
    const ProcessorRecord& p = processor();
    char name[32];
    snprintf(name, sizeof name, "length 0x%02X", c.length);
    if (c.head) {
      expectHeadFields(p, "", name);
    } else {
      EXPECT_EQ(p.socketDesignation, nullptr) << name;
      EXPECT_EQ(p.type, nullptr) << name;
      EXPECT_EQ(p.family, nullptr) << name;
      EXPECT_EQ(p.id, nullptr) << name;
      EXPECT_EQ(p.signature, nullptr) << name;
      EXPECT_EQ(p.flags, nullptr) << name;
      EXPECT_EQ(p.voltage, nullptr) << name;
      EXPECT_EQ(p.currentSpeed, nullptr) << name;
    }
    char* const* tail[] = {&p.serialNumber, &p.assetTag,    &p.partNumber,     &p.coreCount,
                           &p.coresEnabled, &p.threadCount, &p.characteristics};
    const char* unknowable[] = {kUnknowable, kUnknowable, kUnknowable, kUnknowable,
                                kUnknowable, kUnknowable, kUnknowable};
    const char* strings[] = {"SN", "AT", "PN", "(null)", "(null)", "(null)", "(null)"};
    const char* everything[] = {"SN", "AT", "PN", "4", "3", "8", kSixCharacteristics};
    for (size_t i = 0; i < 7; ++i) {
      std::string expected = "(null)";
      if (c.tail == kTailUnknowable) expected = unknowable[i];
      if (c.tail == kTailStrings) expected = strings[i];
      if (c.tail == kTailFull) expected = everything[i];
      EXPECT_EQ(text(*tail[i]), expected) << name << ", field " << i;
    }
  }
}

TEST_F(ProcessorTest, CountsAndTheirExtensionWords) {
  struct Case {
    const char* name;
    uint8_t length;
    unsigned byteOffset;
    uint8_t byte;
    unsigned wordOffset;
    uint16_t word;
    char* ProcessorRecord::*field;
    const char* expected;
  };
  const Case cases[] = {
      {"core count 0", 0x30, 0x23, 0, 0x2A, 7, &ProcessorRecord::coreCount, "(null)"},
      {"core count byte", 0x30, 0x23, 12, 0x2A, 7, &ProcessorRecord::coreCount, "12"},
      {"core count 255 without word", 0x2B, 0x23, 0xFF, 0x2A, 0x100, &ProcessorRecord::coreCount,
       "255"},
      {"core count word", 0x2C, 0x23, 0xFF, 0x2A, 0x100, &ProcessorRecord::coreCount, "256"},
      {"core count word of 0", 0x2C, 0x23, 0xFF, 0x2A, 0, &ProcessorRecord::coreCount, "0"},
      {"cores enabled 0", 0x30, 0x24, 0, 0x2C, 7, &ProcessorRecord::coresEnabled, "(null)"},
      {"cores enabled 255 without word", 0x2D, 0x24, 0xFF, 0x2C, 0, &ProcessorRecord::coresEnabled,
       "255"},
      {"cores enabled word", 0x2E, 0x24, 0xFF, 0x2C, 0x200, &ProcessorRecord::coresEnabled, "512"},
      {"thread count 0", 0x30, 0x25, 0, 0x2E, 7, &ProcessorRecord::threadCount, "(null)"},
      {"thread count 255 without word", 0x2F, 0x25, 0xFF, 0x2E, 0x1234,
       &ProcessorRecord::threadCount, "255"},
      {"thread count word", 0x30, 0x25, 0xFF, 0x2E, 0xFFFF, &ProcessorRecord::threadCount, "65535"},
  };
  for (const Case& c : cases) {
    freshReader();
    Structure s(4, c.length);
    s.u8(0x06, 0xC6).u8(c.byteOffset, c.byte);
    if (c.wordOffset + 2 <= c.length) s.u16(c.wordOffset, c.word);
    // Byte 0x2E lies inside a structure of length 0x2F; its word does not.
    if (c.length == 0x2F) s.u8(0x2E, 0x34);
    loadProcessors({s});
    EXPECT_EQ(text(processor().*c.field), c.expected) << c.name;
  }
}

TEST(ProcessorTextTest, Types) {
  EXPECT_STREQ(processorTypeText(0), "<OUT OF SPEC>");
  EXPECT_STREQ(processorTypeText(1), "Other");
  EXPECT_STREQ(processorTypeText(2), "Unknown");
  EXPECT_STREQ(processorTypeText(3), "Central Processor");
  EXPECT_STREQ(processorTypeText(4), "Math Processor");
  EXPECT_STREQ(processorTypeText(5), "DSP Processor");
  EXPECT_STREQ(processorTypeText(6), "Video Processor");
  EXPECT_STREQ(processorTypeText(7), "<OUT OF SPEC>");
  EXPECT_STREQ(processorTypeText(255), "<OUT OF SPEC>");
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
    HeldStructure held(familyStructure(code));
    const StructureHeader header = held.header();
    const bool listed =
        entry < kProcessorFamilyNameCount && processorFamilyNames[entry].value == code;
    EXPECT_STREQ(processorFamilyText(&header),
                 listed ? processorFamilyNames[entry].text : "<OUT OF SPEC>")
        << "code 0x" << std::hex << code;
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
    HeldStructure held(c.structure);
    const StructureHeader header = held.header();
    EXPECT_STREQ(processorFamilyText(&header), c.expected) << c.name;
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
    HeldStructure held(familyStructure(0xBE, 0x1A, c.manufacturer));
    const StructureHeader header = held.header();
    EXPECT_STREQ(processorFamilyText(&header), c.expected)
        << (c.manufacturer ? c.manufacturer : "(none)");
  }
  // Reached through Processor Family 2 as well.
  HeldStructure held(Structure(4, 0x2A).u8(0x06, 0xFE).u16(0x28, 0xBE).u8(0x07, 1).str("AMD"));
  const StructureHeader header = held.header();
  EXPECT_STREQ(processorFamilyText(&header), "K7");
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
  for (const Case& c : cases) {
    processorVoltageText(c.voltage);
    EXPECT_EQ(text(processorRecord.voltage), c.expected)
        << "voltage 0x" << std::hex << unsigned(c.voltage);
  }
  // Every tenth of a volt comes out as the decimal it stands for.
  for (unsigned v = 0; v < 128; ++v) {
    processorVoltageText(static_cast<uint8_t>(0x80 | v));
    EXPECT_EQ(text(processorRecord.voltage),
              std::to_string(v / 10) + "." + std::to_string(v % 10) + " V");
  }
}

TEST_F(ProcessorTest, Speeds) {
  struct Case {
    uint16_t value;
    const char* expected;
  };
  const Case cases[] = {{0, "Unknown"}, {1, "1 MHz"}, {3600, "3600 MHz"}, {65535, "65535 MHz"}};
  for (const Case& c : cases) {
    char* field = nullptr;
    processorFrequencyText(c.value, &field);
    EXPECT_EQ(text(field), c.expected);
  }
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
  for (const Case& c : cases) {
    processorCharacteristicsText(c.bits);
    EXPECT_EQ(text(processorRecord.characteristics), c.expected) << "bits 0x" << std::hex << c.bits;
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
  const std::string folder = ZENTRIK_SHARED_TABLES;
  if (readFile(folder + "/SOURCES.md").empty()) GTEST_SKIP() << "no tables in " << folder;
  enum Layout { kBare, kEntryPointFirst, kRsmb };
  struct Case {
    const char* file;
    Layout layout;
    const char* id;  // null: no processor structure
    const char* family;
    const char* signature;  // null: the kind cannot be told
    const char* flags;
  };
  const char* intelFlags = kAllIntelFlags;
  // 17 8B FB FF: no DS, ACPI, SS, TM, PBE.
  const char* amdFlags =
      "FPU (Floating-point unit on-chip)\nVME (Virtual mode extension)\nDE (Debugging "
      "extension)\nPSE (Page size extension)\nTSC (Time stamp counter)\nMSR (Model specific "
      "registers)\nPAE (Physical address extension)\nMCE (Machine check exception)\nCX8 (CMPXCHG8 "
      "instruction supported)\nAPIC (On-chip APIC hardware supported)\nSEP (Fast system "
      "call)\nMTRR (Memory type range registers)\nPGE (Page global enable)\nMCA (Machine check "
      "architecture)\nCMOV (Conditional move instruction supported)\nPAT (Page attribute "
      "table)\nPSE-36 (36-bit page size extension)\nCLFSH (CLFLUSH instruction supported)\nMMX "
      "(MMX technology supported)\nFXSR (FXSAVE and FXSTOR instructions supported)\nSSE "
      "(Streaming SIMD extensions)\nSSE2 (Streaming SIMD extensions 2)\nHTT (Multi-threading)";
  const char* t440s = "Type 0, Family 6, Model 69, Stepping 1";
  const Case cases[] = {
      {"fwupd-sysfs-T440s.DMI", kBare, "51 06 04 00 FF FB EB BF", "Core i7", t440s, intelFlags},
      {"fwupdtf-DMI-T440s.bin", kBare, "51 06 04 00 FF FB EB BF", "Core i7", t440s, intelFlags},
      {"fwupd-sysfs-XPS13-9365.DMI", kBare, "E9 06 08 00 FF FB EB BF", "Core i7",
       "Type 0, Family 6, Model 142, Stepping 9", intelFlags},
      {"fwupdtf-DMI-XPS13-9350.bin", kBare, "E3 06 04 00 FF FB EB BF", "Core i5",
       "Type 0, Family 6, Model 78, Stepping 3", intelFlags},
      // Family "Other" and a version text in lower-case "(tm)": the kind cannot be told.
      {"fwupdtf-DMI-ProLiant-MicroServer.bin", kBare, "63 0F 10 00 FF FB 8B 17", "Other", nullptr,
       "UNKNOWN"},
      {"fwupdtf-intel-me-ROG-Z790.DMI", kBare, "71 06 0B 00 FF FB EB BF", "Core i9",
       "Type 0, Family 6, Model 183, Stepping 1", intelFlags},
      {"gosmbios-ASRock-Single-Ryzen.dmi", kBare, "10 0F A2 00 FF FB 8B 17", "Zen",
       "Family 25, Model 33, Stepping 0", amdFlags},
      // Family "Other" and a version text that names no known processor line.
      {"gosmbios-Beelink-EQ12.dmi", kEntryPointFirst, "E0 06 0B 00 FF FB EB BF", "Other", nullptr,
       "UNKNOWN"},
      // The second socket is empty and last: its zero ID wins, the signature stays the first's.
      {"gosmbios-Dell-PowerEdge-R630-Dual-Xeon.dmi", kBare, "00 00 00 00 00 00 00 00", "Unknown",
       "Type 0, Family 6, Model 63, Stepping 2", "UNKNOWN"},
      {"gosmbios-HyperV.dmi", kBare, nullptr, nullptr, nullptr, nullptr},
      {"gosmbios-SuperMicro-Dual-Xeon.dmi", kBare, "E4 06 03 00 FF FB EB BF", "Xeon",
       "Type 0, Family 6, Model 62, Stepping 4", intelFlags},
      {"gosmbios-SuperMicro-Quad-Opteron.dmi", kBare, "91 0F 10 00 FF FB 8B 17", "Opteron",
       "Family 16, Model 9, Stepping 1", amdFlags},
      {"smbioslib-jeffgerlap_3_2_0.dat", kRsmb, "81 0F 81 00 FF FB 8B 17", "Zen",
       "Family 23, Model 24, Stepping 1", amdFlags},
      {"wine-8.0-synthesised.rsmb", kRsmb, nullptr, nullptr, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    const Bytes file = readFile(folder + "/" + c.file);
    ASSERT_FALSE(file.empty()) << c.file;
    freshReader();
    if (c.layout == kRsmb) {
      load(file);
    } else {
      const size_t skip = c.layout == kEntryPointFirst ? 0x20 : 0;
      ASSERT_GT(file.size(), skip) << c.file;
      load(rawBuffer(Bytes(file.begin() + static_cast<std::ptrdiff_t>(skip), file.end())));
    }
    const ProcessorRecord& p = processor();
    if (c.id == nullptr) {
      EXPECT_EQ(p.id, nullptr) << c.file;
      continue;
    }
    const std::string id = text(p.id);
    ASSERT_EQ(id.size(), 23u) << c.file;
    for (size_t i = 0; i < id.size(); ++i) {
      if (i % 3 == 2) {
        EXPECT_EQ(id[i], ' ') << c.file;
      } else {
        EXPECT_TRUE(isdigit(static_cast<unsigned char>(id[i])) || (id[i] >= 'A' && id[i] <= 'F'))
            << c.file << ": " << id;
      }
    }
    EXPECT_EQ(id, c.id) << c.file;
    EXPECT_EQ(text(p.family), c.family) << c.file;
    EXPECT_EQ(text(p.signature), c.signature ? c.signature : "(null)") << c.file;
    EXPECT_EQ(text(p.flags), c.flags) << c.file;
  }
}

}  // namespace
