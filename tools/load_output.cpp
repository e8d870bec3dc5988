#include "tools/load_output.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "platform/serving/stdout_redirect.h"
#include "platform/whole_file.h"
#include "reader/reader.h"
#include "tools/diagnostics.h"

namespace {

bool readAll(FILE* file, TextBuffer* text) {
  rewind(file);
  int errorNumber = 0;
  return readWholeStream(file, SIZE_MAX, text, &errorNumber) == WholeFile::kRead;
}

void load() {
  getRecord(kProcessorCategory);
}

// Where capturing fails: the load's bytes go to standard error unchanged.
void loadPassingThrough(const char* why) {
  fprintf(stderr,
          "zentrik: cannot capture the reader's messages (%s): they go to standard error as "
          "written\n",
          why);
  fflush(stdout);
  fflush(stderr);
  const StdoutOnStderr redirect;
  load();
}

}  // namespace

bool loadCapturing(TextBuffer* loadStdout, TextBuffer* loadStderr) {
  FILE* outFile = tmpfile();
  FILE* errFile = outFile != nullptr ? tmpfile() : nullptr;
  if (errFile == nullptr) {
    const int why = errno;
    if (outFile != nullptr) fclose(outFile);
    loadPassingThrough(strerror(why));
    return false;
  }
  fflush(stdout);
  fflush(stderr);
  {
    const DescriptorRedirect out(kStdoutDescriptor, descriptorOf(outFile));
    const DescriptorRedirect err(kStderrDescriptor, descriptorOf(errFile));
    load();
    fflush(stdout);
    fflush(stderr);
  }
  const bool read = readAll(outFile, loadStdout) && readAll(errFile, loadStderr);
  fclose(outFile);
  fclose(errFile);
  if (!read) {
    // The load has run; its messages are lost, not the records.
    fputs("zentrik: cannot read back the reader's messages\n", stderr);
    loadStdout->clear();
    loadStderr->clear();
  }
  return read;
}

void loadOntoStderr() {
  FILE* both = tmpfile();
  if (both == nullptr) {
    const StdoutOnStderr redirect;
    load();
    return;
  }
  {
    const DescriptorRedirect out(kStdoutDescriptor, descriptorOf(both));
    const DescriptorRedirect err(kStderrDescriptor, descriptorOf(both));
    load();
  }
  TextBuffer written;
  if (readAll(both, &written)) writeMessagesOnTheirOwnLines(stderr, written.text());
  fclose(both);
}
