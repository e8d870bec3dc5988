// BIOS Information (type 0) and BIOS Language Information (type 13): their facts and the package's
// decoders.
#pragma once

#include "decoders/bios_facts.h"
#include "structures/structure.h"

void readBiosFacts(const StructureHeader* header, BiosFacts* bios);
void readBiosLanguageFacts(const StructureHeader* header, BiosLanguageFacts* language);

void decodeBiosInformation(const StructureHeader* header);
void decodeBiosLanguage(const StructureHeader* header);
