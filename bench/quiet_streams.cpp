#include "bench/quiet_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

int FdStreamBuf::overflow(int c) {
  if (c == traits_type::eof()) return traits_type::not_eof(c);
  const char ch = static_cast<char>(c);
  return write(fd_, &ch, 1) == 1 ? c : traits_type::eof();
}

std::streamsize FdStreamBuf::xsputn(const char* s, std::streamsize n) {
  std::streamsize done = 0;
  while (done < n) {
    const ssize_t w = write(fd_, s + done, static_cast<size_t>(n - done));
    if (w <= 0) break;
    done += w;
  }
  return done;
}

QuietStreams::QuietStreams() : QuietStreams(dup(1), dup(2)) {}

QuietStreams::QuietStreams(int savedOutFd, int savedErrFd)
    : outBuf(savedOutFd),
      errBuf(savedErrFd),
      out(&outBuf),
      err(&errBuf),
      savedOut(savedOutFd),
      savedErr(savedErrFd) {
  fflush(stdout);
  fflush(stderr);
  const int devNull = open("/dev/null", O_WRONLY);
  if (devNull >= 0) {
    dup2(devNull, 1);
    dup2(devNull, 2);
    close(devNull);
  }
}

QuietStreams::~QuietStreams() {
  out.flush();
  err.flush();
  fflush(stdout);
  fflush(stderr);
  dup2(savedOut, 1);
  dup2(savedErr, 2);
  close(savedOut);
  close(savedErr);
}
