// zentrik: shows what the package reads from the SMBIOS firmware table, from this machine or
// from a captured table file, through the reader's own getRecord. Built without the C++ standard
// library, like the package, so that it starts as fast as a C program.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/text_buffer.h"
#include "platform/fetch_firmware_table.h"
#include "platform/firmware_table.h"
#include "platform/serving/served_firmware_table.h"
#include "platform/serving/stdout_redirect.h"
#include "reader/reader.h"
#include "tablefile/table_file.h"
#include "tools/diagnostics.h"
#include "tools/inventory.h"
#include "tools/json_writer.h"
#include "tools/load_output.h"
#include "tools/private_file.h"
#include "tools/processor_trust.h"
#include "tools/record_report.h"
#include "tools/text_report.h"

namespace {

// Exit statuses, shared with engine-host: done; the table was read but holds no processor ID
// (id, serial); a usage error or a table input (or capture output) that cannot be used; this
// machine's table could not be read.
constexpr int kExitOk = 0;
constexpr int kExitNoId = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoTable = 3;

constexpr char kNoProcessorId[] = ZENTRIK_NO_PROCESSOR_ID_LINE;

constexpr char kExitStatusHelp[] =
    "\n"
    "Exit status:\n"
    "  0  done\n"
    "  1  the table was read but holds no processor ID (id, serial)\n"
    "  2  a usage error, or a table input or capture output that cannot be used\n"
    "  3  this machine's firmware table could not be read\n";

constexpr char kMainHelp[] =
    "Usage: zentrik COMMAND [OPTIONS]\n"
    "\n"
    "Shows what the Zentrik package reads from the SMBIOS firmware table: this machine's, or a\n"
    "captured table.\n"
    "\n"
    "Commands:\n"
    "  records    print every record the package holds, as a report or as JSON\n"
    "  inventory  print every BIOS, processor, memory array and memory device of the table\n"
    "  id         print the processor ID script gets, and how far to trust it\n"
    "  serial     print the processor ID exactly as GetCPUSerialNumber returns it\n"
    "  capture    write this machine's firmware table, or a table input, to an rsmb file\n"
    "\n"
    "Options:\n"
    "  --help, -h  show this help; 'zentrik COMMAND --help' shows a command's options\n"
    "  --version   show the version\n";

constexpr char kTableOptionsHelp[] =
    "  --table IN     read a captured table instead of this machine's firmware: a file, '-'\n"
    "                 for standard input, or a folder holding smbios_entry_point and DMI (a\n"
    "                 copy of /sys/firmware/dmi/tables)\n"
    "  --format FMT   the layout of the file:\n"
    "                   auto  recognise one of the three below, and refuse a file that is\n"
    "                         none of them (the default)\n"
    "                   rsmb  an 8-byte header (calling-method flag, SMBIOS major and minor\n"
    "                         version, DMI revision, table length), then the table: what\n"
    "                         the platform serves and 'zentrik capture' writes\n"
    "                   dump  an SMBIOS entry point (\"_SM_\" or \"_SM3_\") at offset 0, the\n"
    "                         table at the address it gives\n"
    "                   raw   the bare structure table, as in /sys/firmware/dmi/tables/DMI;\n"
    "                         also called bare\n"
    "                 A named layout that the file contradicts is followed, with a line on\n"
    "                 standard error.\n";

constexpr char kHelpOption[] = "  --help, -h     show this help\n";

constexpr char kRecordsHelp[] =
    "Usage: zentrik records [--table IN] [--format auto|rsmb|dump|raw|bare] [--json]\n"
    "\n"
    "Loads the firmware table and prints every record the package holds: BIOS, BIOS Language,\n"
    "Processor, Physical Memory Array and each Memory Device. The package keeps one record per\n"
    "category, filled by the last structure of its type: 'zentrik inventory' shows them all.\n"
    "The load's own diagnostics about a broken table follow, each with what it means.\n"
    "\n";

constexpr char kRecordsHelpTail[] =
    "  --json         print one JSON object instead: the load's diagnostics (its standard\n"
    "                 output and standard error) and every record, keyed by field name\n";

constexpr char kInventoryHelp[] =
    "Usage: zentrik inventory [--table IN] [--format auto|rsmb|dump|raw|bare] [--json]\n"
    "\n"
    "Prints every BIOS, BIOS language, processor, memory array and memory device structure of\n"
    "the table, each decoded on its own by the package's decoders: every processor with its\n"
    "socket and whether it is populated, every memory array with the devices that name it.\n"
    "\n";

constexpr char kInventoryHelpTail[] =
    "  --json         print one JSON object instead, numbers as numbers: tableRead,\n"
    "                 smbiosVersion, bios, biosLanguage, processors, memoryArrays (each with\n"
    "                 its devices), unattachedDevices, totals, diagnostics\n";

constexpr char kIdHelp[] =
    "Usage: zentrik id [--table IN] [--format auto|rsmb|dump|raw|bare] [--json]\n"
    "\n"
    "Prints the processor ID that GetCPUSerialNumber returns to script, the socket it comes\n"
    "from, the same ID as Windows management tools show it (ProcessorId), and one warning line\n"
    "for each reason to doubt it. On x86, reading this machine's own table, the ID is also\n"
    "compared with what the processor itself reports (CPUID leaf 1).\n"
    "\n";

constexpr char kIdHelpTail[] =
    "  --json         print one JSON object instead: tableRead, tableError, smbiosVersion, id,\n"
    "                 socket, socketHandle, signature, processorId, warnings (each with its\n"
    "                 kind), diagnostics\n";

constexpr char kSerialHelp[] =
    "Usage: zentrik serial [--table IN] [--format auto|rsmb|dump|raw|bare]\n"
    "\n"
    "Prints the processor ID text exactly as GetCPUSerialNumber returns it to script, alone on\n"
    "standard output; the load's diagnostics go to standard error, each on a line of its own.\n"
    "\n";

constexpr char kCaptureHelp[] =
    "Usage: zentrik capture [--table IN] [--format auto|rsmb|dump|raw|bare] OUT\n"
    "\n"
    "Writes this machine's firmware table, or the table input IN in any layout, to the file OUT\n"
    "('-' for standard output) in the rsmb layout (8-byte header: calling-method flag, SMBIOS\n"
    "major and minor version, DMI revision, table length; then the table), for a bug report or\n"
    "to read elsewhere with --table. The table holds serial numbers and UUIDs: OUT is made\n"
    "readable by its owner only.\n"
    "\n";

int usageError(const char* command, const char* message, const char* detail = "",
               const char* tail = "") {
  fprintf(stderr, "zentrik: %s%s%s\nTry 'zentrik%s%s --help'.\n", message, detail, tail,
          command[0] != '\0' ? " " : "", command);
  return kExitUsage;
}

constexpr int kMaxOperands = 2;

struct Options {
  bool help = false;
  bool json = false;
  const char* table = nullptr;
  TableFormat format = TableFormat::Auto;
  bool hasFormat = false;
  const char* operands[kMaxOperands] = {};
  int operandCount = 0;
};

// Which options a command knows.
struct Accepts {
  bool table;
  bool json;
};

// Parses the arguments after the command. On a usage error prints it, sets *exitCode and returns
// false.
bool parseOptions(const char* command, int argc, char** argv, Accepts accepts, Options* options,
                  int* exitCode) {
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    // "--name=value" or "--name value".
    char name[32] = {};
    const char* value = nullptr;
    const char* equals = strchr(arg, '=');
    if (strncmp(arg, "--", 2) == 0 && equals != nullptr) {
      const size_t length = static_cast<size_t>(equals - arg);
      if (length < sizeof name) memcpy(name, arg, length);
      value = equals + 1;
    } else if (strlen(arg) < sizeof name) {
      memcpy(name, arg, strlen(arg));
    }
    const bool takesValue =
        accepts.table && (strcmp(name, "--table") == 0 || strcmp(name, "--format") == 0);
    if (takesValue && value == nullptr) {
      if (i + 1 >= argc) {
        *exitCode = usageError(command, "option '", name, "' needs a value");
        return false;
      }
      value = argv[++i];
    }
    if (value != nullptr && !takesValue) {
      *exitCode = usageError(command, "option '", name[0] != '\0' ? name : arg, "' takes no value");
      return false;
    }
    if (strcmp(name, "--help") == 0 || strcmp(name, "-h") == 0) {
      options->help = true;
    } else if (accepts.json && strcmp(name, "--json") == 0) {
      options->json = true;
    } else if (takesValue && strcmp(name, "--table") == 0) {
      options->table = value;
    } else if (takesValue && strcmp(name, "--format") == 0) {
      if (!parseTableFormat(value, &options->format)) {
        *exitCode = usageError(command, "unknown table format '", value,
                               "' (auto, rsmb, dump, raw or bare)");
        return false;
      }
      options->hasFormat = true;
    } else if (arg[0] == '-' && arg[1] != '\0') {
      *exitCode = usageError(command, "unknown option '", arg, "'");
      return false;
    } else if (options->operandCount < kMaxOperands) {
      options->operands[options->operandCount++] = arg;
    } else {
      *exitCode = usageError(command, "unexpected argument '", arg, "'");
      return false;
    }
  }
  if (options->help) return true;
  if (options->hasFormat && options->table == nullptr) {
    *exitCode = usageError(command, "--format needs --table IN");
    return false;
  }
  return true;
}

