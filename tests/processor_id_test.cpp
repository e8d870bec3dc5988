// Processor identification: kind detection, the id text, signatures and feature flags, and
// against the machine the tests run on: a structure built from this processor's own CPUID leaf 1
// must decode to what the operating system reports.
#include "decoders/processor_id.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "decoders/processor.h"
#include "tests/support/held_structure.h"
#include "tests/support/processor_texts.h"
#include "tests/support/reader_fixture.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

using Kind = ProcessorIdKind;

// A kind by name, so that a failure says which.
const char* kindName(Kind kind) {
  static const char* const kNames[] = {"None",     "Cpu80386", "Cpu80486", "ArmMidr",
                                       "ArmSocId", "X86Intel", "X86Amd"};
  return kNames[static_cast<int>(kind)];
}

const char* kindOf(const Bytes& structure) {
  const HeldFacts<ProcessorFacts> facts(structure, readProcessorFacts);
  return kindName(detectProcessorIdKind(*facts));
}

// A processor structure with a family byte and the first ID bytes; the rest is zero.
Structure idStructure(uint8_t family, std::initializer_list<uint8_t> id, uint8_t length = 0x2A) {
  return Structure(4, length).u8(0x06, family).bytes(0x08, id);
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

// Each family byte, the edges of every range of codes included, by the kind it gives.
TEST(ProcessorIdKindTest, FamilyRangeBoundaries) {
  const struct {
    Kind kind;
    std::vector<uint8_t> families;
  } cases[] = {
      {Kind::None, {0x00, 0x01, 0x02, 0x03, 0x04, 0x07, 0x0A, 0x16, 0x17, 0x1E, 0x20, 0x27,
                    0x30, 0x37, 0x40, 0x45, 0x50, 0x65, 0x6C, 0x82, 0x90, 0xA0, 0xB4, 0xB8,
                    0xC8, 0xCC, 0xD0, 0xD1, 0xDC, 0xE1, 0xE3, 0xF0, 0xFE, 0xFF}},
      {Kind::Cpu80386, {0x05}},
      {Kind::Cpu80486, {0x06}},
      {Kind::X86Intel,
       {0x0B, 0x15, 0x28, 0x2F, 0xA1, 0xB3, 0xB5, 0xB9, 0xBE, 0xC7, 0xCD, 0xCF, 0xD2, 0xDB, 0xDD,
        0xE0}},
      {Kind::X86Amd,
       {0x18, 0x1D, 0x1F, 0x38, 0x3F, 0x46, 0x4F, 0x66, 0x6B, 0x83, 0x8F, 0xB6, 0xB7, 0xE4, 0xEF}},
  };
  for (const auto& c : cases) {
    for (uint8_t family : c.families) {
      EXPECT_STREQ(kindOf(idStructure(family, {})), kindName(c.kind))
          << "family 0x" << std::hex << unsigned(family);
    }
  }
}

TEST(ProcessorIdKindTest, ProcessorFamily2AndArm) {
  const struct {
    const char* name;
    Bytes structure;
    Kind expected;
  } cases[] = {
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
  for (const auto& c : cases) EXPECT_STREQ(kindOf(c.structure), kindName(c.expected)) << c.name;
}

// The ID word's low and high bytes of family 0x06: an 80486 unless it reads as a later model.
TEST(ProcessorIdKindTest, Intel80486Test) {
  const struct {
    Kind kind;
    std::vector<std::pair<uint8_t, uint8_t>> words;
  } cases[] = {
      {Kind::Cpu80486,
       {{0x35, 0x04} /* stepping 5 but model 3 */,
        {0x70, 0x04},
        {0x72, 0x04},
        {0x53, 0x04},
        {0x63, 0x04},
        {0x42, 0x04},
        {0x43, 0x05},
        {0x43, 0x03},
        {0x00, 0x00}}},
      {Kind::X86Intel, {{0x43, 0x04}, {0x83, 0x04}, {0x73, 0x04}, {0xFF, 0x04}, {0x43, 0xF4}}},
  };
  for (const auto& c : cases) {
    for (const auto& [low, high] : c.words) {
      EXPECT_STREQ(kindOf(idStructure(0x06, {low, high})), kindName(c.kind))
          << std::hex << unsigned(low) << " " << unsigned(high);
    }
  }
}

// Family "Other" or "Unknown" leaves the kind to the version string, matched exactly.
TEST(ProcessorIdKindTest, VersionTest) {
  const struct {
    Kind kind;
    std::vector<const char*> versions;  // null: no version string
  } cases[] = {
      {Kind::X86Intel,
       {"Pentium III MMX", "Pentium III MMX 500MHz", "Intel(R) Core(TM)2",
        "Intel(R) Core(TM)2 Duo CPU T7500", "Intel(R) Pentium(R)",
        "Intel(R) Pentium(R) 4 CPU 3.00GHz", "Genuine Intel(R) CPU U1400"}},
      {Kind::X86Amd,
       {"AMD Athlon(TM)", "AMD Athlon(TM) XP 2000+", "AMD Opteron(tm) Processor 6174",
        "Dual-Core AMD Opteron(tm) Processor 2218"}},
      {Kind::None,
       {"Pentium III", "pentium III MMX", "Intel(R) Core(TM) i7-4600U", "Intel(R) Pentium",
        "intel(R) Pentium(R)", "Genuine Intel(R) CPU U1400 ", "Genuine Intel(R) CPU U140",
        "Intel(R) N100", "AMD Athlon(tm) II Neo N36L", "AMD Opteron(TM) Processor 6174",
        "Dual-Core AMD Opteron(TM)", "AMD Ryzen 9 5900X", "AMD", "", nullptr}},
  };
  for (const auto& c : cases) {
    for (const char* version : c.versions) {
      for (uint8_t family : {0x01, 0x02}) {
        EXPECT_STREQ(kindOf(versionStructure(version, family)), kindName(c.kind))
            << (version ? version : "(no string)") << ", family " << unsigned(family);
      }
    }
  }
  // A string number beyond the set gives "<BAD INDEX>", which matches nothing.
  EXPECT_STREQ(kindOf(Structure(4, 0x1A).u8(0x06, 0x02).u8(0x10, 2).str("Pentium III MMX")),
               "None");
  // Only the codes 0x01 and 0x02 consult the version.
  EXPECT_STREQ(kindOf(versionStructure("Intel(R) Pentium(R)", 0x03)), "None");
}

const Structure kIntelExample = idStructure(0xC6, {0xA9, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF});

// A structure, loaded alone, and the text it leaves in one processor field.
struct FieldCase {
  const char* name;
  Bytes structure;
  const char* expected;  // "(null)": none stored
};

// Each row by its name, in test names and failures.
void PrintTo(const FieldCase& c, std::ostream* out) {
  *out << c.name;
}

class ProcessorIdField : public ReaderCaseTest<FieldCase> {
 protected:
  // Loads the row's structure alone (before anything reads a record).
  const FieldCase& load() {
    loadStructures({GetParam().structure});
    return GetParam();
  }
};

using ProcessorIdText = ProcessorIdField;
TEST_P(ProcessorIdText, IsTheBytesInStructureOrder) {
  const FieldCase& c = load();
  EXPECT_EQ(text(processor().id), c.expected) << c.name;
}
const FieldCase kIdTextCases[] = {
    {"Intel", kIntelExample, "A9 06 03 00 FF FB EB BF"},
    // Every kind stores the id, None included.
    {"kind None", idStructure(0x00, {0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x23, 0x45, 0x67}),
     "DE AD BE EF 01 23 45 67"},
    {"ARM", armStructure(0x101, 0, {0xab, 0xcd, 0xef, 0x0a, 0, 0, 0, 0}),
     "AB CD EF 0A 00 00 00 00"},
    {"zero", idStructure(0x02, {}, 0x1A), "00 00 00 00 00 00 00 00"},
};
INSTANTIATE_TEST_SUITE_P(Rows, ProcessorIdText, ::testing::ValuesIn(kIdTextCases));

using ProcessorSignature = ProcessorIdField;
TEST_P(ProcessorSignature, Decodes) {
  const FieldCase& c = load();
  EXPECT_EQ(text(processor().signature), c.expected) << c.name;
  EXPECT_NE(processor().id, nullptr);
}
const FieldCase kSignatureCases[] = {
    {"Intel", kIntelExample, "Type 0, Family 6, Model 58, Stepping 9"},
    {"AMD family 15 extended", idStructure(0x6B, {0x82, 0x0F, 0x80, 0x00, 0xFF, 0xFB, 0x8B, 0x17}),
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
INSTANTIATE_TEST_SUITE_P(Rows, ProcessorSignature, ::testing::ValuesIn(kSignatureCases));

using ProcessorFlags = ProcessorIdField;
TEST_P(ProcessorFlags, Decodes) {
  const FieldCase& c = load();
  EXPECT_EQ(text(processor().flags), c.expected) << c.name;
}
const FieldCase kFlagCases[] = {
    {"Intel example", kIntelExample, kAllIntelFlags},
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
INSTANTIATE_TEST_SUITE_P(Rows, ProcessorFlags, ::testing::ValuesIn(kFlagCases));

class ProcessorIdTest : public ReaderTest {};

TEST_F(ProcessorIdTest, SignatureKeptFromTheLastDecodableStructure) {
  const Bytes unknown = versionStructure("AMD Ryzen 9", 0x02);
  const Bytes emptyArm = armStructure(0x118, 0, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
  loadStructures({kIntelExample, unknown, emptyArm});
  EXPECT_EQ(text(processor().id), "00 00 00 00 FF FF FF FF");
  EXPECT_EQ(text(processor().flags), "UNKNOWN");
  EXPECT_EQ(text(processor().signature), "Type 0, Family 6, Model 58, Stepping 9");

  // A later decodable structure replaces it, whatever came between.
  freshReader();
  loadStructures({kIntelExample, unknown, idStructure(0x05, {0x08, 0x23})});
  EXPECT_EQ(text(processor().signature), "Type 2, Family 3, Major Stepping 0, Minor Stepping 8");

  // Alone, an undecodable structure leaves no signature.
  freshReader();
  loadStructures({unknown});
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

class ProcessorCpuidTest : public ReaderTest {};

#if defined(__x86_64__) || defined(__i386__)
// "cpu family", "model" and "stepping" of the first processor in /proc/cpuinfo.
std::map<std::string, std::string> firstCpuInfo() {
  std::map<std::string, std::string> fields;
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) break;  // the end of the first processor
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string key = line.substr(0, colon);
    key.erase(key.find_last_not_of(" \t") + 1);
    std::string value = line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(" \t"));
    fields.emplace(key, value);
  }
  return fields;
}

bool parseUnsigned(const std::string& text, unsigned* value) {
  char* end = nullptr;
  const unsigned long v = strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') return false;
  *value = static_cast<unsigned>(v);
  return true;
}
#endif

TEST_F(ProcessorCpuidTest, SignatureAndFlagsMatchThisMachine) {
#if !defined(__x86_64__) && !defined(__i386__)
  GTEST_SKIP() << "not an x86 machine";
#else
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(0, &eax, &ebx, &ecx, &edx) == 0) GTEST_SKIP() << "no CPUID leaf 0";
  char vendor[13] = {};
  memcpy(vendor, &ebx, 4);
  memcpy(vendor + 4, &edx, 4);
  memcpy(vendor + 8, &ecx, 4);
  uint8_t familyByte;
  if (strcmp(vendor, "GenuineIntel") == 0) {
    familyByte = 0xC6;
  } else if (strcmp(vendor, "AuthenticAMD") == 0) {
    familyByte = 0x6B;
  } else {
    GTEST_SKIP() << "processor vendor " << vendor << " has no family code here";
  }
  const bool intel = familyByte == 0xC6;

  unsigned signature = 0, flags = 0;
  if (__get_cpuid(1, &signature, &ebx, &ecx, &flags) == 0) GTEST_SKIP() << "no CPUID leaf 1";

  const std::map<std::string, std::string> info = firstCpuInfo();
  unsigned family = 0, model = 0, stepping = 0;
  if (info.count("cpu family") == 0 || !parseUnsigned(info.at("cpu family"), &family) ||
      info.count("model") == 0 || !parseUnsigned(info.at("model"), &model) ||
      info.count("stepping") == 0 || !parseUnsigned(info.at("stepping"), &stepping)) {
    GTEST_SKIP() << "/proc/cpuinfo missing or without cpu family, model and stepping";
  }

  Structure s(4, 0x30);
  s.u8(0x06, familyByte).u32(0x08, signature).u32(0x0C, flags);
  loadStructures({s});
  const ProcessorRecord& p = processor();

  // The two registers as the structure holds them.
  uint8_t b[8];
  ByteWriter registers(b, sizeof b);
  registers.writeU32Le(signature);
  registers.writeU32Le(flags);
  char id[24];
  snprintf(id, sizeof id, "%02X %02X %02X %02X %02X %02X %02X %02X", b[0], b[1], b[2], b[3], b[4],
           b[5], b[6], b[7]);
  EXPECT_EQ(text(p.id), id);

  ASSERT_NE(p.signature, nullptr);
  unsigned type = 0, decodedFamily = 0, decodedModel = 0, decodedStepping = 0;
  if (intel) {
    ASSERT_EQ(sscanf(p.signature, "Type %u, Family %u, Model %u, Stepping %u", &type,
                     &decodedFamily, &decodedModel, &decodedStepping),
              4)
        << p.signature;
  } else {
    ASSERT_EQ(sscanf(p.signature, "Family %u, Model %u, Stepping %u", &decodedFamily, &decodedModel,
                     &decodedStepping),
              3)
        << p.signature;
  }
  EXPECT_EQ(decodedFamily, family) << p.signature;
  EXPECT_EQ(decodedModel, model) << p.signature;
  EXPECT_EQ(decodedStepping, stepping) << p.signature;

  // Every flag listed has its bit set, and every named bit that is set is listed.
  ASSERT_NE(p.flags, nullptr);
  if (strcmp(p.flags, "None") == 0) {
    EXPECT_EQ(flags & 0xBFEFFBFFu, 0u);
    return;
  }
  std::istringstream lines(p.flags);
  std::string name;
  uint32_t listed = 0;
  while (std::getline(lines, name)) {
    int bit = -1;
    for (int i = 0; i < 32; ++i) {
      if (processorFeatureFlagNames[i] != nullptr && name == processorFeatureFlagNames[i]) bit = i;
    }
    ASSERT_GE(bit, 0) << "unknown flag name: " << name;
    EXPECT_NE(flags & (1u << bit), 0u) << name;
    listed |= 1u << bit;
  }
  EXPECT_EQ(listed, flags & 0xBFEFFBFFu);
#endif
}

}  // namespace
