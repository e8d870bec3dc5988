// The inventory as JSON for scripts: numbers as numbers with the unit in the key, handles as
// numbers, lists as arrays, null where the table does not give a value.
#pragma once

#include <stdio.h>

#include "tools/diagnostics.h"
#include "tools/inventory.h"
#include "tools/json_writer.h"

// "smbiosVersion": {"major": 3, "minor": 2}, or null.
void writeVersionJson(JsonWriter& json, const SmbiosVersion& version);

// "walk": whether the whole table was read: {"complete", "end" (how the walk ended: "complete",
// "brokenLength", "truncated" or "countLimit"), "stoppedAt" (the structure it stopped at, counted
// from 1, or null), "announced" (the structures the table appears to hold, or null), "read"}. Null
// where no table was read.
void writeWalkJson(JsonWriter& json, const Inventory& inventory);

// tableError: why this machine's table could not be read, or null. A string number that names a
// string its structure does not have is shown as null and added to diagnostics.
void writeInventoryJson(FILE* out, const Inventory& inventory, const char* tableError,
                        DiagnosticList& diagnostics);
