// The first getRecord call raced by eight threads under Windows' one-time primitive
// (InitOnceExecuteOnce), as tests/support/first_load_race.h checks it.
#include <windows.h>

#include "tests/support/first_load_race.h"
#include "tests/windows/check.h"

namespace first_load_race {

bool check(bool ok, const char* what) {
  return windows_test::check(ok, what);
}

namespace {

HANDLE start;
uint32_t raceCode;

DWORD WINAPI caller(LPVOID seen) {
  WaitForSingleObject(start, INFINITE);
  callGetRecord(raceCode, static_cast<Seen*>(seen));
  return 0;
}

}  // namespace

void race(uint32_t code, Seen* seen) {
  raceCode = code;
  start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE threads[kThreads];
  for (int i = 0; i < kThreads; ++i) {
    threads[i] = CreateThread(nullptr, 0, caller, &seen[i], 0, nullptr);
  }
  SetEvent(start);
  WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
  for (HANDLE thread : threads) CloseHandle(thread);
  CloseHandle(start);
}

}  // namespace first_load_race

int main() {
  first_load_race::racedFirstCall();
  first_load_race::racedLaterCalls();
  return windows_test::finish();
}
