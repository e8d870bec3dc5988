// BIOS Information (type 0) and BIOS Language Information (type 13) decoders.
#pragma once

#include <stdint.h>

#include "structures/structure.h"

void decodeBiosInformation(const StructureHeader* header);
void decodeBiosLanguage(const StructureHeader* header);

// The ROM size text of the ROM size byte, or of the extended ROM size word when the byte is 0xFF.
void romSizeText(uint8_t romSize, uint16_t extendedRomSize, char** field);
// Replaces characteristics with the texts of the set bits of the characteristics field.
void characteristicsText(uint32_t lower, uint32_t upper, char* characteristics);
// Append a line feed and the texts of the set bits of one extension byte.
void extensionByte1Text(uint8_t byte, char* characteristics);
void extensionByte2Text(uint8_t byte, char* characteristics);
// All language strings of the structure, separated by line feeds, into installableLanguages.
void installableLanguagesText(const StructureHeader* header);
