// What must hold after any load, whatever the table held: checked through getRecord, as a caller
// sees the records.
#pragma once

#include <cstddef>

// Reads every field of every record and every memory device entry up to deviceCount, so the
// sanitizers see any text that is not a terminated, live heap copy. rawBytes is the size of the
// raw table served. Aborts with a one-line reason on standard error when a record breaks an
// invariant.
void checkLoadedRecords(size_t rawBytes);

struct StructureFacts;
// The same checks for the texts the decoders make of one structure's facts.
void checkStructureFacts(const StructureFacts* facts, size_t rawBytes);
