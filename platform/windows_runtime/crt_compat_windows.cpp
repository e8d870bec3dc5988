// C99 snprintf over msvcrt.dll, through the one bounded formatting of the house.
#include "platform/windows_runtime/crt_compat_windows.h"

#include "base/bounded_format.h"

extern "C" int __cdecl zentrikSnprintf(char* buffer, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int result = vformatBounded(buffer, size, format, args);
  va_end(args);
  return result;
}
