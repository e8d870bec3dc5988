// The first getRecord call raced by threads (tests/support/first_load_race.h), and the
// diagnostics that show it made one load.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/support/first_load_race.h"
#include "tests/support/reader_fixture.h"

namespace first_load_race {

bool check(bool ok, const char* what) {
  EXPECT_TRUE(ok) << what;
  return ok;
}

void race(uint32_t code, Seen* seen) {
  std::atomic<int> ready{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      ready.fetch_add(1);
      while (!go.load()) std::this_thread::yield();
      callGetRecord(code, &seen[i]);
    });
  }
  while (ready.load() < kThreads) std::this_thread::yield();
  go.store(true);
  for (std::thread& t : threads) t.join();
}

}  // namespace first_load_race

namespace {

using namespace first_load_race;

class FirstLoadThreadsTest : public ReaderTest {};

TEST_F(FirstLoadThreadsTest, EightThreadsRacingTheFirstCallShareOneLoad) {
  testing::internal::CaptureStderr();
  racedFirstCall();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            countAndLengthMessages(4, 3, kSlowTableLength, kSlowTableLength - 2));
}

TEST_F(FirstLoadThreadsTest, CallsAfterTheLoadNeverReadThePlatform) {
  loadStructures({Bytes(kProcessorWithId, kProcessorWithId + sizeof kProcessorWithId)});
  racedLaterCalls();
  EXPECT_EQ(platform::firmwareTableCallCount(), 2u);
}

}  // namespace