void writeHelp(const char* help, const char* helpTail) {
  fputs(help, stdout);
  fputs(kTableOptionsHelp, stdout);
  fputs(helpTail, stdout);
  fputs(kHelpOption, stdout);
  fputs(kExitStatusHelp, stdout);
}

// Parses the options of a command that takes no operands and prints its help when asked.
// Returns -1 to go on, or the exit code.
int commandOptions(const char* command, int argc, char** argv, Accepts accepts, const char* help,
                   const char* helpTail, Options* options) {
  int exitCode = kExitUsage;
  if (!parseOptions(command, argc, argv, accepts, options, &exitCode)) return exitCode;
  if (options->help) {
    writeHelp(help, helpTail);
    return kExitOk;
  }
  if (options->operandCount > 0) {
    return usageError(command, "unexpected argument '", options->operands[0], "'");
  }
  return -1;
}

// The table the command reads, in the rsmb layout: the table input (then also served to the
// reader in place of the live firmware), or this machine's. False (after printing the reason)
// when a table input cannot be used; nothing is loaded then. A live table that cannot be read
// leaves *raw empty; the load then says why.
bool obtainTable(const Options& options, TextBuffer* raw) {
  if (options.table != nullptr) {
    TextBuffer error;
    TextBuffer notice;
    if (!readTableInput(options.table, options.format, raw, &error, &notice)) {
      fprintf(stderr, "zentrik: %s\n", error.text());
      return false;
    }
    if (!notice.empty()) fprintf(stderr, "zentrik: %s\n", notice.text());
    platform::serveRawTable(raw->bytes(), raw->size());
    return true;
  }
  uint32_t delivered = 0;
  uint8_t* live = platform::fetchFirmwareTable(&delivered);
  raw->append(live, delivered);
  free(live);
  return true;
}

