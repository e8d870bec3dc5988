// The single pass over the structure table: finds where each structure ends, hands the ones to
// be decoded to their decoder, stops at a broken table, and reports what it found wrong.
#pragma once

#include <stdint.h>

#include "base/compiler.h"
#include "structures/structure.h"

void walkTable(uint8_t* table, uint32_t tableLength, uint16_t count);
void decodeStructure(const StructureHeader* header);
void fixupEntryLength(StructureHeader* header, int report);
void printStructureError(const char* format, ...) ZENTRIK_PRINTF_FORMAT(1, 2);
void printSeparator();
