// System Information (type 1), which the package does not decode: whom the table names as the
// machine's maker and model. Only the tool reads it, through the second decoder table
// (decoders/structure_decoders.h).
#pragma once

#include <stdint.h>

#include "decoders/facts.h"
#include "decoders/system_layout.h"

struct SystemFacts {
  uint16_t handle;
  uint8_t length;
  uint8_t stringsHeld;  // the strings of its set, where one of those below is missing
  StringFact manufacturer;
  StringFact productName;
};

struct StructureHeader;
void readSystemFacts(const StructureHeader* header, SystemFacts* system);
