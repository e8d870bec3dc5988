// Standard output or standard error sent elsewhere for a while, at the level of the file
// descriptors, so that whatever the code in between writes there (the package's load, in the
// process or in a module it loaded) reaches the other place instead, byte for byte; and the last
// flush of standard output, which tells whether everything written there arrived.
#pragma once

#include <stdio.h>

// Points the descriptor fd at the file that target writes to, until destroyed. Flush the stream
// of fd before, and again before the end.
class DescriptorRedirect {
 public:
  DescriptorRedirect(int fd, int target);
  // Points fd back where it went before.
  ~DescriptorRedirect();
  DescriptorRedirect(const DescriptorRedirect&) = delete;
  DescriptorRedirect& operator=(const DescriptorRedirect&) = delete;

 private:
  int fd_;
  int saved_;  // where fd went before; -1 when it could not be kept
};

// On Windows, standard output and standard error in binary mode, so that they write "\n" as on
// every other system and outputs compare byte for byte; nothing to do elsewhere.
void useBinaryStandardStreams();

// The descriptor of a stream.
int descriptorOf(FILE* stream);

// Whether the stream is a terminal (where nobody reads or types a binary table).
bool isTerminal(FILE* stream);

constexpr int kStdoutDescriptor = 1;
constexpr int kStderrDescriptor = 2;

// Makes standard output and standard error unbuffered, so that their bytes reach the descriptors
// in the order they are written: call it before anything is written to either.
void unbufferStandardStreams();

class StdoutOnStderr {
 public:
  // Makes standard output and standard error unbuffered, so that their bytes reach standard
  // error in the order they are written: create it before anything is written to either.
  StdoutOnStderr();

 private:
  struct Unbuffered {
    Unbuffered();
  } unbuffered_;
  DescriptorRedirect redirect_;
};

// Flushes standard output and closes a copy of its descriptor (where a file system reports a
// failed write only then). False where any write to it failed, this last one or one before, after
// saying so on standard error in one line: "<program>: cannot write to standard output: <why>".
// The failure is then cleared, so that it is said once. Standard output stays usable.
bool finishStandardOutput(const char* program);
