// Standard output sent to standard error for a while, at the level of the file descriptors, so
// that whatever the code in between writes to standard output (the package's load, in the
// process or in a module it loaded) reaches standard error instead, byte for byte.
#pragma once

class StdoutOnStderr {
 public:
  // Makes standard output and standard error unbuffered, so that their bytes reach standard
  // error in the order they are written: create it before anything is written to either.
  StdoutOnStderr();
  // Points standard output back where it went before.
  ~StdoutOnStderr();
  StdoutOnStderr(const StdoutOnStderr&) = delete;
  StdoutOnStderr& operator=(const StdoutOnStderr&) = delete;

 private:
  int saved_;  // the earlier standard output; -1 when it could not be kept
};
