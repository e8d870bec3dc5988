// The Processor ID field of a Processor Information structure (type 4), DSP0134 section 7.5.3:
// what the eight bytes mean depends on the processor, which the family code, the ID bytes, the
// characteristics word and the version string tell.
#include "decoders/processor_id.h"

#include <string.h>

#include "base/byte_reader.h"
#include "decoders/decoder_text.h"
#include "records/record_store.h"

constexpr const char* processorFeatureFlagNames[32] = {
    "FPU (Floating-point unit on-chip)",
    "VME (Virtual mode extension)",
    "DE (Debugging extension)",
    "PSE (Page size extension)",
    "TSC (Time stamp counter)",
    "MSR (Model specific registers)",
    "PAE (Physical address extension)",
    "MCE (Machine check exception)",
    "CX8 (CMPXCHG8 instruction supported)",
    "APIC (On-chip APIC hardware supported)",
    nullptr,  // bit 10
    "SEP (Fast system call)",
    "MTRR (Memory type range registers)",
    "PGE (Page global enable)",
    "MCA (Machine check architecture)",
    "CMOV (Conditional move instruction supported)",
    "PAT (Page attribute table)",
    "PSE-36 (36-bit page size extension)",
    "PSN (Processor serial number present and enabled)",
    "CLFSH (CLFLUSH instruction supported)",
    nullptr,  // bit 20
    "DS (Debug store)",
    "ACPI (ACPI supported)",
    "MMX (MMX technology supported)",
    "FXSR (FXSAVE and FXSTOR instructions supported)",
    "SSE (Streaming SIMD extensions)",
    "SSE2 (Streaming SIMD extensions 2)",
    "SS (Self-snoop)",
    "HTT (Multi-threading)",
    "TM (Thermal monitor supported)",
    nullptr,  // bit 30
    "PBE (Pending break enabled)",
};

