// zentrik: shows what the package reads from the SMBIOS firmware table, from this machine or
// from a captured table file, through the reader's own getRecord.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "platform/firmware_source.h"
#include "platform/firmware_table.h"
#include "reader/records.h"
#include "tools/record_report.h"
#include "tools/table_file.h"

namespace {

// Exit codes: done; the live table cannot be read (or has no processor ID, for serial); a usage
// error or a table file that cannot be used.
constexpr int kExitOk = 0;
constexpr int kExitNoTable = 1;
constexpr int kExitUsage = 2;

constexpr const char* kNoProcessorId =
    "Couldn't get the relevant information. Contact the author!!";

constexpr const char* kMainHelp =
    "Usage: zentrik COMMAND [OPTIONS]\n"
    "\n"
    "Shows what the Zentrik package reads from the SMBIOS firmware table: this machine's, or a\n"
    "captured table file.\n"
    "\n"
    "Commands:\n"
    "  records   print every record the reader decodes, as a report or as JSON\n"
    "  serial    print the processor ID exactly as GetCPUSerialNumber returns it\n"
    "  capture   write this machine's firmware table to a file\n"
    "\n"
    "Options:\n"
    "  --help     show this help; 'zentrik COMMAND --help' shows a command's options\n"
    "  --version  show the version\n";

constexpr const char* kTableOptionsHelp =
    "  --table FILE   read a captured table instead of this machine's firmware\n"
    "  --format FMT   the layout of FILE:\n"
    "                   auto  recognise one of the three below (the default)\n"
    "                   rsmb  8-byte raw header, then the table\n"
    "                   dump  SMBIOS entry point (\"_SM_\" or \"_SM3_\") at offset 0, the table\n"
    "                         at the address it gives\n"
    "                   raw   the bare table, as in /sys/firmware/dmi/tables/DMI\n";

constexpr const char* kRecordsHelp =
    "Usage: zentrik records [--table FILE] [--format auto|rsmb|dump|raw] [--json]\n"
    "\n"
    "Loads the firmware table and prints every record the reader holds: BIOS, BIOS Language,\n"
    "Processor, Physical Memory Array and each Memory Device. The load's own diagnostics about\n"
    "a broken table appear as the reader writes them.\n"
    "\n";

constexpr const char* kRecordsHelpTail =
    "  --json         print one JSON object instead: the load's diagnostics (its standard\n"
    "                 output and standard error) and every record, keyed by field name\n"
    "\n"
    "Exit status: 0 done; 1 this machine's table cannot be read (the records are printed\n"
    "empty); 2 bad usage or a table file that cannot be used.\n";

constexpr const char* kSerialHelp =
    "Usage: zentrik serial [--table FILE] [--format auto|rsmb|dump|raw]\n"
    "\n"
    "Prints the processor ID text exactly as GetCPUSerialNumber returns it to script.\n"
    "\n";

constexpr const char* kSerialHelpTail =
    "\n"
    "Exit status: 0 done; 1 the table holds no processor ID (or this machine's table cannot be\n"
    "read); 2 bad usage or a table file that cannot be used.\n";

constexpr const char* kCaptureHelp =
    "Usage: zentrik capture OUT\n"
    "\n"
    "Writes this machine's firmware table to the file OUT in the raw layout (8-byte header:\n"
    "calling-method flag, SMBIOS major and minor version, DMI revision, table length; then the\n"
    "table), for a bug report or to read elsewhere with --table.\n"
    "\n"
    "Exit status: 0 done; 1 this machine's table cannot be read; 2 bad usage or OUT cannot be\n"
    "written.\n";

int usageError(const char* command, const std::string& message) {
  fprintf(stderr, "zentrik: %s\nTry 'zentrik%s%s --help'.\n", message.c_str(),
          command[0] != '\0' ? " " : "", command);
  return kExitUsage;
}

struct Options {
  bool help = false;
  bool json = false;
  bool hasTable = false;
  std::string table;
  TableFormat format = TableFormat::Auto;
  bool hasFormat = false;
  std::vector<std::string> operands;
};

bool parseFormat(const std::string& name, TableFormat* format) {
  static const struct {
    const char* name;
    TableFormat format;
  } kFormats[] = {{"auto", TableFormat::Auto},
                  {"rsmb", TableFormat::Rsmb},
                  {"dump", TableFormat::Dump},
                  {"raw", TableFormat::Raw}};
  for (const auto& entry : kFormats) {
    if (name == entry.name) {
      *format = entry.format;
      return true;
    }
  }
  return false;
}

// Parses the arguments after the command. tableOptions: --table and --format are known;
// json: --json is known. On a usage error prints it and returns false.
bool parseOptions(const char* command, int argc, char** argv, bool tableOptions, bool json,
                  Options* options, int* exitCode) {
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool hasValue = false;
    const size_t equals = arg.find('=');
    if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = arg.substr(equals + 1);
      arg = arg.substr(0, equals);
      hasValue = true;
    }
    const bool takesValue = tableOptions && (arg == "--table" || arg == "--format");
    if (takesValue && !hasValue) {
      if (i + 1 >= argc) {
        *exitCode = usageError(command, "option '" + arg + "' needs a value");
        return false;
      }
      value = argv[++i];
      hasValue = true;
    }
    if (hasValue && !takesValue) {
      *exitCode = usageError(command, "option '" + arg + "' takes no value");
      return false;
    }
    if (arg == "--help") {
      options->help = true;
    } else if (json && arg == "--json") {
      options->json = true;
    } else if (takesValue && arg == "--table") {
      options->hasTable = true;
      options->table = value;
    } else if (takesValue && arg == "--format") {
      if (!parseFormat(value, &options->format)) {
        *exitCode =
            usageError(command, "unknown table format '" + value + "' (auto, rsmb, dump or raw)");
        return false;
      }
      options->hasFormat = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      *exitCode = usageError(command, "unknown option '" + arg + "'");
      return false;
    } else {
      options->operands.push_back(arg);
    }
  }
  if (options->help) return true;
  if (options->hasFormat && !options->hasTable) {
    *exitCode = usageError(command, "--format needs --table FILE");
    return false;
  }
  return true;
}

