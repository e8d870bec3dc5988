// printf-style formatting into a buffer with one contract on every C runtime: never more than
// capacity bytes written, the text always terminated when capacity is not 0, and the result the
// length the whole text needs (negative only for a format the runtime cannot handle). C99's
// vsnprintf gives that; Microsoft's older msvcrt.dll has no C99 vsnprintf for sure, and its
// _vsnprintf returns -1 and leaves the buffer unterminated when the text does not fit.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>

inline int vformatBounded(char* buffer, size_t capacity, const char* format, va_list args) {
#if defined(_WIN32)
  va_list again;
  va_copy(again, args);
  int needed = capacity > 0 ? _vsnprintf(buffer, capacity, format, args) : -1;
  if (needed < 0 || static_cast<size_t>(needed) >= capacity) {
    if (capacity > 0) buffer[capacity - 1] = '\0';
    // Cut short: only a second pass measures the whole text.
    needed = _vscprintf(format, again);
  }
  va_end(again);
  return needed;
#else
  return vsnprintf(buffer, capacity, format, args);
#endif
}