namespace {

// The named flags as a table of bit numbers and names, for the joins of the flags text.
constexpr size_t kNamedFlagCount = 29;
struct FlagTable {
  ValueText of[kNamedFlagCount];
};
constexpr FlagTable flagTable() {
  FlagTable table{};
  size_t n = 0;
  for (unsigned bit = 0; bit < 32; ++bit) {
    const char* name = processorFeatureFlagNames[bit];
    if (name != nullptr && n < kNamedFlagCount) table.of[n++] = ValueText(bit, name);
  }
  return table;
}
constexpr FlagTable kFlags = flagTable();
static_assert(kFlags.of[kNamedFlagCount - 1].value == 31, "every named flag in the table");

constexpr uint32_t kNamedFlagBits = 0xBFEFFBFF;  // every bit but 10, 20 and 30
constexpr uint16_t kArm64SocIdBit = 0x0200;

// Family codes whose ID field is a CPUID signature, by vendor. Inclusive, sorted, disjoint.
struct FamilyRange {
  uint16_t first;
  uint16_t last;
  ProcessorIdKind kind;
};

// clang-format off
constexpr FamilyRange kX86FamilyRanges[] = {
    {0x0B, 0x15, ProcessorIdKind::X86Intel},
    {0x18, 0x1D, ProcessorIdKind::X86Amd},
    {0x1F, 0x1F, ProcessorIdKind::X86Amd},
    {0x28, 0x2F, ProcessorIdKind::X86Intel},
    {0x38, 0x3F, ProcessorIdKind::X86Amd},
    {0x46, 0x4F, ProcessorIdKind::X86Amd},
    {0x66, 0x6B, ProcessorIdKind::X86Amd},
    {0x83, 0x8F, ProcessorIdKind::X86Amd},
    {0xA1, 0xB3, ProcessorIdKind::X86Intel},
    {0xB5, 0xB5, ProcessorIdKind::X86Intel},
    {0xB6, 0xB7, ProcessorIdKind::X86Amd},
    {0xB9, 0xC7, ProcessorIdKind::X86Intel},
    {0xCD, 0xCF, ProcessorIdKind::X86Intel},
    {0xD2, 0xDB, ProcessorIdKind::X86Intel},
    {0xDD, 0xE0, ProcessorIdKind::X86Intel},
    {0xE4, 0xEF, ProcessorIdKind::X86Amd},
};
// clang-format on

constexpr bool rangesSortedAndDisjoint() {
  for (size_t i = 0; i < sizeof kX86FamilyRanges / sizeof kX86FamilyRanges[0]; ++i) {
    if (kX86FamilyRanges[i].first > kX86FamilyRanges[i].last) return false;
    if (i > 0 && kX86FamilyRanges[i - 1].last >= kX86FamilyRanges[i].first) return false;
  }
  return true;
}
static_assert(rangesSortedAndDisjoint(), "x86 family ranges must be sorted and disjoint");

// ARM families whose ID field is the main ID register or, when flagged, the SoC ID.
constexpr uint16_t kArmFamilies[] = {0x100, 0x101, 0x118, 0x119};

// Version texts that mark an x86 processor when the family code says only Other or Unknown.
constexpr const char* kIntelVersionPrefixes[] = {
    "Pentium III MMX",
    "Intel(R) Core(TM)2",
    "Intel(R) Pentium(R)",
};
constexpr const char kIntelExactVersion[] = "Genuine Intel(R) CPU U1400";
constexpr const char* kAmdVersionPrefixes[] = {
    "AMD Athlon(TM)",
    "AMD Opteron(tm)",
    "Dual-Core AMD Opteron(tm)",
};

bool beginsWith(const char* text, const char* prefix) {
  return strncmp(text, prefix, strlen(prefix)) == 0;
}

constexpr size_t kIdSize = 8;

// The little-endian word at offset 0, or double word at offset 0 or 4, of the ID bytes.
uint16_t idWord(const uint8_t* idBytes) {
  uint16_t value = 0;
  readLeAt(idBytes, kIdSize, 0, &value);
  return value;
}
uint32_t idDoubleWord(const uint8_t* idBytes, unsigned offset) {
  uint32_t value = 0;
  readLeAt(idBytes, kIdSize, offset, &value);
  return value;
}

ProcessorIdKind kindOf80486(const ProcessorFacts& processor) {
  const uint16_t w = idWord(processor.id);
  const unsigned model = w & 0x00F0;
  if ((w & 0x0F00) == 0x0400 && (model == 0x0040 || model >= 0x0070) && (w & 0x000F) >= 3) {
    return ProcessorIdKind::X86Intel;
  }
  return ProcessorIdKind::Cpu80486;
}

ProcessorIdKind kindOfVersion(const ProcessorFacts& processor) {
  const char* v = processor.version.text;
  for (const char* prefix : kIntelVersionPrefixes) {
    if (beginsWith(v, prefix)) return ProcessorIdKind::X86Intel;
  }
  if (strcmp(v, kIntelExactVersion) == 0) return ProcessorIdKind::X86Intel;
  for (const char* prefix : kAmdVersionPrefixes) {
    if (beginsWith(v, prefix)) return ProcessorIdKind::X86Amd;
  }
  return ProcessorIdKind::None;
}

constexpr FieldText constantText(const char* text) {
  return {text, textLength(text)};
}

}  // namespace

ProcessorIdKind detectProcessorIdKind(const ProcessorFacts& processor) {
  const unsigned f = processorFamilyCode(processor);

  if (f == 0x05) return ProcessorIdKind::Cpu80386;
  if (f == 0x06) return kindOf80486(processor);
  for (uint16_t arm : kArmFamilies) {
    if (f != arm) continue;
    // 0 where the structure ends before the characteristics.
    const bool socId = (processor.characteristics & kArm64SocIdBit) != 0;
    return socId ? ProcessorIdKind::ArmSocId : ProcessorIdKind::ArmMidr;
  }
  for (const FamilyRange& range : kX86FamilyRanges) {
    if (f >= range.first && f <= range.last) return range.kind;
  }
  if (f == 0x01 || f == 0x02) return kindOfVersion(processor);
  return ProcessorIdKind::None;
}

FieldText processorIdText(const uint8_t* idBytes, ProcessorIdPie& processorIdPie) {
  char* end = processorIdPie;
  for (unsigned i = 0; i < kIdSize; ++i) {
    if (i > 0) *end++ = ' ';
    end = writeHexPair(end, idBytes[i]);
  }
  return {processorIdPie, static_cast<size_t>(end - processorIdPie)};
}

BitTexts processorFlagBits(const uint8_t* idBytes) {
  return bitTexts(kFlags.of, idDoubleWord(idBytes, 4));
}

FieldText processorFlagsWithoutItems(ProcessorIdKind kind, const uint8_t* idBytes) {
  if (kind != ProcessorIdKind::X86Intel && kind != ProcessorIdKind::X86Amd) {
    return constantText(kUnknownText);
  }
  if ((idDoubleWord(idBytes, 4) & kNamedFlagBits) == 0) return constantText(kNoneText);
  return {nullptr, 0};
}

