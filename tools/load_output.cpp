#include "tools/load_output.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "reader/records.h"
#include "tools/stdout_redirect.h"

namespace {

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
int fileNumber(FILE* file) {
  return _fileno(file);
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
int fileNumber(FILE* file) {
  return fileno(file);
}
#endif

constexpr int kStdout = 1;
constexpr int kStderr = 2;

bool readAll(FILE* file, TextBuffer* text) {
  rewind(file);
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) text->append(chunk, got);
  return ferror(file) == 0 && !text->failed();
}

}  // namespace

bool loadCapturing(TextBuffer* loadStdout, TextBuffer* loadStderr) {
  FILE* outFile = tmpfile();
  FILE* errFile = tmpfile();
  if (outFile == nullptr || errFile == nullptr) {
    fprintf(stderr, "zentrik: cannot capture the load's output: %s\n", strerror(errno));
    if (outFile != nullptr) fclose(outFile);
    if (errFile != nullptr) fclose(errFile);
    return false;
  }
  fflush(stdout);
  fflush(stderr);
  const int savedOut = duplicate(kStdout);
  const int savedErr = duplicate(kStderr);
  duplicateTo(fileNumber(outFile), kStdout);
  duplicateTo(fileNumber(errFile), kStderr);
  getRecord(kProcessorCategory);
  fflush(stdout);
  fflush(stderr);
  duplicateTo(savedOut, kStdout);
  duplicateTo(savedErr, kStderr);
  closeFd(savedOut);
  closeFd(savedErr);
  const bool read = readAll(outFile, loadStdout) && readAll(errFile, loadStderr);
  fclose(outFile);
  fclose(errFile);
  if (!read) fputs("zentrik: cannot read back the load's output\n", stderr);
  return read;
}

void loadWithStdoutOnStderr() {
  const StdoutOnStderr redirect;
  getRecord(kProcessorCategory);
}
