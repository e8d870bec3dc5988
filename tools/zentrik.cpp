// zentrik: shows what the package reads from the SMBIOS firmware table, from this machine or
// from a captured table file, through the reader's own getRecord. Built without the C++ standard
// library, like the package, so that it starts as fast as a C program.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/text_buffer.h"
#include "platform/fetch_firmware_table.h"
#include "platform/firmware_table.h"
#include "platform/served_firmware_table.h"
#include "reader/records.h"
#include "tools/inventory.h"
#include "tools/json_writer.h"
#include "tools/load_output.h"
#include "tools/private_file.h"
#include "tools/processor_trust.h"
#include "tools/record_report.h"
#include "tools/stdout_redirect.h"
#include "tools/table_file.h"
#include "tools/text_report.h"

namespace {

// Exit codes: done; the live table cannot be read (or, for serial and id, there is no processor
// ID); a usage error or a table input that cannot be used.
constexpr int kExitOk = 0;
constexpr int kExitNoTable = 1;
constexpr int kExitUsage = 2;

constexpr char kNoProcessorId[] = "Couldn't get the relevant information. Contact the author!!";

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
    "  capture    write this machine's firmware table to a file\n"
    "\n"
    "Options:\n"
    "  --help     show this help; 'zentrik COMMAND --help' shows a command's options\n"
    "  --version  show the version\n";

constexpr char kTableOptionsHelp[] =
    "  --table IN     read a captured table instead of this machine's firmware: a file, '-'\n"
    "                 for standard input, or a folder holding smbios_entry_point and DMI (a\n"
    "                 copy of /sys/firmware/dmi/tables)\n"
    "  --format FMT   the layout of the file:\n"
    "                   auto  recognise one of the three below, and refuse a file that is\n"
    "                         none of them (the default)\n"
    "                   rsmb  8-byte raw header, then the table\n"
    "                   dump  SMBIOS entry point (\"_SM_\" or \"_SM3_\") at offset 0, the table\n"
    "                         at the address it gives\n"
    "                   raw   the bare table, as in /sys/firmware/dmi/tables/DMI\n";

constexpr char kRecordsHelp[] =
    "Usage: zentrik records [--table IN] [--format auto|rsmb|dump|raw] [--json]\n"
    "\n"
    "Loads the firmware table and prints every record the package holds: BIOS, BIOS Language,\n"
    "Processor, Physical Memory Array and each Memory Device. The package keeps one record per\n"
    "category, filled by the last structure of its type: 'zentrik inventory' shows them all.\n"
    "The load's own diagnostics about a broken table follow, each with what it means.\n"
    "\n";

constexpr char kRecordsHelpTail[] =
    "  --json         print one JSON object instead: the load's diagnostics (its standard\n"
    "                 output and standard error) and every record, keyed by field name\n"
    "\n"
    "Exit status: 0 done; 1 this machine's table cannot be read (the records are printed\n"
    "empty); 2 bad usage or a table input that cannot be used.\n";

constexpr char kInventoryHelp[] =
    "Usage: zentrik inventory [--table IN] [--format auto|rsmb|dump|raw] [--json]\n"
    "\n"
    "Prints every BIOS, BIOS language, processor, memory array and memory device structure of\n"
    "the table, each decoded on its own by the package's decoders: every processor with its\n"
    "socket and whether it is populated, every memory array with the devices that name it.\n"
    "\n";

constexpr char kInventoryHelpTail[] =
    "  --json         print one JSON object instead: bios, biosLanguage, processors,\n"
    "                 memoryArrays (each with its devices), unattachedDevices, diagnostics\n"
    "\n"
    "Exit status: 0 done; 1 this machine's table cannot be read; 2 bad usage or a table input\n"
    "that cannot be used.\n";

constexpr char kIdHelp[] =
    "Usage: zentrik id [--table IN] [--format auto|rsmb|dump|raw] [--json]\n"
    "\n"
    "Prints the processor ID that GetCPUSerialNumber returns to script, the socket it comes\n"
    "from, the same ID as Windows management tools show it (ProcessorId), and one warning line\n"
    "for each reason to doubt it. On x86, reading this machine's own table, the ID is also\n"
    "compared with what the processor itself reports (CPUID leaf 1).\n"
    "\n";

constexpr char kIdHelpTail[] =
    "  --json         print one JSON object instead: id, socket, signature, processorId,\n"
    "                 warnings\n"
    "\n"
    "Exit status: 0 there is an ID; 1 there is none (or this machine's table cannot be read);\n"
    "2 bad usage or a table input that cannot be used.\n";

constexpr char kSerialHelp[] =
    "Usage: zentrik serial [--table IN] [--format auto|rsmb|dump|raw]\n"
    "\n"
    "Prints the processor ID text exactly as GetCPUSerialNumber returns it to script, alone on\n"
    "standard output; the load's diagnostics go to standard error.\n"
    "\n";

constexpr char kSerialHelpTail[] =
    "\n"
    "Exit status: 0 done; 1 the table holds no processor ID (or this machine's table cannot be\n"
    "read); 2 bad usage or a table input that cannot be used.\n";

constexpr char kCaptureHelp[] =
    "Usage: zentrik capture OUT\n"
    "\n"
    "Writes this machine's firmware table to the file OUT in the raw layout (8-byte header:\n"
    "calling-method flag, SMBIOS major and minor version, DMI revision, table length; then the\n"
    "table), for a bug report or to read elsewhere with --table. The table holds serial numbers\n"
    "and UUIDs: OUT is made readable by its owner only.\n"
    "\n"
    "Exit status: 0 done; 1 this machine's table cannot be read; 2 bad usage or OUT cannot be\n"
    "written.\n";

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
    if (strcmp(name, "--help") == 0) {
      options->help = true;
    } else if (accepts.json && strcmp(name, "--json") == 0) {
      options->json = true;
    } else if (takesValue && strcmp(name, "--table") == 0) {
      options->table = value;
    } else if (takesValue && strcmp(name, "--format") == 0) {
      if (!parseTableFormat(value, &options->format)) {
        *exitCode =
            usageError(command, "unknown table format '", value, "' (auto, rsmb, dump or raw)");
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

// Parses the options of a command that takes no operands and prints its help when asked.
// Returns -1 to go on, or the exit code.
int commandOptions(const char* command, int argc, char** argv, Accepts accepts, const char* help,
                   const char* helpTail, Options* options) {
  int exitCode = kExitUsage;
  if (!parseOptions(command, argc, argv, accepts, options, &exitCode)) return exitCode;
  if (options->help) {
    fputs(help, stdout);
    fputs(kTableOptionsHelp, stdout);
    fputs(helpTail, stdout);
    return kExitOk;
  }
  if (options->operandCount > 0) {
    return usageError(command, "unexpected argument '", options->operands[0], "'");
  }
  return -1;
}

// The table the command reads, in the raw layout: the table input (then also served to the
// reader in place of the live firmware), or this machine's. False (after printing the reason)
// when a table input cannot be used; nothing is loaded then. A live table that cannot be read
// leaves *raw empty; the load then says why.
bool obtainTable(const Options& options, TextBuffer* raw) {
  if (options.table != nullptr) {
    TextBuffer error;
    if (!readTableInput(options.table, options.format, raw, &error)) {
      fprintf(stderr, "zentrik: %s\n", error.text());
      return false;
    }
    platform::serveRawTable(raw->bytes(), raw->size());
    return true;
  }
  uint32_t delivered = 0;
  uint8_t* live = platform::fetchFirmwareTable(&delivered);
  raw->append(live, delivered);
  free(live);
  return true;
}

// After the load: says why the live table could not be read. True when it could (or when a
// table input was served).
bool reportLiveFailure() {
  const char* why = platform::firmwareTableError();
  if (why[0] == '\0') return true;
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
  if (!loadCapturing(&loadStdout, &loadStderr)) return kExitNoTable;
  if (options.json) {
    writeJsonReport(stdout, loadStdout.text(), loadStderr.text());
  } else {
    writeTextReport(stdout, loadStdout.text(), loadStderr.text());
  }
  return reportLiveFailure() ? kExitOk : kExitNoTable;
}

int runInventory(int argc, char** argv) {
  Options options;
  const int parsed = commandOptions("inventory", argc, argv, {true, true}, kInventoryHelp,
                                    kInventoryHelpTail, &options);
  if (parsed >= 0) return parsed;
  TextBuffer raw;
  if (!obtainTable(options, &raw)) return kExitUsage;

  TextBuffer loadStdout;
  TextBuffer loadStderr;
  if (!loadCapturing(&loadStdout, &loadStderr)) return kExitNoTable;
  Inventory inventory;
  if (!inventory.collect(raw.bytes(), raw.size())) {
    fputs("zentrik: not enough memory for the inventory\n", stderr);
    return kExitNoTable;
  }
  if (options.json) {
    writeInventoryJson(stdout, inventory, loadStdout.text(), loadStderr.text());
  } else {
    writeInventoryText(stdout, inventory, loadStdout.text(), loadStderr.text());
  }
  return reportLiveFailure() ? kExitOk : kExitNoTable;
}

void writeIdText(const ProcessorIdAssessment& a) {
  if (a.id == nullptr) {
    fputs("ID: none (script gets an empty string)\n", stdout);
  } else {
    printf("ID: %s\n", a.id);
    writeValue(stdout, 0, "Socket", a.socket, false);
    writeValue(stdout, 0, "Signature", a.signature, false);
    if (a.processorId[0] != '\0') printf("ProcessorId, as Windows shows it: %s\n", a.processorId);
  }
  printf("Note: %s\n", kProcessorIdNote);
  for (const char* line = a.warnings.text(); *line != '\0';) {
    const char* end = strchr(line, '\n');
    fputs("Warning: ", stdout);
    fwrite(line, 1, static_cast<size_t>(end - line), stdout);
    fputc('\n', stdout);
    line = end + 1;
  }
}

void writeIdJson(const ProcessorIdAssessment& a) {
  JsonWriter json(stdout);
  json.open(nullptr, '{');
  json.text("id", a.id);
  json.text("socket", a.socket);
  json.text("signature", a.signature);
  json.text("processorId", a.processorId[0] != '\0' ? a.processorId : nullptr);
  json.open("warnings", '[');
  TextBuffer line;
  for (const char* start = a.warnings.text(); *start != '\0';) {
    const char* end = strchr(start, '\n');
    line.clear();
    line.append(start, static_cast<size_t>(end - start));
    json.text(nullptr, line.text());
    start = end + 1;
  }
  json.close(']');
  json.close('}');
  json.finish();
}

int runId(int argc, char** argv) {
  Options options;
  const int parsed = commandOptions("id", argc, argv, {true, true}, kIdHelp, kIdHelpTail, &options);
  if (parsed >= 0) return parsed;
  TextBuffer raw;
  if (!obtainTable(options, &raw)) return kExitUsage;

  loadWithStdoutOnStderr();
  const bool live = options.table == nullptr;
  const bool readable = reportLiveFailure();
  Inventory inventory;
  if (!inventory.collect(raw.bytes(), raw.size())) {
    fputs("zentrik: not enough memory for the inventory\n", stderr);
    return kExitNoTable;
  }
  const auto* processor = static_cast<const ProcessorRecord*>(getRecord(kProcessorCategory));
  CpuidLeaf1 cpuid = {};
  const bool compare = live && readable && readCpuidLeaf1(&cpuid);
  ProcessorIdAssessment assessment;
  if (!assessProcessorId(processor->id, inventory, compare ? &cpuid : nullptr, &assessment)) {
    fputs("zentrik: not enough memory for the assessment\n", stderr);
    return kExitNoTable;
  }
  if (options.json) {
    writeIdJson(assessment);
  } else {
    writeIdText(assessment);
  }
  return processor->id != nullptr ? kExitOk : kExitNoTable;
}

int runSerial(int argc, char** argv) {
  Options options;
  const int parsed =
      commandOptions("serial", argc, argv, {true, false}, kSerialHelp, kSerialHelpTail, &options);
  if (parsed >= 0) return parsed;
  TextBuffer raw;
  if (options.table != nullptr && !obtainTable(options, &raw)) return kExitUsage;

  // Standard output carries the ID alone, so that id=$(zentrik serial) gets just that.
  loadWithStdoutOnStderr();
  const auto* processor = static_cast<const ProcessorRecord*>(getRecord(kProcessorCategory));
  reportLiveFailure();
  if (processor->id == nullptr) {
    fprintf(stderr, "%s\n", kNoProcessorId);
    return kExitNoTable;
  }
  printf("%s\n", processor->id);
  return kExitOk;
}

int runCapture(int argc, char** argv) {
  Options options;
  int exitCode = kExitUsage;
  if (!parseOptions("capture", argc, argv, {false, false}, &options, &exitCode)) return exitCode;
  if (options.help) {
    fputs(kCaptureHelp, stdout);
    return kExitOk;
  }
  if (options.operandCount != 1) {
    return options.operandCount == 0
               ? usageError("capture", "capture needs the file to write (OUT)")
               : usageError("capture", "unexpected argument '", options.operands[1], "'");
  }
  const char* path = options.operands[0];

  TextBuffer raw;
  obtainTable(options, &raw);
  if (raw.empty()) {
    reportLiveFailure();
    return kExitNoTable;
  }

  TextBuffer error;
  if (!writePrivateFile(path, raw.bytes(), raw.size(), &error)) {
    fprintf(stderr, "zentrik: %s\n", error.text());
    return kExitUsage;
  }
  printf("wrote %lu bytes to %s\n", static_cast<unsigned long>(raw.size()), path);
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  useBinaryStandardStreams();
  if (argc < 2) {
    fputs(kMainHelp, stderr);
    return kExitUsage;
  }
  const char* command = argv[1];
  if (strcmp(command, "--help") == 0 || strcmp(command, "-h") == 0 ||
      strcmp(command, "help") == 0) {
    fputs(kMainHelp, stdout);
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
