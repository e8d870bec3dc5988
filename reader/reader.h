// What the package sees of the firmware reader: the records and the accessor that hands them out.
#pragma once

#include <stdint.h>

#include "records/records.h"

// Returns the process-wide record of a category, or null for an unknown code. The first call of
// the process, whatever its code, reads and decodes the whole firmware table; later calls only
// look up. Safe to call from several threads: the load runs exactly once.
void* getRecord(uint32_t code);

// The line the package writes to the engine log, and the tool to standard error, where the
// processor record holds no ID. A macro, so that the package can make the engine's 16-bit text
// of it when compiled.
#define ZENTRIK_NO_PROCESSOR_ID_LINE "Couldn't get the relevant information. Contact the author!!"
