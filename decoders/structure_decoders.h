// Which decoder reads a structure of which type: one sorted table, checked when compiled, of the
// five types the package decodes. The walk hands each structure to decodeStructure.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "decoders/bios.h"
#include "decoders/memory.h"
#include "decoders/processor.h"
#include "structures/structure.h"

using StructureDecoder = void (*)(const StructureHeader* header);

struct TypeDecoder {
  uint8_t type;
  StructureDecoder decode;
};

inline constexpr TypeDecoder kStructureDecoders[] = {
    {kBiosInformationType, decodeBiosInformation},
    {kProcessorInformationType, decodeProcessorInformation},
    {kBiosLanguageType, decodeBiosLanguage},
    {kPhysicalMemoryArrayType, decodeMemoryArray},
    {kMemoryDeviceType, decodeMemoryDevice},
};

constexpr bool typesStrictlyAscending() {
  for (size_t i = 1; i < sizeof kStructureDecoders / sizeof kStructureDecoders[0]; ++i) {
    if (kStructureDecoders[i - 1].type >= kStructureDecoders[i].type) return false;
  }
  return true;
}
static_assert(typesStrictlyAscending(), "one decoder per type, sorted by type");

// The same, indexed by type: finding a structure's decoder costs one load, as a switch would.
struct DecodersByType {
  StructureDecoder of[256];
};
constexpr DecodersByType decodersByType() {
  DecodersByType byType{};
  for (const TypeDecoder& entry : kStructureDecoders) byType.of[entry.type] = entry.decode;
  return byType;
}
inline constexpr DecodersByType kDecodersByType = decodersByType();

// Hands one structure to the decoder of its type; a type the package does not decode is left.
inline void decodeStructure(const StructureHeader* header) {
  const StructureDecoder decode = kDecodersByType.of[header->type];
  if (decode != nullptr) decode(header);
}
