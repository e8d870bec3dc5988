// zentrik capture: this machine's firmware table, or a table input, written in the rsmb layout.
#include <stdio.h>
#include <string.h>

#include "platform/serving/stdout_redirect.h"
#include "tools/command_table.h"
#include "tools/commands.h"
#include "tools/private_file.h"

namespace {

constexpr char kCaptureHelp[] =
    "\n"
    "Writes this machine's firmware table, or the table input IN in any layout, to the file OUT\n"
    "('-' for standard output) in the rsmb layout (8-byte header: calling-method flag, SMBIOS\n"
    "major and minor version, DMI revision, table length; then the table), for a bug report or\n"
    "to read elsewhere with --table. The table holds serial numbers and UUIDs: OUT is a new\n"
    "file readable by its owner only, put in place of the old one once written whole. An OUT\n"
    "that is not a regular file (a device, a folder, a link) is refused, before the table is\n"
    "read.\n"
    "\n";

}  // namespace

int runCapture(int argc, char** argv) {
  Options options;
  int exitCode = kExitUsage;
  if (!parseOptions("capture", argc, argv, {true, false}, &options, &exitCode)) return exitCode;
  if (options.help) {
    writeHelp("capture", " OUT", kCaptureHelp, "");
    return kExitOk;
  }
  if (options.operandCount != 1) {
    return options.operandCount == 0
               ? usageError("capture", "capture needs the file to write (OUT, or '-')")
               : usageError("capture", "unexpected argument '", options.operands[1], "'");
  }
  const char* path = options.operands[0];
  const bool toStdout = strcmp(path, "-") == 0;
  if (toStdout && isTerminal(stdout)) {
    return usageError("capture",
                      "standard output is a terminal: redirect it to a file "
                      "(zentrik capture - > table.rsmb)");
  }
  if (path[0] == '\0') return usageError("capture", "OUT has an empty name: give a file or '-'");
  // Before the table is read: a refused OUT is refused whether or not there is a table.
  TextBuffer error;
  if (!toStdout && !checkPrivateFile(path, &error)) {
    fprintf(stderr, "zentrik: %s\n", error.text());
    return kExitUsage;
  }

  TextBuffer raw;
  if (!obtainTable(options, &raw)) return kExitUsage;
  if (raw.empty()) {
    reportLiveFailure();
    return kExitNoTable;
  }

  if (toStdout) {
    fwrite(raw.bytes(), 1, raw.size(), stdout);
    const int status = finishOutput(kExitOk);
    if (status != kExitOk) return status;
  } else if (!writePrivateFile(path, raw.bytes(), raw.size(), &error)) {
    fprintf(stderr, "zentrik: %s\n", error.text());
    return kExitOutput;
  }
  fprintf(stderr, "zentrik: wrote %lu bytes in the rsmb layout to %s\n",
          static_cast<unsigned long>(raw.size()), toStdout ? "standard output" : path);
  return kExitOk;
}
