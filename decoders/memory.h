// Physical Memory Array (type 16) and Memory Device (type 17) decoders.
#pragma once

#include "reader/structure.h"

void decodeMemoryArray(const StructureHeader* header);
void decodeMemoryDevice(const StructureHeader* header);
