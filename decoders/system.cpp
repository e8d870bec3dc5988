#include "decoders/system.h"

#include "decoders/decoder_text.h"

void readSystemFacts(const StructureHeader* header, SystemFacts* system) {
  namespace field = system_field;
  system->handle = header->handle;
  system->length = header->length;
  // Manufacturer and Product Name, strings of every version of the structure.
  const StringField strings[] = {{field::kManufacturer, &system->manufacturer},
                                 {field::kProductName, &system->productName}};
  system->stringsHeld = static_cast<uint8_t>(resolveStringsAt(header, strings));
}
