// Processor identification: kind detection, the id text, signatures and feature flags.
#include "decoders/processor_id.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/held_structure.h"
#include "tests/support/processor_texts.h"
#include "tests/support/reader_fixture.h"

namespace {

using Kind = ProcessorIdKind;

const char* kindName(Kind kind) {
  switch (kind) {
    case Kind::None:
      return "None";
    case Kind::Cpu80386:
      return "Cpu80386";
    case Kind::Cpu80486:
      return "Cpu80486";
    case Kind::ArmMidr:
      return "ArmMidr";
    case Kind::ArmSocId:
      return "ArmSocId";
    case Kind::X86Intel:
      return "X86Intel";
    case Kind::X86Amd:
      return "X86Amd";
  }
  return "?";
}

Kind kindOf(const Bytes& structure) {
  HeldStructure held(structure);
  const StructureHeader header = held.header();
  return detectProcessorIdKind(&header);
}

// A processor structure with a family byte and the first ID bytes; the rest is zero.
Structure idStructure(uint8_t family, std::initializer_list<uint8_t> id, uint8_t length = 0x2A) {
  Structure s(4, length);
  s.u8(0x06, family).bytes(0x08, id);
  return s;
}

// An ARM structure: family byte 0xFE, Processor Family 2 and the characteristics word.
Structure armStructure(uint16_t family2, uint16_t characteristics,
                       std::initializer_list<uint8_t> id, uint8_t length = 0x2A) {
  Structure s(4, length);
  s.u8(0x06, 0xFE).bytes(0x08, id).u16(0x26, characteristics);
  if (length >= 0x2A) s.u16(0x28, family2);
  return s;
}

// A structure of family byte 0x01 or 0x02 whose version string is version (null: none).
Structure versionStructure(const char* version, uint8_t family = 0x01) {
  Structure s(4, 0x1A);
  s.u8(0x06, family);
  if (version != nullptr) s.u8(0x10, 1).str(version);
  return s;
}

TEST(ProcessorIdKindTest, FamilyRangeBoundaries) {
  const Kind I = Kind::X86Intel;
  const Kind A = Kind::X86Amd;
  const Kind N = Kind::None;
  struct Case {
    uint8_t family;
    Kind expected;
  };
  const Case cases[] = {
      {0x00, N},
      {0x01, N},
      {0x02, N},
      {0x03, N},
      {0x04, N},
      {0x05, Kind::Cpu80386},
      {0x06, Kind::Cpu80486},
      {0x07, N},
      {0x0A, N},
      {0x0B, I},
      {0x15, I},
      {0x16, N},
      {0x17, N},
      {0x18, A},
      {0x1D, A},
      {0x1E, N},
      {0x1F, A},
      {0x20, N},
      {0x27, N},
      {0x28, I},
      {0x2F, I},
      {0x30, N},
      {0x37, N},
      {0x38, A},
      {0x3F, A},
      {0x40, N},
      {0x45, N},
      {0x46, A},
      {0x4F, A},
      {0x50, N},
      {0x65, N},
      {0x66, A},
      {0x6B, A},
      {0x6C, N},
      {0x82, N},
      {0x83, A},
      {0x8F, A},
      {0x90, N},
      {0xA0, N},
      {0xA1, I},
      {0xB3, I},
      {0xB4, N},
      {0xB5, I},
      {0xB6, A},
      {0xB7, A},
      {0xB8, N},
      {0xB9, I},
      {0xBE, I},
      {0xC7, I},
      {0xC8, N},
      {0xCC, N},
      {0xCD, I},
      {0xCF, I},
      {0xD0, N},
      {0xD1, N},
      {0xD2, I},
      {0xDB, I},
      {0xDC, N},
      {0xDD, I},
      {0xE0, I},
      {0xE1, N},
      {0xE3, N},
      {0xE4, A},
      {0xEF, A},
      {0xF0, N},
      {0xFE, N},
      {0xFF, N},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(kindName(kindOf(idStructure(c.family, {}))), kindName(c.expected))
        << "family 0x" << std::hex << unsigned(c.family);
  }
}

TEST(ProcessorIdKindTest, ProcessorFamily2AndArm) {
  struct Case {
    const char* name;
    Bytes structure;
    Kind expected;
  };
  const Case cases[] = {
      {"0x118 with SoC ID bit", armStructure(0x118, 0x0200, {}), Kind::ArmSocId},
      {"0x118 without SoC ID bit", armStructure(0x118, 0xFDFF, {}), Kind::ArmMidr},
      {"0x100", armStructure(0x100, 0, {}), Kind::ArmMidr},
      {"0x101 with SoC ID bit", armStructure(0x101, 0x0204, {}), Kind::ArmSocId},
      {"0x119", armStructure(0x119, 0, {}), Kind::ArmMidr},
      {"0x102", armStructure(0x102, 0x0200, {}), Kind::None},
      {"0x11A", armStructure(0x11A, 0, {}), Kind::None},
      {"0x118 in a structure of 0x29 bytes", armStructure(0x118, 0x0200, {}, 0x29), Kind::None},
      {"Intel code as family 2", armStructure(0xC6, 0, {}), Kind::X86Intel},
      {"AMD code as family 2", armStructure(0x6B, 0, {}), Kind::X86Amd},
      {"80386 as family 2", armStructure(0x05, 0, {}), Kind::Cpu80386},
      {"family 2 of 0xFE", armStructure(0xFE, 0, {}), Kind::None},
      // Family 2 only counts behind the byte 0xFE.
      {"family byte 0x02", Structure(4, 0x2A).u8(0x06, 0x02).u16(0x26, 0x200).u16(0x28, 0x118),
       Kind::None},
      {"family byte 0xC6", Structure(4, 0x2A).u8(0x06, 0xC6).u16(0x28, 0x118), Kind::X86Intel},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(kindName(kindOf(c.structure)), kindName(c.expected)) << c.name;
  }
}

TEST(ProcessorIdKindTest, Intel80486Test) {
  struct Case {
    uint8_t low;
    uint8_t high;
    Kind expected;
  };
  const Case cases[] = {
      {0x35, 0x04, Kind::Cpu80486},  // stepping 5 but model 3
      {0x43, 0x04, Kind::X86Intel}, {0x83, 0x04, Kind::X86Intel}, {0x70, 0x04, Kind::Cpu80486},
      {0x72, 0x04, Kind::Cpu80486}, {0x73, 0x04, Kind::X86Intel}, {0xFF, 0x04, Kind::X86Intel},
      {0x53, 0x04, Kind::Cpu80486}, {0x63, 0x04, Kind::Cpu80486}, {0x42, 0x04, Kind::Cpu80486},
      {0x43, 0x05, Kind::Cpu80486}, {0x43, 0x03, Kind::Cpu80486}, {0x43, 0xF4, Kind::X86Intel},
      {0x00, 0x00, Kind::Cpu80486},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(kindName(kindOf(idStructure(0x06, {c.low, c.high}))), kindName(c.expected))
        << std::hex << unsigned(c.low) << " " << unsigned(c.high);
  }
}

TEST(ProcessorIdKindTest, VersionTest) {
  struct Case {
    const char* version;
    Kind expected;
  };
  const Case cases[] = {
      {"Pentium III MMX", Kind::X86Intel},
      {"Pentium III MMX 500MHz", Kind::X86Intel},
      {"Pentium III", Kind::None},
      {"pentium III MMX", Kind::None},
      {"Intel(R) Core(TM)2", Kind::X86Intel},
      {"Intel(R) Core(TM)2 Duo CPU T7500", Kind::X86Intel},
      {"Intel(R) Core(TM) i7-4600U", Kind::None},
      {"Intel(R) Pentium(R)", Kind::X86Intel},
      {"Intel(R) Pentium(R) 4 CPU 3.00GHz", Kind::X86Intel},
      {"Intel(R) Pentium", Kind::None},
      {"intel(R) Pentium(R)", Kind::None},
      {"Genuine Intel(R) CPU U1400", Kind::X86Intel},
      {"Genuine Intel(R) CPU U1400 ", Kind::None},
      {"Genuine Intel(R) CPU U140", Kind::None},
      {"Intel(R) N100", Kind::None},
      {"AMD Athlon(TM)", Kind::X86Amd},
      {"AMD Athlon(TM) XP 2000+", Kind::X86Amd},
      {"AMD Athlon(tm) II Neo N36L", Kind::None},
      {"AMD Opteron(tm) Processor 6174", Kind::X86Amd},
      {"AMD Opteron(TM) Processor 6174", Kind::None},
      {"Dual-Core AMD Opteron(tm) Processor 2218", Kind::X86Amd},
      {"Dual-Core AMD Opteron(TM)", Kind::None},
      {"AMD Ryzen 9 5900X", Kind::None},
      {"AMD", Kind::None},
      {"", Kind::None},
      {nullptr, Kind::None},
  };
  for (const Case& c : cases) {
    for (uint8_t family : {0x01, 0x02}) {
      EXPECT_STREQ(kindName(kindOf(versionStructure(c.version, family))), kindName(c.expected))
          << (c.version ? c.version : "(no string)") << ", family " << unsigned(family);
    }
  }
  // A string number beyond the set gives "<BAD INDEX>", which matches nothing.
  EXPECT_EQ(kindOf(Structure(4, 0x1A).u8(0x06, 0x02).u8(0x10, 2).str("Pentium III MMX")),
            Kind::None);
  // Only the codes 0x01 and 0x02 consult the version.
  EXPECT_EQ(kindOf(versionStructure("Intel(R) Pentium(R)", 0x03)), Kind::None);
}

class ProcessorIdTest : public ReaderTest {
 protected:
  void loadProcessors(std::initializer_list<Bytes> structures) {
    Bytes table = tableOf(structures);
    const Bytes end = endOfTable();
    table.insert(table.end(), end.begin(), end.end());
    loadTable(table);
  }
};

TEST_F(ProcessorIdTest, IdTextIsTheBytesInStructureOrder) {
  struct Case {
    Bytes structure;
    const char* expected;
  };
  const Case cases[] = {
      {idStructure(0xC6, {0xA9, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF}),
       "A9 06 03 00 FF FB EB BF"},
      // Every kind stores the id, None included.
      {idStructure(0x00, {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x23, 0x45, 0x67}),
       "DE AD BE EF 01 23 45 67"},
      {armStructure(0x101, 0, {0xab, 0xcd, 0xef, 0x0a, 0, 0, 0, 0}), "AB CD EF 0A 00 00 00 00"},
      {idStructure(0x02, {}, 0x1A), "00 00 00 00 00 00 00 00"},
  };
  for (const Case& c : cases) {
    freshReader();
    loadProcessors({c.structure});
    EXPECT_EQ(text(processor().id), c.expected);
  }
}

TEST_F(ProcessorIdTest, Signatures) {
  struct Case {
    const char* name;
    Bytes structure;
    const char* expected;  // "(null)": none stored
  };
  const Case cases[] = {
      {"Intel", idStructure(0xC6, {0xA9, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF}),
       "Type 0, Family 6, Model 58, Stepping 9"},
      {"AMD family 15 extended",
       idStructure(0x6B, {0x82, 0x0F, 0x80, 0x00, 0xFF, 0xFB, 0x8B, 0x17}),
       "Family 23, Model 8, Stepping 2"},
      {"same bytes as Intel", idStructure(0xC6, {0x82, 0x0F, 0x80, 0x00}),
       "Type 0, Family 23, Model 8, Stepping 2"},
      {"AMD base family 6", idStructure(0x6B, {0x62, 0x06, 0x00, 0x00}),
       "Family 6, Model 6, Stepping 2"},
      // Below family 15 AMD ignores the extended fields; Intel always adds them.
      {"AMD extended fields ignored", idStructure(0x6B, {0x62, 0x06, 0xFA, 0x00}),
       "Family 6, Model 6, Stepping 2"},
      {"Intel extended fields added", idStructure(0xC6, {0x62, 0x06, 0xFA, 0x00}),
       "Type 0, Family 21, Model 166, Stepping 2"},
      {"AMD extended model", idStructure(0x6B, {0x10, 0x0F, 0xA2, 0x00}),
       "Family 25, Model 33, Stepping 0"},
      {"Intel type bits", idStructure(0xC6, {0x62, 0xF6, 0x00, 0x00}),
       "Type 3, Family 6, Model 6, Stepping 2"},
      {"80486", idStructure(0x06, {0x35, 0x04}), "Type 0, Family 4, Model 3, Stepping 5"},
      {"80486 type bits 12 and 13 only", idStructure(0x06, {0x35, 0xD4}),
       "Type 1, Family 4, Model 3, Stepping 5"},
      {"80486 as Intel", idStructure(0x06, {0x43, 0x04}), "Type 0, Family 4, Model 4, Stepping 3"},
      {"80386", idStructure(0x05, {0x08, 0x23}),
       "Type 2, Family 3, Major Stepping 0, Minor Stepping 8"},
      {"80386 all type bits", idStructure(0x05, {0xFF, 0xFF}),
       "Type 15, Family 15, Major Stepping 15, Minor Stepping 15"},
      {"ARM main ID", armStructure(0x118, 0, {0x34, 0xD0, 0x0F, 0x41}),
       "Implementor 0x41, Variant 0x0, Architecture 15, Part 0xd03, Revision 4"},
      {"ARM main ID lower-case hex", armStructure(0x101, 0, {0x4B, 0xD0, 0xAF, 0x4F}),
       "Implementor 0x4f, Variant 0xa, Architecture 15, Part 0xd04, Revision 11"},
      {"ARM main ID of 0", armStructure(0x118, 0, {0, 0, 0, 0, 1, 2, 3, 4}), "(null)"},
      {"ARM main ID with only its top half set", armStructure(0x118, 0, {0, 0, 0x0F, 0x41}),
       "Implementor 0x41, Variant 0x0, Architecture 15, Part 0x000, Revision 0"},
      {"ARM SoC ID", armStructure(0x118, 0x0200, {0x3A, 0x00, 0x36, 0x89, 0xEF, 0xBE, 0xAD, 0xDE}),
       "JEP-106 Bank 0x09 Manufacturer 0x36, SoC ID 0x003a, SoC Revision 0xdeadbeef"},
      {"ARM SoC ID of 0", armStructure(0x101, 0x0200, {}),
       "JEP-106 Bank 0x00 Manufacturer 0x00, SoC ID 0x0000, SoC Revision 0x00000000"},
      {"kind None", idStructure(0x00, {0xA9, 0x06, 0x03, 0x00}), "(null)"},
      {"AMD-like version without a known prefix", versionStructure("AMD Ryzen 9", 0x02), "(null)"},
  };
  for (const Case& c : cases) {
    freshReader();
    loadProcessors({c.structure});
    EXPECT_EQ(text(processor().signature), c.expected) << c.name;
    EXPECT_NE(processor().id, nullptr) << c.name;
  }
}

TEST_F(ProcessorIdTest, Flags) {
  const char* allIntel = kAllIntelFlags;
  struct Case {
    const char* name;
    Bytes structure;
    const char* expected;
  };
  const Case cases[] = {
      {"Intel example", idStructure(0xC6, {0xA9, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF}),
       allIntel},
      {"only unnamed bits", idStructure(0xC6, {0, 0, 0, 0, 0x00, 0x04, 0x10, 0x40}), "None"},
      {"no bits", idStructure(0x6B, {}), "None"},
      {"TSC and MMX", idStructure(0xC6, {0, 0, 0, 0, 0x10, 0x00, 0x80, 0x00}),
       "TSC (Time stamp counter)\nMMX (MMX technology supported)"},
      {"first and last", idStructure(0x6B, {0, 0, 0, 0, 0x01, 0x00, 0x00, 0x80}),
       "FPU (Floating-point unit on-chip)\nPBE (Pending break enabled)"},
      {"named bit beside unnamed ones", idStructure(0xC6, {0, 0, 0, 0, 0x00, 0x04, 0x14, 0x40}),
       "PSN (Processor serial number present and enabled)"},
      {"PSN alone", idStructure(0xC6, {0, 0, 0, 0, 0x00, 0x00, 0x04, 0x00}),
       "PSN (Processor serial number present and enabled)"},
      {"80386", idStructure(0x05, {0x08, 0x23, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), "UNKNOWN"},
      {"80486", idStructure(0x06, {0x35, 0x04, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), "UNKNOWN"},
      {"ARM main ID", armStructure(0x118, 0, {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), "UNKNOWN"},
      {"ARM SoC ID", armStructure(0x118, 0x200, {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), "UNKNOWN"},
      {"kind None", idStructure(0x00, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), "UNKNOWN"},
  };
  for (const Case& c : cases) {
    freshReader();
    loadProcessors({c.structure});
    EXPECT_EQ(text(processor().flags), c.expected) << c.name;
  }
}

TEST_F(ProcessorIdTest, SignatureKeptFromTheLastDecodableStructure) {
  const Bytes intel = idStructure(0xC6, {0xA9, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF});
  const Bytes unknown = versionStructure("AMD Ryzen 9", 0x02);
  const Bytes emptyArm = armStructure(0x118, 0, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
  loadProcessors({intel, unknown, emptyArm});
  EXPECT_EQ(text(processor().id), "00 00 00 00 FF FF FF FF");
  EXPECT_EQ(text(processor().flags), "UNKNOWN");
  EXPECT_EQ(text(processor().signature), "Type 0, Family 6, Model 58, Stepping 9");

  // A later decodable structure replaces it, whatever came between.
  freshReader();
  loadProcessors({intel, unknown, idStructure(0x05, {0x08, 0x23})});
  EXPECT_EQ(text(processor().signature), "Type 2, Family 3, Major Stepping 0, Minor Stepping 8");

  // Alone, an undecodable structure leaves no signature.
  freshReader();
  loadProcessors({unknown});
  EXPECT_EQ(text(processor().id), "00 00 00 00 00 00 00 00");
  EXPECT_EQ(processor().signature, nullptr);
  EXPECT_EQ(text(processor().flags), "UNKNOWN");
}

TEST(ProcessorFeatureFlagNamesTest, UnnamedBitsAreExactlyTenTwentyThirty) {
  for (unsigned bit = 0; bit < 32; ++bit) {
    const bool unnamed = bit == 10 || bit == 20 || bit == 30;
    EXPECT_EQ(processorFeatureFlagNames[bit] == nullptr, unnamed) << "bit " << bit;
  }
}

}  // namespace
