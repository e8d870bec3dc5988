#include "platform/serving/stdout_redirect.h"

#include <errno.h>
#include <string.h>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

#if defined(_WIN32)
int duplicate(int fd) {
  return _dup(fd);
}
int duplicateTo(int fd, int target) {
  return _dup2(fd, target);
}
int closeDescriptor(int fd) {
  return _close(fd);
}
#else
int duplicate(int fd) {
  return dup(fd);
}
int duplicateTo(int fd, int target) {
  return dup2(fd, target);
}
int closeDescriptor(int fd) {
  return close(fd);
}
#endif

}  // namespace

int descriptorOf(FILE* stream) {
#if defined(_WIN32)
  return _fileno(stream);
#else
  return fileno(stream);
#endif
}

bool isTerminal(FILE* stream) {
#if defined(_WIN32)
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

DescriptorRedirect::DescriptorRedirect(int fd, int target) : fd_(fd), saved_(duplicate(fd)) {
  if (saved_ >= 0) duplicateTo(target, fd);
}

DescriptorRedirect::~DescriptorRedirect() {
  if (saved_ < 0) return;
  duplicateTo(saved_, fd_);
  closeDescriptor(saved_);
}

StdoutOnStderr::Unbuffered::Unbuffered() {
  unbufferStandardStreams();
}

void unbufferStandardStreams() {
  setvbuf(stdout, nullptr, _IONBF, 0);
  // Standard error too: msvcrt.dll buffers it fully when it is no terminal, which would put its
  // bytes behind those of standard output.
  setvbuf(stderr, nullptr, _IONBF, 0);
}

StdoutOnStderr::StdoutOnStderr() : redirect_(kStdoutDescriptor, kStderrDescriptor) {}

void useBinaryStandardStreams() {
#if defined(_WIN32)
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
}

bool finishStandardOutput(const char* program) {
  // A failed write leaves the stream's error flag and its errno; later writes that succeed
  // change neither.
  const int earlier = errno;
  const bool failedBefore = ferror(stdout) != 0;
  int error = 0;
  if (fflush(stdout) != 0) {
    error = errno;
  } else if (failedBefore) {
    error = earlier != 0 ? earlier : EIO;
  } else {
    const int copy = duplicate(kStdoutDescriptor);
    // No copy: standard output is closed, and nothing was written to it.
    if (copy >= 0 && closeDescriptor(copy) != 0) error = errno;
  }
  if (error == 0) return true;
  clearerr(stdout);
  fprintf(stderr, "%s: cannot write to standard output: %s\n", program, strerror(error));
  return false;
}
