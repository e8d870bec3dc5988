// One structure's facts, of the family its type names: what the tool gets of every structure the
// decoders read, the package's five types and System Information.
#pragma once

#include <stdint.h>

#include "decoders/bios_facts.h"
#include "decoders/memory_facts.h"
#include "decoders/processor_facts.h"
#include "decoders/system.h"
#include "structures/structure_types.h"

struct StructureFacts {
  uint8_t type;  // says which member holds the facts
  union {
    BiosFacts bios;
    BiosLanguageFacts biosLanguage;
    ProcessorFacts processor;
    MemoryArrayFacts memoryArray;
    MemoryDeviceFacts memoryDevice;
    SystemFacts system;
  };
};
