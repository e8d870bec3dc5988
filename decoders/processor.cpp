// Processor Information (type 4), DSP0134 section 7.5: every field but the Processor ID, which
// processor_id.cpp reads.
#include "decoders/processor.h"

#include <string.h>

#include "base/ascii.h"
#include "decoders/decoder_text.h"
#include "decoders/processor_id.h"
#include "decoders/processor_layout.h"
#include "records/record_store.h"

constexpr ValueText processorFamilyNames[] = {
    {0x01, "Other"},
    {0x02, "Unknown"},
    {0x03, "8086"},
    {0x04, "80286"},
    {0x05, "80386"},
    {0x06, "80486"},
    {0x07, "8087"},
    {0x08, "80287"},
    {0x09, "80387"},
    {0x0A, "80487"},
    {0x0B, "Pentium"},
    {0x0C, "Pentium Pro"},
    {0x0D, "Pentium II"},
    {0x0E, "Pentium MMX"},
    {0x0F, "Celeron"},
    {0x10, "Pentium II Xeon"},
    {0x11, "Pentium III"},
    {0x12, "M1"},
    {0x13, "M2"},
    {0x14, "Celeron M"},
    {0x15, "Pentium 4 HT"},
    {0x18, "Duron"},
    {0x19, "K5"},
    {0x1A, "K6"},
    {0x1B, "K6-2"},
    {0x1C, "K6-3"},
    {0x1D, "Athlon"},
    {0x1E, "AMD29000"},
    {0x1F, "K6-2+"},
    {0x20, "Power PC"},
    {0x21, "Power PC 601"},
    {0x22, "Power PC 603"},
    {0x23, "Power PC 603+"},
    {0x24, "Power PC 604"},
    {0x25, "Power PC 620"},
    {0x26, "Power PC x704"},
    {0x27, "Power PC 750"},
    {0x28, "Core Duo"},
    {0x29, "Core Duo Mobile"},
    {0x2A, "Core Solo Mobile"},
    {0x2B, "Atom"},
    {0x2C, "Core M"},
    {0x2D, "Core m3"},
    {0x2E, "Core m5"},
    {0x2F, "Core m7"},
    {0x30, "Alpha"},
    {0x31, "Alpha 21064"},
    {0x32, "Alpha 21066"},
    {0x33, "Alpha 21164"},
    {0x34, "Alpha 21164PC"},
    {0x35, "Alpha 21164a"},
    {0x36, "Alpha 21264"},
    {0x37, "Alpha 21364"},
    {0x38, "Turion II Ultra Dual-Core Mobile M"},
    {0x39, "Turion II Dual-Core Mobile M"},
    {0x3A, "Athlon II Dual-Core M"},
    {0x3B, "Opteron 6100"},
    {0x3C, "Opteron 4100"},
    {0x3D, "Opteron 6200"},
    {0x3E, "Opteron 4200"},
    {0x3F, "FX"},
    {0x40, "MIPS"},
    {0x41, "MIPS R4000"},
    {0x42, "MIPS R4200"},
    {0x43, "MIPS R4400"},
    {0x44, "MIPS R4600"},
    {0x45, "MIPS R10000"},
    {0x46, "C-Series"},
    {0x47, "E-Series"},
    {0x48, "A-Series"},
    {0x49, "G-Series"},
    {0x4A, "Z-Series"},
    {0x4B, "R-Series"},
    {0x4C, "Opteron 4300"},
    {0x4D, "Opteron 6300"},
    {0x4E, "Opteron 3300"},
    {0x4F, "FirePro"},
    {0x50, "SPARC"},
    {0x51, "SuperSPARC"},
    {0x52, "MicroSPARC II"},
    {0x53, "MicroSPARC IIep"},
    {0x54, "UltraSPARC"},
    {0x55, "UltraSPARC II"},
    {0x56, "UltraSPARC IIi"},
    {0x57, "UltraSPARC III"},
    {0x58, "UltraSPARC IIIi"},
    {0x60, "68040"},
    {0x61, "68xxx"},
    {0x62, "68000"},
    {0x63, "68010"},
    {0x64, "68020"},
    {0x65, "68030"},
    {0x66, "Athlon X4"},
    {0x67, "Opteron X1000"},
    {0x68, "Opteron X2000"},
    {0x69, "Opteron A-Series"},
    {0x6A, "Opteron X3000"},
    {0x6B, "Zen"},
    {0x70, "Hobbit"},
    {0x78, "Crusoe TM5000"},
    {0x79, "Crusoe TM3000"},
    {0x7A, "Efficeon TM8000"},
    {0x80, "Weitek"},
    {0x82, "Itanium"},
    {0x83, "Athlon 64"},
    {0x84, "Opteron"},
    {0x85, "Sempron"},
    {0x86, "Turion 64"},
    {0x87, "Dual-Core Opteron"},
    {0x88, "Athlon 64 X2"},
    {0x89, "Turion 64 X2"},
    {0x8A, "Quad-Core Opteron"},
    {0x8B, "Third-Generation Opteron"},
    {0x8C, "Phenom FX"},
    {0x8D, "Phenom X4"},
    {0x8E, "Phenom X2"},
    {0x8F, "Athlon X2"},
    {0x90, "PA-RISC"},
    {0x91, "PA-RISC 8500"},
    {0x92, "PA-RISC 8000"},
    {0x93, "PA-RISC 7300LC"},
    {0x94, "PA-RISC 7200"},
    {0x95, "PA-RISC 7100LC"},
    {0x96, "PA-RISC 7100"},
    {0xA0, "V30"},
    {0xA1, "Quad-Core Xeon 3200"},
    {0xA2, "Dual-Core Xeon 3000"},
    {0xA3, "Quad-Core Xeon 5300"},
    {0xA4, "Dual-Core Xeon 5100"},
    {0xA5, "Dual-Core Xeon 5000"},
    {0xA6, "Dual-Core Xeon LV"},
    {0xA7, "Dual-Core Xeon ULV"},
    {0xA8, "Dual-Core Xeon 7100"},
    {0xA9, "Quad-Core Xeon 5400"},
    {0xAA, "Quad-Core Xeon"},
    {0xAB, "Dual-Core Xeon 5200"},
    {0xAC, "Dual-Core Xeon 7200"},
    {0xAD, "Quad-Core Xeon 7300"},
    {0xAE, "Quad-Core Xeon 7400"},
    {0xAF, "Multi-Core Xeon 7400"},
    {0xB0, "Pentium III Xeon"},
    {0xB1, "Pentium III Speedstep"},
    {0xB2, "Pentium 4"},
    {0xB3, "Xeon"},
    {0xB4, "AS400"},
    {0xB5, "Xeon MP"},
    {0xB6, "Athlon XP"},
    {0xB7, "Athlon MP"},
    {0xB8, "Itanium 2"},
    {0xB9, "Pentium M"},
    {0xBA, "Celeron D"},
    {0xBB, "Pentium D"},
    {0xBC, "Pentium EE"},
    {0xBD, "Core Solo"},
    {0xBF, "Core 2 Duo"},
    {0xC0, "Core 2 Solo"},
    {0xC1, "Core 2 Extreme"},
    {0xC2, "Core 2 Quad"},
    {0xC3, "Core 2 Extreme Mobile"},
    {0xC4, "Core 2 Duo Mobile"},
    {0xC5, "Core 2 Solo Mobile"},
    {0xC6, "Core i7"},
    {0xC7, "Dual-Core Celeron"},
    {0xC8, "IBM390"},
    {0xC9, "G4"},
    {0xCA, "G5"},
    {0xCB, "ESA/390 G6"},
    {0xCC, "z/Architecture"},
    {0xCD, "Core i5"},
    {0xCE, "Core i3"},
    {0xCF, "Core i9"},
    {0xD2, "C7-M"},
    {0xD3, "C7-D"},
    {0xD4, "C7"},
    {0xD5, "Eden"},
    {0xD6, "Multi-Core Xeon"},
    {0xD7, "Dual-Core Xeon 3xxx"},
    {0xD8, "Quad-Core Xeon 3xxx"},
    {0xD9, "Nano"},
    {0xDA, "Dual-Core Xeon 5xxx"},
    {0xDB, "Quad-Core Xeon 5xxx"},
    {0xDD, "Dual-Core Xeon 7xxx"},
    {0xDE, "Quad-Core Xeon 7xxx"},
    {0xDF, "Multi-Core Xeon 7xxx"},
    {0xE0, "Multi-Core Xeon 3400"},
    {0xE4, "Opteron 3000"},
    {0xE5, "Sempron II"},
    {0xE6, "Embedded Opteron Quad-Core"},
    {0xE7, "Phenom Triple-Core"},
    {0xE8, "Turion Ultra Dual-Core Mobile"},
    {0xE9, "Turion Dual-Core Mobile"},
    {0xEA, "Athlon Dual-Core"},
    {0xEB, "Sempron SI"},
    {0xEC, "Phenom II"},
    {0xED, "Athlon II"},
    {0xEE, "Six-Core Opteron"},
    {0xEF, "Sempron M"},
    {0xFA, "i860"},
    {0xFB, "i960"},
    {0x100, "ARMv7"},
    {0x101, "ARMv8"},
    {0x104, "SH-3"},
    {0x105, "SH-4"},
    {0x118, "ARM"},
    {0x119, "StrongARM"},
    {0x12C, "6x86"},
    {0x12D, "MediaGX"},
    {0x12E, "MII"},
    {0x140, "WinChip"},
    {0x15E, "DSP"},
    {0x1F4, "Video Processor"},
    {0x200, "RV32"},
    {0x201, "RV64"},
    {0x202, "RV128"},
};

