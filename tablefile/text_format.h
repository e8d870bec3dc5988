// printf-style text appended to a TextBuffer, for the tool's sentences with numbers in them.
#pragma once

#include "base/compiler.h"
#include "base/text_buffer.h"

// Appends the formatted text, on every C runtime the same (see base/bounded_format.h). Meant
// for sentences with numbers in them; texts of unknown length, such as paths and table strings,
// go through append().
void appendFormat(TextBuffer* out, const char* format, ...) ZENTRIK_PRINTF_FORMAT(2, 3);
