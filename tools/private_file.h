// A file that only its owner may read, for copies of the firmware table: it holds serial
// numbers and UUIDs, and its source on Linux is readable by root only. Only a regular file is
// ever written: the name of a device, a folder or a link is refused, so that a capture never
// changes what it was not asked to create.
#pragma once

#include <stddef.h>

#include "base/text_buffer.h"

// Whether path can take the file, checked before anything is read for it: false with a one-line
// reason naming the path in *error where it exists and is not a regular file ("PATH: is a
// character device, not a regular file: nothing written"; a symbolic link is refused as one,
// whatever it points to), or where its folder cannot take a new file.
bool checkPrivateFile(const char* path, TextBuffer* error);

// Replaces path whole with size bytes, readable and writable by its owner only: a new file in
// the same folder, written and flushed to the disk, then renamed over path, so that a reader
// sees the old file or the new one and never a part. An existing file's owner and group pass to
// the new one where the process may set them. False with a one-line reason naming the path in
// *error (checkPrivateFile's too); path is then as it was, and no new file is left. On Windows
// the file keeps the permissions it inherits from its folder.
bool writePrivateFile(const char* path, const void* bytes, size_t size, TextBuffer* error);
