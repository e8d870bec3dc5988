#include "decoders/memory.h"

void decodeMemoryArray(const StructureHeader*) {}
void decodeMemoryDevice(const StructureHeader*) {}
