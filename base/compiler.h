// What differs between the compilers the project builds with, behind one name each.
#pragma once

// Lets GCC and Clang check printf-style calls against their format; Microsoft's compiler has no
// such check, so there it says nothing.
#if defined(__GNUC__) || defined(__clang__)
#define ZENTRIK_PRINTF_FORMAT(formatIndex, firstValueIndex) \
  __attribute__((format(printf, formatIndex, firstValueIndex)))
#else
#define ZENTRIK_PRINTF_FORMAT(formatIndex, firstValueIndex)
#endif
