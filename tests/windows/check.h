// Plain checks for the tests of the clang-cl flavour, which have no test framework there: each
// check prints one line, and a test program exits with the number of checks that failed.
#pragma once

#include <stdio.h>

namespace windows_test {

inline int& failures() {
  static int count = 0;
  return count;
}

// Prints "ok" or "FAIL" and what was checked; true when ok.
inline bool check(bool ok, const char* what) {
  printf("%s  %s\n", ok ? "ok  " : "FAIL", what);
  if (!ok) ++failures();
  return ok;
}

// The exit status of a test program: the number of failed checks, after a summary line.
inline int finish() {
  printf("%d check(s) failed\n", failures());
  return failures();
}

}  // namespace windows_test
