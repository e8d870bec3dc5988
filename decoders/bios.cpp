#include "decoders/bios.h"

void decodeBiosInformation(const StructureHeader*) {}
void decodeBiosLanguage(const StructureHeader*) {}
