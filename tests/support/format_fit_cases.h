// formatText of "%s%u" with "abc" and 123 (six characters) around the exact fit, and what each
// capacity must leave in the buffer. Shared by the Linux tests and the Windows ones, which check
// the same contract over Microsoft's C runtime.
#pragma once

#include <stddef.h>

struct FormatFitCase {
  size_t capacity;
  const char* written;
};

constexpr FormatFitCase kFormatFitCases[] = {
    {1, ""}, {4, "abc"}, {6, "abc12"}, {7, "abc123"}, {8, "abc123"}};
