// A file that only its owner may read, for copies of the firmware table: it holds serial
// numbers and UUIDs, and its source on Linux is readable by root only.
#pragma once

#include <stddef.h>

#include "base/text_buffer.h"

// Creates path (or truncates it) readable and writable by its owner only, also when it existed
// with wider permissions, and writes size bytes to it. False with a one-line reason naming the
// path in *error. On Windows the file keeps the permissions it inherits from its folder.
bool writePrivateFile(const char* path, const void* bytes, size_t size, TextBuffer* error);
