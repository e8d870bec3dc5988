// Processor Information (type 4) decoder.
#pragma once

#include <stdint.h>

#include "decoders/value_text.h"
#include "structures/structure.h"

void decodeProcessorInformation(const StructureHeader* header);

// Processor family names, by strictly increasing code.
constexpr int kProcessorFamilyNameCount = 214;
extern const ValueText processorFamilyNames[kProcessorFamilyNameCount];

// Constant texts: the Processor Type name, and the family name of the structure (Processor
// Family 2 behind the family byte 0xFE, the manufacturer deciding for 0xBE). "<OUT OF SPEC>" for
// codes without a name.
const char* processorTypeText(uint8_t code);
const char* processorFamilyText(const StructureHeader* header);

// Store their text into the processor record: voltage, the given speed field, characteristics.
void processorVoltageText(uint8_t voltage);
void processorFrequencyText(uint16_t value, char** field);
void processorCharacteristicsText(uint16_t bits);