namespace {

static_assert(sizeof processorFamilyNames / sizeof processorFamilyNames[0] ==
                  kProcessorFamilyNameCount,
              "one family name per code");
// The lookup is a binary search: it finds a code exactly when the table holds it.
static_assert(strictlyAscending(processorFamilyNames),
              "the family search needs strictly increasing codes");

// clang-format off
constexpr ValueText processorTypeNames[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "Central Processor"},
    {4, "Math Processor"},
    {5, "DSP Processor"},
    {6, "Video Processor"},
};
// clang-format on
static_assert(strictlyAscending(processorTypeNames), "searched by code");

// By bit number of the Voltage byte.
constexpr ValueText legacyVoltageNames[] = {
    {0, "5.0 V"},
    {1, "3.3 V"},
    {2, "2.9 V"},
};

// By bit number of the Processor Characteristics word.
// clang-format off
constexpr ValueText processorCharacteristicNames[] = {
    {2, "64-bit capable"},
    {3, "Multi-Core"},
    {4, "Hardware Thread"},
    {5, "Execute Protection"},
    {6, "Enhanced Virtualization"},
    {7, "Power/Performance Control"},
    {8, "128-bit Capable"},
    {9, "Arm64 SoC ID"},
};
// clang-format on
static_assert(strictlyAscending(legacyVoltageNames) &&
                  strictlyAscending(processorCharacteristicNames),
              "names are listed in bit order");

