// Processor identification: the eight Processor ID bytes of a Processor Information structure
// (type 4) as the id text, the decoded processor signature and the x86 feature flags.
#pragma once

#include "decoders/processor_facts.h"

// Stores id, flags and, when it can be decoded, signature of the processor record.
void decodeProcessorId(const ProcessorFacts& processor);
