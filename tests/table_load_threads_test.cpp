// The first getRecord call raced by several threads: one load, seen complete by every caller.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/firmware_source.h"
#include "reader/record_store.h"
#include "tests/support/reader_fixture.h"

namespace {

constexpr int kThreads = 8;

class FirstLoadThreadsTest : public ReaderTest {};

// Starts kThreads threads that call getRecord(code) at once; returns what each one got.
std::vector<void*> raceGetRecord(uint32_t code) {
  std::vector<void*> results(kThreads, nullptr);
  std::atomic<int> ready{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      ready.fetch_add(1);
      while (!go.load()) std::this_thread::yield();
      results[i] = getRecord(code);
    });
  }
  while (ready.load() < kThreads) std::this_thread::yield();
  go.store(true);
  for (std::thread& t : threads) t.join();
  return results;
}

TEST_F(FirstLoadThreadsTest, EightThreadsRacingTheFirstCallShareOneLoad) {
  // A long string keeps the load busy for a while, so that the threads meet inside it; the
  // trailing zero bytes make the walk report once per load, so the diagnostics count the loads.
  const Bytes slow = Structure(1, 8).str(std::string(2 << 20, 'x'));
  const Bytes raw = rawBuffer(tableOf({slow, endOfTable(), {0, 0}}));
  platform::serveRawTable(raw.data(), raw.size());

  testing::internal::CaptureStderr();
  const std::vector<void*> results = raceGetRecord(kProcessorCategory);
  const std::string err = testing::internal::GetCapturedStderr();

  EXPECT_EQ(platform::firmwareTableCallCount(), 2u) << "one size query and one copy";
  for (void* result : results) EXPECT_EQ(result, &processorRecord);
  EXPECT_EQ(err,
            "Wrong DMI structures count: 3 announced, only 2 decoded.\n"
            "Wrong DMI structures length: " +
                std::to_string(raw.size() - 8) + " bytes announced, structures occupy " +
                std::to_string(raw.size() - 10) + " bytes.\n");
}

TEST_F(FirstLoadThreadsTest, CallsAfterTheLoadNeverReadThePlatform) {
  const Bytes raw = rawBuffer(tableOf({endOfTable()}));
  platform::serveRawTable(raw.data(), raw.size());
  getRecord(kBiosCategory);
  const std::vector<void*> results = raceGetRecord(kMemoryArrayCategory);
  EXPECT_EQ(platform::firmwareTableCallCount(), 2u);
  for (void* result : results) EXPECT_EQ(result, &memoryArrayRecord);
}

}  // namespace