// 0xBE names two processors; the manufacturer tells them apart.
constexpr unsigned kCore2OrK7 = 0xBE;

constexpr FieldText constantText(const char* text) {
  return {text, textLength(text)};
}

struct CountField {
  unsigned byteOffset;
  unsigned wordOffset;
  uint8_t ProcessorFacts::*byte;
  uint16_t ProcessorFacts::*word;
};
// By ProcessorCount.
constexpr CountField kCounts[] = {
    {processor_field::kCoreCount, processor_field::kCoreCount2, &ProcessorFacts::coreCount,
     &ProcessorFacts::coreCount2},
    {processor_field::kCoresEnabled, processor_field::kCoresEnabled2, &ProcessorFacts::coresEnabled,
     &ProcessorFacts::coresEnabled2},
    {processor_field::kThreadCount, processor_field::kThreadCount2, &ProcessorFacts::threadCount,
     &ProcessorFacts::threadCount2},
};

}  // namespace

int socketPopulated(const ProcessorFacts& processor) {
  if (!processor.holds(processor_field::kStatus, 1)) return -1;
  return (processor.status & processor_field::kSocketPopulated) != 0 ? 1 : 0;
}

FieldText processorTypeText(uint8_t code, bool* named) {
  return lookupField(processorTypeNames, code, named);
}

