#include "tablefile/text_format.h"

#include <stdarg.h>
#include <stdlib.h>

#include "base/bounded_format.h"

void appendFormat(TextBuffer* out, const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int needed = vformatBounded(text, sizeof text, format, args);
  if (needed >= 0 && static_cast<size_t>(needed) < sizeof text) {
    out->append(text, static_cast<size_t>(needed));
  } else if (needed >= 0) {
    // Longer than the usual sentence: measured, so formatted once more at its size.
    char* whole = static_cast<char*>(malloc(static_cast<size_t>(needed) + 1));
    if (whole != nullptr) {
      vformatBounded(whole, static_cast<size_t>(needed) + 1, format, again);
      out->append(whole, static_cast<size_t>(needed));
      free(whole);
    }
  }
  va_end(again);
  va_end(args);
}
