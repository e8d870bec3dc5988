#include "tools/command_line.h"

#include <stdio.h>
#include <string.h>

#include "platform/serving/stdout_redirect.h"

const char kExitStatusHelp[] =
    "\n"
    "Exit status:\n"
    "  0  done\n"
    "  1  the table was read but holds no processor ID (id, serial)\n"
    "  2  a usage error, or a table input or capture output that cannot be used\n"
    "  3  this machine's firmware table could not be read\n"
    "  4  the output could not be written\n";

const char kMainHelp[] =
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

namespace {

constexpr char kTableOptionHelp[] =
    "  --table IN     read a captured table instead of this machine's firmware: a file, '-'\n"
    "                 for standard input, or a folder holding smbios_entry_point and DMI (a\n"
    "                 copy of /sys/firmware/dmi/tables)\n"
    "  --format FMT   the layout of the file:\n";

constexpr char kFormatOptionTail[] =
    "                 A named layout that the file contradicts is followed, with a line on\n"
    "                 standard error.\n";

// Every layout with its description, a second name of it after it ("also called bare").
void writeLayouts(FILE* out) {
  constexpr char kDescriptionIndent[] = "                         ";
  for (size_t i = 0; i < sizeof kTableLayouts / sizeof kTableLayouts[0]; ++i) {
    const TableLayoutName& layout = kTableLayouts[i];
    if (layout.description == nullptr) {
      fprintf(out, "%salso called %s\n", kDescriptionIndent, layout.name);
      continue;
    }
    fprintf(out, "                   %-5s ", layout.name);
    for (const char* c = layout.description; *c != '\0'; ++c) {
      fputc(*c, out);
      if (*c == '\n') fputs(kDescriptionIndent, out);
    }
    fputc('\n', out);
  }
}

// The layout names joined: "auto|rsmb|dump|raw|bare", or "auto, rsmb, dump, raw or bare".
void layoutNames(TextBuffer* names, const char* separator, const char* last) {
  const size_t count = sizeof kTableLayouts / sizeof kTableLayouts[0];
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) names->append(i + 1 == count ? last : separator);
    names->append(kTableLayouts[i].name);
  }
}

constexpr char kHelpOption[] = "  --help, -h     show this help\n";

}  // namespace

int finishOutput(int status) {
  if (finishStandardOutput("zentrik")) return status;
  return status == kExitOk || status == kExitNoId ? kExitOutput : status;
}

int usageError(const char* command, const char* message, const char* detail, const char* tail) {
  fprintf(stderr, "zentrik: %s%s%s\nTry 'zentrik%s%s --help'.\n", message, detail, tail,
          command[0] != '\0' ? " " : "", command);
  return kExitUsage;
}

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
        TextBuffer tail;
        tail.append("' (");
        layoutNames(&tail, ", ", " or ");
        tail.append(")");
        *exitCode = usageError(command, "unknown table format '", value, tail.text());
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

void writeHelp(const char* command, const char* usageTail, const char* help, const char* helpTail) {
  TextBuffer names;
  layoutNames(&names, "|", "|");
  printf("Usage: zentrik %s [--table IN] [--format %s]%s\n", command, names.text(), usageTail);
  fputs(help, stdout);
  fputs(kTableOptionHelp, stdout);
  writeLayouts(stdout);
  fputs(kFormatOptionTail, stdout);
  fputs(helpTail, stdout);
  fputs(kHelpOption, stdout);
  fputs(kExitStatusHelp, stdout);
}

int commandOptions(const char* command, int argc, char** argv, Accepts accepts,
                   const char* usageTail, const char* help, const char* helpTail,
                   Options* options) {
  int exitCode = kExitUsage;
  if (!parseOptions(command, argc, argv, accepts, options, &exitCode)) return exitCode;
  if (options->help) {
    writeHelp(command, usageTail, help, helpTail);
    return kExitOk;
  }
  if (options->operandCount > 0) {
    return usageError(command, "unexpected argument '", options->operands[0], "'");
  }
  return -1;
}