FieldText processorFlagsText(ProcessorIdKind kind, const uint8_t* idBytes, FlagsPie& flagsPie) {
  const FieldText word = processorFlagsWithoutItems(kind, idBytes);
  if (word.text != nullptr) return word;
  return WorkText(flagsPie).addBitTexts(kFlags.of, idDoubleWord(idBytes, 4), '\n').result();
}

FieldText processorSignatureText(ProcessorIdKind kind, const uint8_t* idBytes,
                                 SignaturePie& signaturePie) {
  const unsigned w = idWord(idBytes);
  const uint32_t d = idDoubleWord(idBytes, 0);
  const uint32_t r = idDoubleWord(idBytes, 4);
  const size_t capacity = sizeof signaturePie;

  switch (kind) {
    case ProcessorIdKind::None:
      break;
    case ProcessorIdKind::Cpu80386:
      return formatted(signaturePie, capacity,
                       "Type %u, Family %u, Major Stepping %u, Minor Stepping %u", w >> 12,
                       (w >> 8) & 0xF, (w >> 4) & 0xF, w & 0xF);
    case ProcessorIdKind::Cpu80486:
      return formatted(signaturePie, capacity, "Type %u, Family %u, Model %u, Stepping %u",
                       (w >> 12) & 0x3, (w >> 8) & 0xF, (w >> 4) & 0xF, w & 0xF);
    case ProcessorIdKind::ArmMidr:
      // An empty main ID register means the firmware did not fill the field.
      if (d == 0) break;
      return formatted(
          signaturePie, capacity,
          "Implementor 0x%02x, Variant 0x%x, Architecture %u, Part 0x%03x, Revision %u",
          static_cast<unsigned>(d >> 24), static_cast<unsigned>((d >> 20) & 0xF),
          static_cast<unsigned>((d >> 16) & 0xF), static_cast<unsigned>((d >> 4) & 0xFFF),
          static_cast<unsigned>(d & 0xF));
    case ProcessorIdKind::ArmSocId:
      return formatted(
          signaturePie, capacity,
          "JEP-106 Bank 0x%02x Manufacturer 0x%02x, SoC ID 0x%04x, SoC Revision 0x%08x",
          static_cast<unsigned>((d >> 24) & 0x7F), static_cast<unsigned>((d >> 16) & 0x7F),
          static_cast<unsigned>(d & 0xFFFF), static_cast<unsigned>(r));
    case ProcessorIdKind::X86Intel:
      // The x86 kinds are nearly every processor there is: their texts are put together
      // without printf, as "Type %u, Family %u, Model %u, Stepping %u" would write them.
      return WorkText(signaturePie)
          .add("Type ")
          .decimal((d >> 12) & 0x3)
          .add(", Family ")
          .decimal(((d >> 20) & 0xFF) + ((d >> 8) & 0xF))
          .add(", Model ")
          .decimal(((d >> 12) & 0xF0) + ((d >> 4) & 0xF))
          .add(", Stepping ")
          .decimal(d & 0xF)
          .result();
    case ProcessorIdKind::X86Amd: {
      const uint32_t base = (d >> 8) & 0xF;
      uint32_t family = base;
      uint32_t model = (d >> 4) & 0xF;
      if (base == 0xF) {
        family = base + ((d >> 20) & 0xFF);
        model |= (d >> 12) & 0xF0;
      }
      // "Family %u, Model %u, Stepping %u"
      return WorkText(signaturePie)
          .add("Family ")
          .decimal(family)
          .add(", Model ")
          .decimal(model)
          .add(", Stepping ")
          .decimal(d & 0xF)
          .result();
    }
  }
  return {nullptr, 0};
}

void decodeProcessorId(const ProcessorFacts& processor) {
  const ProcessorIdKind kind = detectProcessorIdKind(processor);
  ProcessorIdPie processorIdPie;
  setTextField(&processorRecord.id, processorIdText(processor.id, processorIdPie));
  SignaturePie signaturePie;
  setTextField(&processorRecord.signature,
               processorSignatureText(kind, processor.id, signaturePie));
  FlagsPie flagsPie;
  setTextField(&processorRecord.flags, processorFlagsText(kind, processor.id, flagsPie));
}
