// The inventory as JSON for scripts: numbers as numbers with the unit in the key, handles as
// numbers, lists as arrays, null where the table does not give a value.
#pragma once

#include <stdio.h>

#include "tools/diagnostics.h"
#include "tools/inventory.h"
#include "tools/json_writer.h"

// "smbiosVersion": {"major": 3, "minor": 2}, or null.
void writeVersionJson(JsonWriter& json, const SmbiosVersion& version);

// tableError: why this machine's table could not be read, or null. A string number that names a
// string its structure does not have is shown as null and added to diagnostics.
void writeInventoryJson(FILE* out, const Inventory& inventory, const char* tableError,
                        DiagnosticList& diagnostics);
