// Processor Information (type 4) decoder.
#pragma once

#include <cstdint>

#include "reader/structure.h"

void decodeProcessorInformation(const StructureHeader* header);

// A code of an SMBIOS enumeration and its name.
struct ProcessorCodeName {
  uint16_t code;
  const char* name;
};

// Processor family names, by strictly increasing code.
constexpr int kProcessorFamilyNameCount = 214;
extern const ProcessorCodeName processorFamilyNames[kProcessorFamilyNameCount];

// Constant texts: the Processor Type name, and the family name of the structure (Processor
// Family 2 behind the family byte 0xFE, the manufacturer deciding for 0xBE). "<OUT OF SPEC>" for
// codes without a name.
const char* processorTypeText(uint8_t code);
const char* processorFamilyText(const StructureHeader* header);

// Store their text into the processor record: voltage, the given speed field, characteristics.
void processorVoltageText(uint8_t voltage);
void processorFrequencyText(uint16_t value, char** field);
void processorCharacteristicsText(uint16_t bits);
