#include "tools/load_output.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "platform/whole_file.h"
#include "reader/records.h"
#include "tools/stdout_redirect.h"

namespace {

bool readAll(FILE* file, TextBuffer* text) {
  rewind(file);
  int errorNumber = 0;
  return readWholeStream(file, SIZE_MAX, text, &errorNumber) == WholeFile::kRead;
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
  {
    const DescriptorRedirect out(kStdoutDescriptor, descriptorOf(outFile));
    const DescriptorRedirect err(kStderrDescriptor, descriptorOf(errFile));
    getRecord(kProcessorCategory);
    fflush(stdout);
    fflush(stderr);
  }
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
