// Which decoder reads a structure of which type: two sorted tables, checked when compiled. Each
// entry reads a structure once into its facts; the package's table, of the five types whose
// records it keeps, also stores the records from them. The second holds what only the tool
// decodes. The walk hands each structure to decodeStructure.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "decoders/bios.h"
#include "decoders/memory.h"
#include "decoders/processor.h"
#include "decoders/structure_facts.h"
#include "decoders/system.h"
#include "structures/structure.h"

using FactsReader = void (*)(const StructureHeader* header, StructureFacts* facts);
using RecordStore = void (*)(const StructureFacts& facts);

// A family's facts reader, into its member of StructureFacts, and its record store, from it.
template <typename Facts, Facts StructureFacts::*member,
          void (*read)(const StructureHeader*, Facts*)>
void readFactsInto(const StructureHeader* header, StructureFacts* facts) {
  read(header, &(facts->*member));
}
template <typename Facts, Facts StructureFacts::*member, void (*store)(const Facts&)>
void storeFrom(const StructureFacts& facts) {
  store(facts.*member);
}

// Whether the package stores anything of a structure, by its header alone: where it does not,
// the package's walk does not read the structure's facts (the tool's reads them all the same).
using StoreGate = bool (*)(const StructureHeader* header);

struct TypeDecoder {
  uint8_t type;
  FactsReader readFacts;
  RecordStore store;  // the package's records of the facts; null in the tool's table
  StoreGate stores;   // null: every structure of the type is stored
};

inline constexpr TypeDecoder kStructureDecoders[] = {
    {kBiosInformationType, readFactsInto<BiosFacts, &StructureFacts::bios, readBiosFacts>,
     storeFrom<BiosFacts, &StructureFacts::bios, storeBiosRecord>, biosRecordStored},
    {kProcessorInformationType,
     readFactsInto<ProcessorFacts, &StructureFacts::processor, readProcessorFacts>,
     storeFrom<ProcessorFacts, &StructureFacts::processor, storeProcessorRecord>,
     processorRecordStored},
    {kBiosLanguageType,
     readFactsInto<BiosLanguageFacts, &StructureFacts::biosLanguage, readBiosLanguageFacts>,
     storeFrom<BiosLanguageFacts, &StructureFacts::biosLanguage, storeBiosLanguageRecord>, nullptr},
    {kPhysicalMemoryArrayType,
     readFactsInto<MemoryArrayFacts, &StructureFacts::memoryArray, readMemoryArrayFacts>,
     storeFrom<MemoryArrayFacts, &StructureFacts::memoryArray, storeMemoryArrayRecord>, nullptr},
    {kMemoryDeviceType,
     readFactsInto<MemoryDeviceFacts, &StructureFacts::memoryDevice, readMemoryDeviceFacts>,
     storeFrom<MemoryDeviceFacts, &StructureFacts::memoryDevice, storeMemoryDeviceRecord>,
     memoryDeviceRecordStored},
};

// What only the tool decodes (decoders/system.h).
inline constexpr TypeDecoder kToolDecoders[] = {
    {kSystemInformationType, readFactsInto<SystemFacts, &StructureFacts::system, readSystemFacts>,
     nullptr, nullptr},
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
// The package's and both tables apart, so that the package's walk reads nothing of the tool's
// table.
struct DecodersByType {
  const TypeDecoder* of[256];
  bool overlap;  // a type of both tables: it would be the package's and yet the tool's alone
};
constexpr DecodersByType decodersByType(bool withTools) {
  DecodersByType byType{};
  for (const TypeDecoder& entry : kStructureDecoders) byType.of[entry.type] = &entry;
  for (const TypeDecoder& entry : kToolDecoders) {
    byType.overlap = byType.overlap || byType.of[entry.type] != nullptr;
    if (withTools) byType.of[entry.type] = &entry;
  }
  return byType;
}
inline constexpr DecodersByType kDecodersByType = decodersByType(false);
inline constexpr DecodersByType kAllDecodersByType = decodersByType(true);
static_assert(!kAllDecodersByType.overlap, "no type in both tables");

// Reads one structure into its facts, when the package's table (or, with withTools, either
// table) holds its type, and stores them in the package's records; returns the structure's
// decoder, or null (facts untouched) for a type no table holds, or one the package would store
// nothing of where the facts are for it alone.
inline const TypeDecoder* decodeStructure(const StructureHeader* header, StructureFacts* facts,
                                          bool withTools = false) {
  const TypeDecoder* decoder = (withTools ? kAllDecodersByType : kDecodersByType).of[header->type];
  if (decoder == nullptr) return nullptr;
  if (!withTools && decoder->stores != nullptr && !decoder->stores(header)) return nullptr;
  facts->type = header->type;
  decoder->readFacts(header, facts);
  if (decoder->store != nullptr) decoder->store(*facts);
  return decoder;
}
