// Processor Information (type 4): its facts and the package's decoder.
#pragma once

#include "decoders/processor_facts.h"
#include "decoders/value_text.h"
#include "structures/structure.h"

void readProcessorFacts(const StructureHeader* header, ProcessorFacts* processor);

void decodeProcessorInformation(const StructureHeader* header);

extern const ValueText processorFamilyNames[kProcessorFamilyNameCount];