FieldText processorFamilyText(const ProcessorFacts& processor, bool* named) {
  const unsigned f = processorFamilyCode(processor);
  if (f == kCore2OrK7) {
    if (named != nullptr) *named = true;
    const char* m = processor.manufacturer.text;
    if (strstr(m, "Intel") != nullptr || asciiEqualIgnoringCase(m, "Intel", 5)) {
      return constantText("Core 2");
    }
    if (strstr(m, "AMD") != nullptr || asciiEqualIgnoringCase(m, "AMD", 3)) {
      return constantText("K7");
    }
    return constantText("Core 2 or K7");
  }
  return lookupField(processorFamilyNames, f, named);
}

FieldText processorVoltageText(uint8_t voltage, VoltagePie& voltagePie) {
  WorkText text(voltagePie);
  if ((voltage & 0x80) != 0) {
    // Tenths of a volt, written as "%.1f" writes them.
    const unsigned tenths = voltage & 0x7Fu;
    text.decimal(tenths / 10).add('.').decimal(tenths % 10).add(" V");
  } else if ((voltage & 0x07) == 0) {
    return constantText(kUnknownText);
  } else {
    text.addBitTexts(legacyVoltageNames, voltage, ' ');
  }
  return text.result();
}

bool processorMillivolts(uint8_t voltage, unsigned* millivolts) {
  if ((voltage & 0x80) != 0) {
    *millivolts = (voltage & 0x7Fu) * 100u;
    return true;
  }
  static constexpr uint16_t kLegacyMillivolts[] = {5000, 3300, 2900};
  const unsigned bits = voltage & 0x07u;
  for (unsigned bit = 0; bit < 3; ++bit) {
    if (bits == 1u << bit) {
      *millivolts = kLegacyMillivolts[bit];
      return true;
    }
  }
  return false;
}

FieldText processorFrequencyText(uint16_t value, FrequencyPie& frequencyPie) {
  if (value == 0) return constantText("Unknown");
  return WorkText(frequencyPie).decimal(value).add(" MHz").result();
}

FieldText processorCharacteristicsWithoutItems(uint16_t bits) {
  if ((bits & 0x03FC) == 0) return constantText(kNoneText);
  return {nullptr, 0};
}

FieldText processorCharacteristicsText(uint16_t bits, ProcessorCharacteristicsPie& pie) {
  const FieldText none = processorCharacteristicsWithoutItems(bits);
  if (none.text != nullptr) return none;
  return WorkText(pie).addBitTexts(processorCharacteristicNames, bits, '\n').result();
}

BitTexts processorCharacteristicBits(uint16_t bits) {
  return bitTexts(processorCharacteristicNames, bits);
}

bool holdsCount(const ProcessorFacts& processor, ProcessorCount which) {
  return processor.holds(kCounts[static_cast<int>(which)].byteOffset, 1);
}

unsigned processorCount(const ProcessorFacts& processor, ProcessorCount which) {
  const CountField& count = kCounts[static_cast<int>(which)];
  const uint8_t byte = processor.*count.byte;
  if (byte == 0xFF && processor.holds(count.wordOffset, 2)) return processor.*count.word;
  return byte;
}

FieldText processorCountText(const ProcessorFacts& processor, ProcessorCount which,
                             CountPie& countPie) {
  if (processor.*kCounts[static_cast<int>(which)].byte == 0) return {nullptr, 0};
  return WorkText(countPie).decimal(processorCount(processor, which)).result();
}