// Serves the table file to the reader in place of the live firmware. False (after printing the
// reason) when the file cannot be used; nothing is loaded then.
bool serveTableFile(const Options& options) {
  std::vector<uint8_t> raw;
  std::string error;
  if (!readTableFile(options.table, options.format, &raw, &error)) {
    fprintf(stderr, "zentrik: %s\n", error.c_str());
    return false;
  }
  platform::serveRawTable(raw.data(), raw.size());
  return true;
}

// After the load: says why the live table could not be read. True when it could (or when a
// table file was served).
bool reportLiveFailure() {
  const char* why = platform::firmwareTableError();
  if (why[0] == '\0') return true;
  fflush(stdout);
  fprintf(stderr, "zentrik: cannot read this machine's firmware table: %s\n", why);
  return false;
}

std::string readAll(FILE* file) {
  std::string text;
  rewind(file);
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
  return text;
}

// Runs the load with file descriptors 1 and 2 sent to temporary files, and hands back exactly
// what it wrote to each. False when the streams cannot be redirected.
bool loadCapturing(std::string* loadStdout, std::string* loadStderr) {
  FILE* outFile = tmpfile();
  FILE* errFile = tmpfile();
  if (outFile == nullptr || errFile == nullptr) {
    fprintf(stderr, "zentrik: cannot capture the load's output: %s\n", strerror(errno));
    return false;
  }
  fflush(stdout);
  fflush(stderr);
  const int savedOut = dup(STDOUT_FILENO);
  const int savedErr = dup(STDERR_FILENO);
  dup2(fileno(outFile), STDOUT_FILENO);
  dup2(fileno(errFile), STDERR_FILENO);
  getRecord(kProcessorCategory);
  fflush(stdout);
  fflush(stderr);
  dup2(savedOut, STDOUT_FILENO);
  dup2(savedErr, STDERR_FILENO);
  close(savedOut);
  close(savedErr);
  *loadStdout = readAll(outFile);
  *loadStderr = readAll(errFile);
  fclose(outFile);
  fclose(errFile);
  return true;
}

