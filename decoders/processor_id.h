// Processor identification: the eight Processor ID bytes of a Processor Information structure
// (type 4) as the id text, the decoded processor signature and the x86 feature flags.
#pragma once

#include <stdint.h>

#include "structures/structure.h"

// How the Processor ID bytes are laid out; the structure does not say, so it is inferred.
enum class ProcessorIdKind : uint8_t {
  None = 0,      // not decodable
  Cpu80386 = 1,  // ID word: type, family, major and minor stepping
  Cpu80486 = 2,  // ID word: type, family, model, stepping
  ArmMidr = 3,   // low double word: main ID register
  ArmSocId = 4,  // low double word: JEP-106 bank, manufacturer, SoC ID; high: SoC revision
  X86Intel = 5,  // CPUID leaf 1 signature (extended family and model always added) and flags
  X86Amd = 6,    // CPUID leaf 1 signature (extended parts only for base family 15) and flags
};

// Names of the feature flags by bit of the high double word; null where the bit has no name.
extern const char* const processorFeatureFlagNames[32];

// Stores id, flags and, when it can be decoded, signature of the processor record. The structure
// must have a formatted length of at least 0x1A.
void decodeProcessorId(const StructureHeader* header);

ProcessorIdKind detectProcessorIdKind(const StructureHeader* header);

// Stores the signature text of the eight ID bytes for kind; kind None and an ARM main ID
// register of 0 leave signature as it was.
void processorSignatureText(ProcessorIdKind kind, const uint8_t* idBytes);