void readProcessorFacts(const StructureHeader* header, ProcessorFacts* processor) {
  namespace field = processor_field;
  ProcessorFacts& p = *processor;
  p.handle = header->handle;
  p.length = header->length;
  p.type = fieldAt<uint8_t>(header, field::kType);
  p.family = fieldAt<uint8_t>(header, field::kFamily);
  p.voltage = fieldAt<uint8_t>(header, field::kVoltage);
  p.status = fieldAt<uint8_t>(header, field::kStatus);
  p.coreCount = fieldAt<uint8_t>(header, field::kCoreCount);
  p.coresEnabled = fieldAt<uint8_t>(header, field::kCoresEnabled);
  p.threadCount = fieldAt<uint8_t>(header, field::kThreadCount);
  // Zeros where the structure is too short to hold the whole field.
  if (holdsBytes(header->length, field::kId, sizeof p.id)) {
    memcpy(p.id, header->data + field::kId, sizeof p.id);
  } else {
    memset(p.id, 0, sizeof p.id);
  }
  p.externalClock = fieldAt<uint16_t>(header, field::kExternalClock);
  p.maxSpeed = fieldAt<uint16_t>(header, field::kMaxSpeed);
  p.currentSpeed = fieldAt<uint16_t>(header, field::kCurrentSpeed);
  p.characteristics = fieldAt<uint16_t>(header, field::kCharacteristics);
  p.family2 = fieldAt<uint16_t>(header, field::kFamily2);
  p.coreCount2 = fieldAt<uint16_t>(header, field::kCoreCount2);
  p.coresEnabled2 = fieldAt<uint16_t>(header, field::kCoresEnabled2);
  p.threadCount2 = fieldAt<uint16_t>(header, field::kThreadCount2);
  const StringField strings[] = {{field::kSocketDesignation, &p.socketDesignation},
                                 {field::kManufacturer, &p.manufacturer},
                                 {field::kVersion, &p.version},
                                 {field::kSerialNumber, &p.serialNumber},
                                 {field::kAssetTag, &p.assetTag},
                                 {field::kPartNumber, &p.partNumber}};
  p.stringsHeld = static_cast<uint8_t>(resolveStringsAt(header, strings));
}

bool processorRecordStored(const StructureHeader* header) {
  return header->length >= processor_field::kLength20;
}

void storeProcessorRecord(const ProcessorFacts& p) {
  namespace field = processor_field;
  if (p.length < field::kLength20) return;
  ProcessorRecord& record = processorRecord;
  setTextField(&record.socketDesignation, p.socketDesignation.asText());
  setTextField(&record.type, processorTypeText(p.type));
  setTextField(&record.family, processorFamilyText(p));
  setTextField(&record.manufacturer, p.manufacturer.asText());
  decodeProcessorId(p);
  setTextField(&record.version, p.version.asText());
  VoltagePie voltagePie;
  setTextField(&record.voltage, processorVoltageText(p.voltage, voltagePie));
  FrequencyPie frequencyPie;
  setTextField(&record.externalClock, processorFrequencyText(p.externalClock, frequencyPie));
  setTextField(&record.maxSpeed, processorFrequencyText(p.maxSpeed, frequencyPie));
  setTextField(&record.currentSpeed, processorFrequencyText(p.currentSpeed, frequencyPie));
  record.present = 0;

  // Structures of the oldest layout end before these fields; say so rather than leave them empty.
  if (p.length < field::kLength21) {
    char** const unknowableFields[] = {
        &record.serialNumber, &record.assetTag,    &record.partNumber,     &record.coreCount,
        &record.coresEnabled, &record.threadCount, &record.characteristics};
    for (char** unknowable : unknowableFields) {
      setTextField(unknowable, kUnknowableText, sizeof kUnknowableText - 1);
    }
    return;
  }
  if (p.length < field::kLength23) return;

  setTextField(&record.serialNumber, p.serialNumber.asText());
  setTextField(&record.assetTag, p.assetTag.asText());
  setTextField(&record.partNumber, p.partNumber.asText());
  if (p.length < field::kLength25) return;

  CountPie countPie;
  setTextField(&record.coreCount, processorCountText(p, ProcessorCount::kCores, countPie));
  setTextField(&record.coresEnabled,
               processorCountText(p, ProcessorCount::kCoresEnabled, countPie));
  setTextField(&record.threadCount, processorCountText(p, ProcessorCount::kThreads, countPie));
  ProcessorCharacteristicsPie characteristicsPie;
  setTextField(&record.characteristics,
               processorCharacteristicsText(p.characteristics, characteristicsPie));
}
