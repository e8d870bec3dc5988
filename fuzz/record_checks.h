// What must hold after any load, whatever the table held: checked through getRecord, as a caller
// sees the records.
#pragma once

// Reads every field of every record and every memory device entry up to deviceCount, so the
// sanitizers see any text that is not a terminated, live heap copy. Aborts with a one-line
// reason on standard error when a record breaks an invariant.
void checkLoadedRecords();