// After the load: why this machine's table could not be read, or null when it could (or when a
// table input was served).
const char* liveTableError() {
  const char* why = platform::firmwareTableError();
  return why[0] != '\0' ? why : nullptr;
}

// Says on standard error why this machine's table could not be read; false when it could not.
bool reportLiveFailure() {
  const char* why = liveTableError();
  if (why == nullptr) return true;
  fflush(stdout);
  fprintf(stderr, "zentrik: cannot read this machine's firmware table: %s\n", why);
  return false;
}

int runRecords(int argc, char** argv) {
  Options options;
  const int parsed =
      commandOptions("records", argc, argv, {true, true}, kRecordsHelp, kRecordsHelpTail, &options);
  if (parsed >= 0) return parsed;
  TextBuffer raw;
  if (options.table != nullptr && !obtainTable(options, &raw)) return kExitUsage;

  TextBuffer loadStdout;
  TextBuffer loadStderr;
  const bool captured = loadCapturing(&loadStdout, &loadStderr);
  const char* out = captured ? loadStdout.text() : nullptr;
  const char* err = captured ? loadStderr.text() : nullptr;
  if (options.json) {
    writeJsonReport(stdout, out, err);
  } else {
    writeTextReport(stdout, DiagnosticList(out, err));
  }
  return reportLiveFailure() ? kExitOk : kExitNoTable;
}

// What the inventory and id commands share: the table, the load with its messages, every
// structure.
struct Examined {
  TextBuffer raw;
  TextBuffer loadStdout;
  TextBuffer loadStderr;
  bool captured = false;
  Inventory inventory;

  DiagnosticList diagnostics() const {
    return DiagnosticList(captured ? loadStdout.text() : nullptr,
                          captured ? loadStderr.text() : nullptr);
  }
};

// Reads the table, loads it and collects its structures. Returns -1 to go on, or the exit code.
int examine(const Options& options, Examined* e) {
  if (!obtainTable(options, &e->raw)) return kExitUsage;
  e->captured = loadCapturing(&e->loadStdout, &e->loadStderr);
  if (!e->inventory.collect(e->raw.bytes(), e->raw.size())) {
    fputs("zentrik: not enough memory for the inventory\n", stderr);
    return kExitNoTable;
  }
  return -1;
}

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

void writeIdText(const ProcessorIdAssessment& a, const SmbiosVersion& version,
                 const DiagnosticList& diagnostics) {
  if (a.id == nullptr) {
    fputs("ID: none (script gets an empty string)\n", stdout);
  } else {
    printf("ID: %s\n", a.id);
    writeValue(stdout, 0, "Socket", a.socket, false);
    writeValue(stdout, 0, "Signature", a.signature, false);
    if (a.processorId[0] != '\0') printf("ProcessorId, as Windows shows it: %s\n", a.processorId);
  }
  writeVersionText(stdout, version);
  printf("Note: %s\n", kProcessorIdNote);
  for (int i = 0; i < a.warningCount; ++i) printf("Warning: %s\n", a.warnings[i].text.text());
  diagnostics.writeText(stdout);
}

