#include "tools/text_format.h"

#include <stdarg.h>
#include <stdio.h>

void appendFormat(TextBuffer* out, const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  out->append(text);
}
