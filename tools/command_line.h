// The zentrik command line that every command shares: the exit statuses, the options, the help
// texts they have in common, and usage errors.
#pragma once

#include "tablefile/table_file.h"

// Exit statuses, shared with engine-host: done; the table was read but holds no processor ID
// (id, serial); a usage error or a table input (or capture output) that cannot be used; this
// machine's table could not be read; the output could not be written (in place of 0 and 1
// only: 2 and 3 say more).
constexpr int kExitOk = 0;
constexpr int kExitNoId = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoTable = 3;
constexpr int kExitOutput = 4;

// The command's status once standard output is flushed: kExitOutput in place of 0 and 1 where a
// write to it failed (said on standard error), status otherwise.
int finishOutput(int status);

// The main help and what every command's help ends with.
extern const char kMainHelp[];
extern const char kExitStatusHelp[];

// Prints "zentrik: " with message, detail and tail on standard error, and where to find help
// (the command's, or the main help where command is empty); returns kExitUsage.
int usageError(const char* command, const char* message, const char* detail = "",
               const char* tail = "");

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
                  int* exitCode);

// A command's help: its usage line (the table options, then usageTail), its own text, the table
// options, its own options (helpTail), --help and the exit statuses.
void writeHelp(const char* command, const char* usageTail, const char* help, const char* helpTail);

// Parses the options of a command that takes no operands and prints its help when asked.
// Returns -1 to go on, or the exit code.
int commandOptions(const char* command, int argc, char** argv, Accepts accepts,
                   const char* usageTail, const char* help, const char* helpTail, Options* options);
