#include "tools/stdout_redirect.h"

#include <stdio.h>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr int kStdout = 1;
constexpr int kStderr = 2;

#if defined(_WIN32)
int duplicate(int fd) {
  return _dup(fd);
}
int duplicateTo(int fd, int target) {
  return _dup2(fd, target);
}
int closeFd(int fd) {
  return _close(fd);
}
#else
int duplicate(int fd) {
  return dup(fd);
}
int duplicateTo(int fd, int target) {
  return dup2(fd, target);
}
int closeFd(int fd) {
  return close(fd);
}
#endif

}  // namespace

StdoutOnStderr::StdoutOnStderr() {
  setvbuf(stdout, nullptr, _IONBF, 0);
  // Standard error too: msvcrt.dll buffers it fully when it is no terminal, which would put its
  // bytes behind those of standard output.
  setvbuf(stderr, nullptr, _IONBF, 0);
  saved_ = duplicate(kStdout);
  if (saved_ >= 0) duplicateTo(kStderr, kStdout);
}

StdoutOnStderr::~StdoutOnStderr() {
  if (saved_ < 0) return;
  duplicateTo(saved_, kStdout);
  closeFd(saved_);
}
