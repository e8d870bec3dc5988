// zentrik serial: the processor ID exactly as GetCPUSerialNumber returns it, alone on standard
// output.
#include <stdio.h>

#include "reader/reader.h"
#include "tools/command_table.h"
#include "tools/commands.h"
#include "tools/observed_load.h"

namespace {

constexpr char kSerialHelp[] =
    "\n"
    "Prints the processor ID text exactly as GetCPUSerialNumber returns it to script, alone on\n"
    "standard output; the load's diagnostics go to standard error, each on a line of its own.\n"
    "\n";

constexpr char kNoProcessorId[] = ZENTRIK_NO_PROCESSOR_ID_LINE;

}  // namespace

int runSerial(int argc, char** argv) {
  Options options;
  const int parsed =
      commandOptions("serial", argc, argv, {true, false}, "", kSerialHelp, "", &options);
  if (parsed >= 0) return parsed;
  TextBuffer raw;
  if (options.table != nullptr && !obtainTable(options, &raw)) return kExitUsage;

  // Standard output carries the ID alone, so that id=$(zentrik serial) gets just that.
  runLoadOntoStderr();
  const auto* processor = static_cast<const ProcessorRecord*>(getRecord(kProcessorCategory));
  const bool readable = reportLiveFailure();
  if (processor->id == nullptr) {
    fprintf(stderr, "%s\n", kNoProcessorId);
    return readable ? kExitNoId : kExitNoTable;
  }
  printf("%s\n", processor->id);
  return kExitOk;
}
