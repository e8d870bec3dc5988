// zentrik records: every record the package holds, as a report for people or as JSON.
#include <stdio.h>

#include "tools/command_table.h"
#include "tools/commands.h"
#include "tools/observed_load.h"
#include "tools/record_report.h"

namespace {

constexpr char kRecordsHelp[] =
    "\n"
    "Loads the firmware table and prints every record the package holds: BIOS, BIOS Language,\n"
    "Processor, Physical Memory Array and each Memory Device. The package keeps one record per\n"
    "category, filled by the last structure of its type: 'zentrik inventory' shows them all.\n"
    "The load's own diagnostics about a broken table follow, each with what it means.\n"
    "\n";

constexpr char kRecordsHelpTail[] =
    "  --json         print one JSON object instead: the load's diagnostics (its standard\n"
    "                 output and standard error) and every record, keyed by field name\n";

}  // namespace

int runRecords(int argc, char** argv) {
  Options options;
  const int parsed = commandOptions("records", argc, argv, {true, true}, " [--json]", kRecordsHelp,
                                    kRecordsHelpTail, &options);
  if (parsed >= 0) return parsed;
  TextBuffer raw;
  if (options.table != nullptr && !obtainTable(options, &raw)) return kExitUsage;

  LoadMessages load;
  runObservedLoad(&load, nullptr);
  if (options.json) {
    writeJsonReport(stdout, load.written(DiagnosticStream::Stdout),
                    load.written(DiagnosticStream::Stderr));
  } else {
    writeTextReport(stdout, DiagnosticList(load));
  }
  return reportLiveFailure() ? kExitOk : kExitNoTable;
}
