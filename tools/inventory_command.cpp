// zentrik inventory: every structure of the table the package decodes, each decoded on its own.
#include <stdio.h>

#include "tools/command_table.h"
#include "tools/commands.h"
#include "tools/inventory_json.h"
#include "tools/inventory_text.h"

namespace {

constexpr char kInventoryHelp[] =
    "Usage: zentrik inventory [--table IN] [--format auto|rsmb|dump|raw|bare] [--json]\n"
    "\n"
    "Prints every BIOS, BIOS language, processor, memory array and memory device structure of\n"
    "the table, each decoded on its own by the package's decoders: every processor with its\n"
    "socket and whether it is populated, every memory array with the devices that name it.\n"
    "Where the table is damaged and only its first structures could be read, the first line\n"
    "says so (\"Table: read only in part: ...\"), and the totals count only those.\n"
    "\n";

constexpr char kInventoryHelpTail[] =
    "  --json         print one JSON object instead, numbers as numbers: tableRead,\n"
    "                 smbiosVersion, walk, bios, biosLanguage, processors, memoryArrays (each\n"
    "                 with its devices), unattachedDevices, totals, diagnostics\n";

}  // namespace

int runInventory(int argc, char** argv) {
  Options options;
  int status = commandOptions("inventory", argc, argv, {true, true}, kInventoryHelp,
                              kInventoryHelpTail, &options);
  if (status >= 0) return status;
  Examined examined;
  if ((status = examine(options, &examined)) >= 0) return status;
  const DiagnosticList diagnostics = examined.diagnostics();
  if (options.json) {
    writeInventoryJson(stdout, examined.inventory, liveTableError(), diagnostics);
  } else {
    writeInventoryText(stdout, examined.inventory, diagnostics);
  }
  return reportLiveFailure() ? kExitOk : kExitNoTable;
}
