// zentrik: shows what the package reads from the SMBIOS firmware table, from this machine or
// from a captured table file, through the reader's own getRecord. Built without the C++ standard
// library, like the package, so that it starts as fast as a C program. Each command is a unit of
// its own (tools/commands.h).
#include <stdio.h>
#include <string.h>

#include "platform/serving/stdout_redirect.h"
#include "tools/command_line.h"
#include "tools/commands.h"

int main(int argc, char** argv) {
  useBinaryStandardStreams();
  if (argc < 2) {
    fputs(kMainHelp, stderr);
    fputs(kExitStatusHelp, stderr);
    return kExitUsage;
  }
  const char* command = argv[1];
  if (strcmp(command, "--help") == 0 || strcmp(command, "-h") == 0 ||
      strcmp(command, "help") == 0) {
    fputs(kMainHelp, stdout);
    fputs(kExitStatusHelp, stdout);
    return finishOutput(kExitOk);
  }
  if (strcmp(command, "--version") == 0) {
    printf("zentrik %s\n", ZENTRIK_VERSION);
    return finishOutput(kExitOk);
  }
  static constexpr struct {
    const char* name;
    int (*run)(int, char**);
  } kCommands[] = {{"records", runRecords},
                   {"inventory", runInventory},
                   {"id", runId},
                   {"serial", runSerial},
                   {"capture", runCapture}};
  for (const auto& c : kCommands) {
    // Every write to standard output counts, up to the last flush.
    if (strcmp(command, c.name) == 0) return finishOutput(c.run(argc - 2, argv + 2));
  }
  return usageError("", "unknown command '", command, "'");
}
