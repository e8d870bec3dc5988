// C99 snprintf and vsnprintf over what msvcrt.dll offers: _vscprintf for the length a text needs,
// _vsnprintf to write as much of it as fits. Unlike _vsnprintf, a text that does not fit is cut
// and still terminated, and the result is the length the whole text needs.
#include "platform/windows_runtime/crt_compat_windows.h"

int __cdecl zentrikVsnprintf(char* buffer, size_t size, const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int needed = _vscprintf(format, measure);
  va_end(measure);
  if (size == 0) return needed;
  if (needed < 0) {
    buffer[0] = '\0';
    return needed;
  }
  const size_t written = (size_t)needed < size ? (size_t)needed : size - 1;
  _vsnprintf(buffer, written, format, args);
  buffer[written] = '\0';
  return needed;
}

int __cdecl zentrikSnprintf(char* buffer, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int result = zentrikVsnprintf(buffer, size, format, args);
  va_end(args);
  return result;
}
