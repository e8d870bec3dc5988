// The inventory for people: the SMBIOS version, the BIOS, the languages, every processor, every
// memory array with its devices, the totals, then the load's diagnostics.
#pragma once

#include <stdio.h>

#include "tools/diagnostics.h"
#include "tools/inventory.h"

// "SMBIOS Version: 3.2", or that the layout gives none.
void writeVersionText(FILE* out, const SmbiosVersion& version);

// "Table: read only in part: the walk stopped at structure 6 of 373 announced (5 read)", where
// the walk over the table stopped before its end; nothing where it read the whole table.
void writeWalkText(FILE* out, const Inventory& inventory);

void writeInventoryText(FILE* out, const Inventory& inventory, const DiagnosticList& diagnostics);
