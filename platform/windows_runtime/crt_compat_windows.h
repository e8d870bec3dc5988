// What Microsoft's own C runtime headers give that Wine's, set up for msvcrt.dll, do not. The
// clang-cl flavour puts this in front of every translation unit (/FI).
#pragma once

// With the compiler's built-in wchar_t switched off (-fno-wchar), wchar_t is a typedef of
// unsigned short, as Microsoft's headers declare it then; 16-bit text is decorated as such.
#if defined(__cplusplus) && !defined(_NATIVE_WCHAR_T_DEFINED)
typedef unsigned short wchar_t;
#endif

// On 32-bit x86 Wine's winnt.h defines these 64-bit and pointer interlocked operations as inline
// functions, which Microsoft's compiler does not offer there; clang has them as built-ins and
// refuses definitions under their names in C++. Wine's versions keep other names.
#define _InterlockedAnd64 wineInterlockedAnd64
#define _InterlockedCompareExchangePointer wineInterlockedCompareExchangePointer
#define _InterlockedDecrement64 wineInterlockedDecrement64
#define _InterlockedExchangeAdd64 wineInterlockedExchangeAdd64
#define _InterlockedExchangePointer wineInterlockedExchangePointer
#define _InterlockedIncrement64 wineInterlockedIncrement64
#define _InterlockedOr64 wineInterlockedOr64
#define _InterlockedXor64 wineInterlockedXor64

// msvcrt.dll has no C99 snprintf. Wine's headers make it an inline call of _vsnprintf, which
// leaves a text it had to cut without its terminating zero and returns -1 instead of the length
// needed. So stdio.h is read here, before anyone else, and the name then refers to a C99 version
// (crt_compat_windows.cpp) over vformatBounded (base/bounded_format.h), through which the house
// formats everything it bounds; vsnprintf stays msvcrt.dll's.
#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif
int __cdecl zentrikSnprintf(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
#ifdef __cplusplus
}
#endif

#define snprintf zentrikSnprintf

// Wine's headers reach the standard streams through the universal C runtime's __acrt_iob_func,
// which msvcrt.dll does not have; there they are the first three entries of its stream array.
#ifdef __cplusplus
extern "C" {
#endif
_ACRTIMP FILE* __cdecl __iob_func(void);
#ifdef __cplusplus
}
#endif
#undef stdin
#undef stdout
#undef stderr
#define stdin (&__iob_func()[0])
#define stdout (&__iob_func()[1])
#define stderr (&__iob_func()[2])

// Wine's io.h makes open and sopen macros for _open and _sopen, which would rename any member
// function called open in a file that includes it; Microsoft's declares no such macros. Code
// here calls _open itself.
#include <io.h>
#undef open
#undef sopen
