// zentrik inventory: every structure of the table the package decodes, each read into its facts.
#include <stdio.h>

#include "tools/command_table.h"
#include "tools/commands.h"
#include "tools/inventory_json.h"
#include "tools/inventory_text.h"

namespace {

constexpr char kInventoryHelp[] =
    "\n"
    "Prints every BIOS, BIOS language, processor, memory array and memory device structure of\n"
    "the table with every field it holds, as the package's load reads it: every processor\n"
    "with its socket and whether it is populated, every memory array with the devices that\n"
    "name it. Where the table is damaged and only its first structures could be read, the\n"
    "first line says so (\"Table: read only in part: ...\"), and the totals count only those.\n"
    "\n";

constexpr char kInventoryHelpTail[] =
    "  --json         print one JSON object instead, numbers as numbers: tableRead,\n"
    "                 smbiosVersion, walk, bios, biosLanguage, processors, memoryArrays (each\n"
    "                 with its devices), unattachedDevices, totals, diagnostics\n";

}  // namespace

int runInventory(int argc, char** argv) {
  Options options;
  int status = commandOptions("inventory", argc, argv, {true, true}, " [--json]", kInventoryHelp,
                              kInventoryHelpTail, &options);
  if (status >= 0) return status;
  Examined examined(Inventory::Keep::kEverything);
  if ((status = examine(options, &examined)) >= 0) return status;
  DiagnosticList diagnostics(examined.load);
  if (options.json) {
    writeInventoryJson(stdout, examined.inventory, liveTableError(), diagnostics);
  } else {
    writeInventoryText(stdout, examined.inventory, diagnostics);
  }
  return reportLiveFailure() ? kExitOk : kExitNoTable;
}
