// The reader's formatText over msvcrt.dll, around the exact fit: msvcrt's own _vsnprintf leaves a
// text of exactly the capacity unterminated and answers -1 for a longer one; formatText must
// write no more than its capacity, always terminate, and answer the length the text needs.
#include <string.h>

#include "records/record_store.h"
#include "tests/support/format_fit_cases.h"
#include "tests/windows/check.h"

using windows_test::check;

int main() {
  for (const FormatFitCase& c : kFormatFitCases) {
    char buffer[10];
    memset(buffer, 'Z', sizeof buffer);
    const int needed = formatText(buffer, c.capacity, "%s%u", "abc", 123u);
    printf("   capacity %u\n", static_cast<unsigned>(c.capacity));
    check(needed == 6, "answers the length the whole text needs");
    check(strcmp(buffer, c.written) == 0, "writes what fits, terminated");
    check(buffer[c.capacity] == 'Z', "writes nothing behind its capacity");
  }
  char untouched = 'Z';
  check(formatText(&untouched, 0, "%lu MB", 1024ul) == 7 && untouched == 'Z',
        "capacity 0: measures, writes nothing");
  return windows_test::finish();
}
