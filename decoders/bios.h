// BIOS Information (type 0) and BIOS Language Information (type 13): their facts, and the
// package's records of them.
#pragma once

#include "decoders/bios_facts.h"
#include "structures/structure.h"

void readBiosFacts(const StructureHeader* header, BiosFacts* bios);
void readBiosLanguageFacts(const StructureHeader* header, BiosLanguageFacts* language);

// Whether the package stores anything of the structure: it is long enough for the characteristics.
bool biosRecordStored(const StructureHeader* header);

// Store the texts of one structure's facts in the package's record, where its length allows.
void storeBiosRecord(const BiosFacts& bios);
void storeBiosLanguageRecord(const BiosLanguageFacts& language);
