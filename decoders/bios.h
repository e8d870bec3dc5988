// BIOS Information (type 0) and BIOS Language Information (type 13) decoders.
#pragma once

#include "reader/structure.h"

void decodeBiosInformation(const StructureHeader* header);
void decodeBiosLanguage(const StructureHeader* header);
