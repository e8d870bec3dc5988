// The records the reader holds, as a report for people and as JSON for programs. Both read the
// records through getRecord, so they show exactly what the package holds.
#pragma once

#include <stdio.h>

#include "tools/diagnostics.h"

// One section per record, each field labelled: list values one item per line, null fields
// "(not set)", a record with nothing in it and an empty memory slot on one line each. Then the
// load's diagnostics, if it wrote any, with what each means.
void writeTextReport(FILE* out, const DiagnosticList& diagnostics);

// One JSON object: the load's own output, exactly as it would have written it, then every record
// with its field names as keys.
void writeJsonReport(FILE* out, const char* loadStdout, const char* loadStderr);
