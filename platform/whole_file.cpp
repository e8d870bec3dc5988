#include "platform/whole_file.h"

#include <errno.h>

WholeFile readWholeStream(FILE* stream, size_t limit, TextBuffer* bytes, int* errorNumber) {
  bytes->clear();
  unsigned char chunk[65536];
  size_t got = 0;
  while ((got = fread(chunk, 1, sizeof chunk, stream)) > 0) {
    if (!bytes->append(chunk, got)) return WholeFile::kNoMemory;
    // One chunk past the limit tells a larger file apart without reading all of it.
    if (bytes->size() > limit) return WholeFile::kTooLarge;
  }
  if (ferror(stream) != 0) {
    *errorNumber = errno;
    return WholeFile::kCannotRead;
  }
  return WholeFile::kRead;
}

WholeFile readWholeFile(const char* path, size_t limit, TextBuffer* bytes, int* errorNumber) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) {
    *errorNumber = errno;
    return WholeFile::kCannotOpen;
  }
  const WholeFile result = readWholeStream(file, limit, bytes, errorNumber);
  fclose(file);
  return result;
}