int runRecords(int argc, char** argv) {
  Options options;
  int exitCode = kExitUsage;
  if (!parseOptions("records", argc, argv, true, true, &options, &exitCode)) return exitCode;
  if (options.help) {
    fputs(kRecordsHelp, stdout);
    fputs(kTableOptionsHelp, stdout);
    fputs(kRecordsHelpTail, stdout);
    return kExitOk;
  }
  if (!options.operands.empty()) {
    return usageError("records", "unexpected argument '" + options.operands[0] + "'");
  }
  if (options.hasTable && !serveTableFile(options)) return kExitUsage;

  if (options.json) {
    std::string loadStdout;
    std::string loadStderr;
    if (!loadCapturing(&loadStdout, &loadStderr)) return kExitNoTable;
    writeJsonReport(stdout, loadStdout, loadStderr);
  } else {
    // The load's diagnostics go straight to both streams, as the package writes them.
    getRecord(kProcessorCategory);
    writeTextReport(stdout);
  }
  return reportLiveFailure() ? kExitOk : kExitNoTable;
}

int runSerial(int argc, char** argv) {
  Options options;
  int exitCode = kExitUsage;
  if (!parseOptions("serial", argc, argv, true, false, &options, &exitCode)) return exitCode;
  if (options.help) {
    fputs(kSerialHelp, stdout);
    fputs(kTableOptionsHelp, stdout);
    fputs(kSerialHelpTail, stdout);
    return kExitOk;
  }
  if (!options.operands.empty()) {
    return usageError("serial", "unexpected argument '" + options.operands[0] + "'");
  }
  if (options.hasTable && !serveTableFile(options)) return kExitUsage;

  const auto* processor = static_cast<const ProcessorRecord*>(getRecord(kProcessorCategory));
  reportLiveFailure();
  if (processor->id == nullptr) {
    fflush(stdout);
    fprintf(stderr, "%s\n", kNoProcessorId);
    return kExitNoTable;
  }
  printf("%s\n", processor->id);
  return kExitOk;
}

int runCapture(int argc, char** argv) {
  Options options;
  int exitCode = kExitUsage;
  if (!parseOptions("capture", argc, argv, false, false, &options, &exitCode)) return exitCode;
  if (options.help) {
    fputs(kCaptureHelp, stdout);
    return kExitOk;
  }
  if (options.operands.size() != 1) {
    return usageError("capture", options.operands.empty()
                                     ? "capture needs the file to write (OUT)"
                                     : "unexpected argument '" + options.operands[1] + "'");
  }
  const std::string& path = options.operands[0];

  const uint32_t needed = platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, nullptr, 0);
  std::vector<uint8_t> raw(needed);
  const uint32_t copied = needed == 0 ? 0
                                      : platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0,
                                                                         raw.data(), needed);
  if (copied == 0 || copied > needed) {
    reportLiveFailure();
    return kExitNoTable;
  }
  raw.resize(copied);

  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) {
    fprintf(stderr, "zentrik: %s: cannot create: %s\n", path.c_str(), strerror(errno));
    return kExitUsage;
  }
  const bool written = fwrite(raw.data(), 1, raw.size(), file) == raw.size();
  const int writeErrno = errno;
  if (fclose(file) != 0 || !written) {
    fprintf(stderr, "zentrik: %s: cannot write: %s\n", path.c_str(),
            strerror(written ? errno : writeErrno));
    return kExitUsage;
  }
  printf("wrote %lu bytes to %s\n", static_cast<unsigned long>(raw.size()), path.c_str());
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // Line ends as on every other system: reports and JSON compare byte for byte.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  if (argc < 2) {
    fputs(kMainHelp, stderr);
    return kExitUsage;
  }
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    fputs(kMainHelp, stdout);
    return kExitOk;
  }
  if (command == "--version") {
    printf("zentrik %s\n", ZENTRIK_VERSION);
    return kExitOk;
  }
  if (command == "records") return runRecords(argc - 2, argv + 2);
  if (command == "serial") return runSerial(argc - 2, argv + 2);
  if (command == "capture") return runCapture(argc - 2, argv + 2);
  return usageError("", "unknown command '" + command + "'");
}
