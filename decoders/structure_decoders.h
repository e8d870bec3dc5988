// Which decoder reads a structure of which type: two sorted tables, checked when compiled. The
// package's holds the five types whose records it keeps; the walk hands each structure to
// decodeStructure, which finds its decoder there. The second holds what only the tool decodes.
// Every entry also reads a structure into its facts, for the tool's facts walk
// (readStructureFacts).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "decoders/bios.h"
#include "decoders/memory.h"
#include "decoders/processor.h"
#include "decoders/structure_facts.h"
#include "decoders/system.h"
#include "structures/structure.h"

using StructureDecoder = void (*)(const StructureHeader* header);
using FactsReader = void (*)(const StructureHeader* header, StructureFacts* facts);

// A family's facts reader, into its member of StructureFacts.
template <typename Facts, Facts StructureFacts::*member,
          void (*read)(const StructureHeader*, Facts*)>
void readFactsInto(const StructureHeader* header, StructureFacts* facts) {
  read(header, &(facts->*member));
}

struct TypeDecoder {
  uint8_t type;
  StructureDecoder decode;  // the package's records of the structure; null in the tool's table
  FactsReader readFacts;
};

inline constexpr TypeDecoder kStructureDecoders[] = {
    {kBiosInformationType, decodeBiosInformation,
     readFactsInto<BiosFacts, &StructureFacts::bios, readBiosFacts>},
    {kProcessorInformationType, decodeProcessorInformation,
     readFactsInto<ProcessorFacts, &StructureFacts::processor, readProcessorFacts>},
    {kBiosLanguageType, decodeBiosLanguage,
     readFactsInto<BiosLanguageFacts, &StructureFacts::biosLanguage, readBiosLanguageFacts>},
    {kPhysicalMemoryArrayType, decodeMemoryArray,
     readFactsInto<MemoryArrayFacts, &StructureFacts::memoryArray, readMemoryArrayFacts>},
    {kMemoryDeviceType, decodeMemoryDevice,
     readFactsInto<MemoryDeviceFacts, &StructureFacts::memoryDevice, readMemoryDeviceFacts>},
};

// What only the tool decodes (decoders/system.h).
inline constexpr TypeDecoder kToolDecoders[] = {
    {kSystemInformationType, nullptr,
     readFactsInto<SystemFacts, &StructureFacts::system, readSystemFacts>},
};

template <size_t N>
constexpr bool typesStrictlyAscending(const TypeDecoder (&table)[N]) {
  for (size_t i = 1; i < N; ++i) {
    if (table[i - 1].type >= table[i].type) return false;
  }
  return true;
}
static_assert(typesStrictlyAscending(kStructureDecoders), "one decoder per type, sorted by type");
static_assert(typesStrictlyAscending(kToolDecoders), "one decoder per type, sorted by type");

// The same, indexed by type: finding a structure's decoder costs one load, as a switch would.
// The package's decoders and the facts readers apart, so that the package holds nothing of the
// tool's table.
struct DecodersByType {
  StructureDecoder of[256];
};
constexpr DecodersByType decodersByType() {
  DecodersByType byType{};
  for (const TypeDecoder& entry : kStructureDecoders) byType.of[entry.type] = entry.decode;
  return byType;
}
inline constexpr DecodersByType kDecodersByType = decodersByType();

struct FactsReadersByType {
  FactsReader of[256];
  bool overlap;  // a type of both tables: it would be the package's and yet the tool's alone
};
constexpr FactsReadersByType factsReadersByType() {
  FactsReadersByType byType{};
  for (const TypeDecoder& entry : kStructureDecoders) byType.of[entry.type] = entry.readFacts;
  for (const TypeDecoder& entry : kToolDecoders) {
    byType.overlap = byType.overlap || byType.of[entry.type] != nullptr;
    byType.of[entry.type] = entry.readFacts;
  }
  return byType;
}
inline constexpr FactsReadersByType kFactsReadersByType = factsReadersByType();
static_assert(!kFactsReadersByType.overlap, "no type in both tables");

// Hands one structure to the package's decoder of its type; a type the package does not decode
// is left.
inline void decodeStructure(const StructureHeader* header) {
  const StructureDecoder decode = kDecodersByType.of[header->type];
  if (decode != nullptr) decode(header);
}

// Reads one structure into its facts, when either table holds its type; false (facts untouched)
// otherwise.
inline bool readStructureFacts(const StructureHeader* header, StructureFacts* facts) {
  const FactsReader read = kFactsReadersByType.of[header->type];
  if (read == nullptr) return false;
  facts->type = header->type;
  read(header, facts);
  return true;
}
