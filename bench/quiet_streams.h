// The load writes its diagnostics to the process's standard output and standard error. To keep
// terminal output out of the figures, the benchmarks point file descriptors 1 and 2 at /dev/null
// (the load still formats and writes every line, into buffered streams that go nowhere) and give
// their own reports to streams on copies of the original descriptors.
#pragma once

#include <ostream>
#include <streambuf>

class FdStreamBuf : public std::streambuf {
 public:
  explicit FdStreamBuf(int fd) : fd_(fd) {}

 protected:
  int overflow(int c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;

 private:
  int fd_;
};

// Moves standard output and standard error to /dev/null; the returned streams write where they
// pointed before.
struct QuietStreams {
  QuietStreams();
  ~QuietStreams();
  FdStreamBuf outBuf;
  FdStreamBuf errBuf;
  std::ostream out;
  std::ostream err;
  int savedOut;
  int savedErr;

 private:
  QuietStreams(int savedOut, int savedErr);
};
