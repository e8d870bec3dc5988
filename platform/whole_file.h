// Reading a whole file or stream into memory, for every program of the house: the tables Linux
// exposes, table files, standard input, and the load's captured output.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include "base/text_buffer.h"

enum class WholeFile { kRead, kCannotOpen, kCannotRead, kTooLarge, kNoMemory };

// Reads everything the stream holds from where it stands into *bytes (replacing what was there),
// stopping as soon as more than limit bytes came, which it reports as kTooLarge. On kCannotRead
// *errorNumber is the C runtime's errno.
WholeFile readWholeStream(FILE* stream, size_t limit, TextBuffer* bytes, int* errorNumber);

// The same for the file at path, opened in binary mode; kCannotOpen with errno when it cannot be.
WholeFile readWholeFile(const char* path, size_t limit, TextBuffer* bytes, int* errorNumber);
