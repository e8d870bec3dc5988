// Physical Memory Array (type 16) and Memory Device (type 17) decoders.
#pragma once

#include <stdint.h>

#include "structures/structure.h"

void decodeMemoryArray(const StructureHeader* header);
// Fills the next entry of the memory device list; a structure with no entry left is dropped.
void decodeMemoryDevice(const StructureHeader* header);

// Enumeration values to their static texts; "<OUT OF SPEC>" for values outside the tables.
const char* memoryLocationText(uint8_t location);
const char* memoryUseText(uint8_t use);
const char* memoryFormFactorText(uint8_t formFactor);
const char* memoryTypeText(uint8_t type);

// Each formats its value and stores the text in field.
void memorySizeText(uint16_t size, char** field);
void memoryExtendedSizeText(uint32_t extendedSize, char** field);
void memorySpeedText(uint16_t speed, uint32_t extendedSpeed, char** field);
void memoryVoltageText(uint16_t millivolts, char** field);
