// Processor Information (type 4) decoder.
#pragma once

#include "reader/structure.h"

void decodeProcessorInformation(const StructureHeader* header);
