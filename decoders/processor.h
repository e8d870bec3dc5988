// Processor Information (type 4): its facts, and the package's record of them.
#pragma once

#include "decoders/processor_facts.h"
#include "decoders/value_text.h"
#include "structures/structure.h"

void readProcessorFacts(const StructureHeader* header, ProcessorFacts* processor);

void storeProcessorRecord(const ProcessorFacts& processor);
// Whether the package stores anything of the structure: it holds SMBIOS 2.0's layout.
bool processorRecordStored(const StructureHeader* header);

extern const ValueText processorFamilyNames[kProcessorFamilyNameCount];
