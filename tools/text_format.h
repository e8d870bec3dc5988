// printf-style text appended to a TextBuffer, for the tool's sentences with numbers in them.
#pragma once

#include "base/compiler.h"
#include "base/text_buffer.h"

// Appends the formatted text. Meant for short sentences (at most 255 characters once
// formatted); texts of unknown length, such as paths and table strings, go through append().
void appendFormat(TextBuffer* out, const char* format, ...) ZENTRIK_PRINTF_FORMAT(2, 3);
