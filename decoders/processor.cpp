#include "decoders/processor.h"

void decodeProcessorInformation(const StructureHeader*) {}
