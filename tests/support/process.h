// Programs the tests run as processes of their own (POSIX): the arguments as given, no shell;
// standard input from a file, or a terminal; both output streams collected; a program that runs
// for more than 30 seconds is ended.
#pragma once

#include <string>
#include <vector>

struct ProcessRun {
  int status = -1;  // the exit status; -1 when a signal ended the program
  int signal = 0;   // the signal that ended it (SIGALRM: it ran too long), or 0
  std::string out;
  std::string err;
};

struct ProcessSetUp {
  std::string input = "/dev/null";  // the file on standard input
  std::string output;               // the file on standard output (out stays empty); "": collected
  bool closedPipe = false;          // a pipe nobody reads on standard output, as `| head` leaves it
  bool terminal = false;   // a pseudo-terminal as standard input and output (out stays empty)
  int descriptors = 0;     // the most descriptors the program may hold open; 0: no limit set
  bool tinyFiles = false;  // no file the program writes may grow past 512 bytes
};

// Runs command (an absolute path, then the arguments) and waits for it.
ProcessRun runProcess(const std::vector<std::string>& command, const ProcessSetUp& setUp = {});
