// What a Processor Information structure (type 4) holds, and the texts the package makes of it:
// every field but the Processor ID's, and the ID with the signature and feature flags it carries.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "decoders/facts.h"
#include "decoders/processor_layout.h"
#include "decoders/value_text.h"

struct ProcessorFacts {
  uint16_t handle;
  uint8_t length;
  uint8_t type;
  uint8_t family;
  uint8_t voltage;
  uint8_t status;
  uint8_t coreCount;
  uint8_t coresEnabled;
  uint8_t threadCount;
  uint8_t stringsHeld;  // the strings of its set, where one of those below is missing
  uint8_t id[8];        // zeros where the structure ends before the whole field
  uint16_t externalClock;
  uint16_t maxSpeed;
  uint16_t currentSpeed;
  uint16_t characteristics;
  uint16_t family2;
  uint16_t coreCount2;
  uint16_t coresEnabled2;
  uint16_t threadCount2;
  StringFact socketDesignation;
  StringFact manufacturer;
  StringFact version;
  StringFact serialNumber;
  StringFact assetTag;
  StringFact partNumber;

  bool holds(unsigned offset, unsigned size) const { return holdsBytes(length, offset, size); }
  bool holdsId() const { return holds(processor_field::kId, sizeof id); }
};

// Whether the socket holds a processor: 1 yes, 0 no, -1 the structure ends before its Status.
int socketPopulated(const ProcessorFacts& processor);

// The family byte 0xFE says "look at Processor Family 2"; a structure too short to hold that word
// keeps 0xFE, which names no family.
constexpr unsigned kFamilyInFamily2 = 0xFE;
// The structure's family code: Processor Family 2 behind the family byte 0xFE, when the structure
// is long enough to hold it, else the family byte.
inline unsigned processorFamilyCode(const ProcessorFacts& processor) {
  if (processor.family == kFamilyInFamily2 && processor.holds(processor_field::kFamily2, 2)) {
    return processor.family2;
  }
  return processor.family;
}

// Processor family names, by strictly increasing code.
constexpr int kProcessorFamilyNameCount = 214;

// Constant texts: the Processor Type name, and the family name of the structure (the
// manufacturer deciding for 0xBE). "<OUT OF SPEC>" for codes without a name; named false then.
FieldText processorTypeText(uint8_t code, bool* named = nullptr);
FieldText processorFamilyText(const ProcessorFacts& processor, bool* named = nullptr);

// The voltage, a speed in MHz and the characteristics, each built in its work buffer.
using VoltagePie = char[100];
FieldText processorVoltageText(uint8_t voltage, VoltagePie& voltagePie);
using FrequencyPie = char[14];
FieldText processorFrequencyText(uint16_t value, FrequencyPie& frequencyPie);
using ProcessorCharacteristicsPie = char[1000];
FieldText processorCharacteristicsText(uint16_t bits, ProcessorCharacteristicsPie& pie);
// "None" where no bit of 2 to 9 is set, else null; and the items of the text.
FieldText processorCharacteristicsWithoutItems(uint16_t bits);
BitTexts processorCharacteristicBits(uint16_t bits);

// One of the three counts: the byte, or its 16-bit extension word when the byte says 0xFF and
// the structure is long enough to hold the word. 0 where the byte is 0: the count is not given.
enum class ProcessorCount : uint8_t { kCores, kCoresEnabled, kThreads };
unsigned processorCount(const ProcessorFacts& processor, ProcessorCount which);
// Its text; null where the byte is 0.
using CountPie = char[10];
FieldText processorCountText(const ProcessorFacts& processor, ProcessorCount which,
                             CountPie& countPie);
// Whether the structure holds the count's byte.
bool holdsCount(const ProcessorFacts& processor, ProcessorCount which);

// The voltage in millivolts: the current one, or the one voltage the older encoding names; false
// where it names none or several.
bool processorMillivolts(uint8_t voltage, unsigned* millivolts);

// How the Processor ID bytes are laid out; the structure does not say, so it is inferred.
enum class ProcessorIdKind : uint8_t {
  None = 0,      // not decodable
  Cpu80386 = 1,  // ID word: type, family, major and minor stepping
  Cpu80486 = 2,  // ID word: type, family, model, stepping
  ArmMidr = 3,   // low double word: main ID register
  ArmSocId = 4,  // low double word: JEP-106 bank, manufacturer, SoC ID; high: SoC revision
  X86Intel = 5,  // CPUID leaf 1 signature (extended family and model always added) and flags
  X86Amd = 6,    // CPUID leaf 1 signature (extended parts only for base family 15) and flags
};

// Names of the feature flags by bit of the high double word; null where the bit has no name.
extern const char* const processorFeatureFlagNames[32];

ProcessorIdKind detectProcessorIdKind(const ProcessorFacts& processor);

// The eight ID bytes as "A9 06 03 00 FF FB EB BF".
using ProcessorIdPie = char[999];
FieldText processorIdText(const uint8_t* idBytes, ProcessorIdPie& processorIdPie);
// The signature of the eight ID bytes for kind; null for kind None and an ARM main ID register
// of 0, which say nothing.
using SignaturePie = char[120];
FieldText processorSignatureText(ProcessorIdKind kind, const uint8_t* idBytes,
                                 SignaturePie& signaturePie);
// The names of the set feature flags in bit order, one per line, "None" when no named flag is
// set, or "UNKNOWN" when the ID is not laid out as x86 feature flags.
using FlagsPie = char[9999];
FieldText processorFlagsText(ProcessorIdKind kind, const uint8_t* idBytes, FlagsPie& flagsPie);
// "UNKNOWN" or "None" where the text is one of them, else null; and the items of the text.
FieldText processorFlagsWithoutItems(ProcessorIdKind kind, const uint8_t* idBytes);
BitTexts processorFlagBits(const uint8_t* idBytes);