void writeIdJson(const ProcessorIdAssessment& a, const SmbiosVersion& version,
                 const char* tableError, const DiagnosticList& diagnostics) {
  JsonWriter json(stdout);
  json.open(nullptr, '{');
  json.boolean("tableRead", tableError == nullptr);
  json.text("tableError", tableError);
  writeVersionJson(json, version);
  json.text("id", a.id);
  json.text("socket", a.socket);
  if (a.socketHandle < 0) {
    json.null("socketHandle");
  } else {
    json.unsignedNumber("socketHandle", static_cast<unsigned long>(a.socketHandle));
  }
  json.text("signature", a.signature);
  json.text("processorId", a.processorId[0] != '\0' ? a.processorId : nullptr);
  json.open("warnings", '[');
  for (int i = 0; i < a.warningCount; ++i) {
    json.open(nullptr, '{');
    json.text("kind", a.warnings[i].kind);
    json.text("text", a.warnings[i].text.text());
    json.close('}');
  }
  json.close(']');
  diagnostics.writeJson(json);
  json.close('}');
  json.finish();
}

int runId(int argc, char** argv) {
  Options options;
  int status = commandOptions("id", argc, argv, {true, true}, kIdHelp, kIdHelpTail, &options);
  if (status >= 0) return status;
  Examined examined;
  if ((status = examine(options, &examined)) >= 0) return status;
  const char* tableError = liveTableError();
  const auto* processor = static_cast<const ProcessorRecord*>(getRecord(kProcessorCategory));
  CpuidLeaf1 cpuid = {};
  const bool compare = options.table == nullptr && tableError == nullptr && readCpuidLeaf1(&cpuid);
  ProcessorIdAssessment assessment;
  assessProcessorId(processor->id, examined.inventory, tableError, compare ? &cpuid : nullptr,
                    &assessment);
  if (!assessment.complete()) {
    fputs("zentrik: not enough memory for the assessment\n", stderr);
    return kExitNoTable;
  }
  const DiagnosticList diagnostics = examined.diagnostics();
  if (options.json) {
    writeIdJson(assessment, examined.inventory.version, tableError, diagnostics);
  } else {
    writeIdText(assessment, examined.inventory.version, diagnostics);
  }
  if (!reportLiveFailure()) return kExitNoTable;
  return processor->id != nullptr ? kExitOk : kExitNoId;
}

int runSerial(int argc, char** argv) {
  // Before anything is written: the load's messages then reach standard error in their order.
  unbufferStandardStreams();
  Options options;
  const int parsed = commandOptions("serial", argc, argv, {true, false}, kSerialHelp, "", &options);
  if (parsed >= 0) return parsed;
  TextBuffer raw;
  if (options.table != nullptr && !obtainTable(options, &raw)) return kExitUsage;

  // Standard output carries the ID alone, so that id=$(zentrik serial) gets just that.
  loadOntoStderr();
  const auto* processor = static_cast<const ProcessorRecord*>(getRecord(kProcessorCategory));
  const bool readable = reportLiveFailure();
  if (processor->id == nullptr) {
    fprintf(stderr, "%s\n", kNoProcessorId);
    return readable ? kExitNoId : kExitNoTable;
  }
  printf("%s\n", processor->id);
  return kExitOk;
}

int runCapture(int argc, char** argv) {
  Options options;
  int exitCode = kExitUsage;
  if (!parseOptions("capture", argc, argv, {true, false}, &options, &exitCode)) return exitCode;
  if (options.help) {
    writeHelp(kCaptureHelp, "");
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

  TextBuffer raw;
  if (!obtainTable(options, &raw)) return kExitUsage;
  if (raw.empty()) {
    reportLiveFailure();
    return kExitNoTable;
  }

  if (toStdout) {
    if (fwrite(raw.bytes(), 1, raw.size(), stdout) != raw.size() || fflush(stdout) != 0) {
      fprintf(stderr, "zentrik: cannot write to standard output: %s\n", strerror(errno));
      return kExitUsage;
    }
  } else {
    TextBuffer error;
    if (!writePrivateFile(path, raw.bytes(), raw.size(), &error)) {
      fprintf(stderr, "zentrik: %s\n", error.text());
      return kExitUsage;
    }
  }
  fprintf(stderr, "zentrik: wrote %lu bytes in the rsmb layout to %s\n",
          static_cast<unsigned long>(raw.size()), toStdout ? "standard output" : path);
  return kExitOk;
}

}  // namespace

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
    return kExitOk;
  }
  if (strcmp(command, "--version") == 0) {
    printf("zentrik %s\n", ZENTRIK_VERSION);
    return kExitOk;
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
    if (strcmp(command, c.name) == 0) return c.run(argc - 2, argv + 2);
  }
  return usageError("", "unknown command '", command, "'");
}
