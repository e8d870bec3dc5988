// The first getRecord call raced by several threads: one load, seen complete by every caller.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/serving/served_firmware_table.h"
#include "records/record_store.h"
#include "tests/support/reader_fixture.h"

namespace {

constexpr int kThreads = 8;

class FirstLoadThreadsTest : public ReaderTest {};

struct Seen {
  void* record = nullptr;
  std::string id;  // the processor ID text right after the call returned
};

// Starts kThreads threads that call getRecord(code) at once; returns what each one saw.
std::vector<Seen> raceGetRecord(uint32_t code) {
  std::vector<Seen> seen(kThreads);
  std::atomic<int> ready{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      ready.fetch_add(1);
      while (!go.load()) std::this_thread::yield();
      seen[i].record = getRecord(code);
      seen[i].id = text(processorRecord.id);
    });
  }
  while (ready.load() < kThreads) std::this_thread::yield();
  go.store(true);
  for (std::thread& t : threads) t.join();
  return seen;
}

// A processor structure with the ID bytes A9 06 03 00 FF FB EB BF and one string.
Bytes processorWithId() {
  return Structure(4, 0x1A).u8(0x06, 0xC6).u64(0x08, 0xBFEBFBFF000306A9ull).str("CPU0");
}

TEST_F(FirstLoadThreadsTest, EightThreadsRacingTheFirstCallShareOneLoad) {
  // A long string keeps the load busy for a while, so that the threads meet inside it; the
  // trailing zero bytes make the walk report once per load, so the diagnostics count the loads.
  const Bytes slow = Structure(1, 8).str(std::string(2 << 20, 'x'));
  const Bytes raw = rawBuffer(tableOf({processorWithId(), slow, endOfTable(), {0, 0}}));
  platform::serveRawTable(raw.data(), raw.size());

  testing::internal::CaptureStderr();
  const std::vector<Seen> seen = raceGetRecord(kProcessorCategory);
  const std::string err = testing::internal::GetCapturedStderr();

  EXPECT_EQ(platform::firmwareTableCallCount(), 2u) << "one size query and one copy";
  for (const Seen& s : seen) {
    EXPECT_EQ(s.record, &processorRecord);
    EXPECT_EQ(s.id, "A9 06 03 00 FF FB EB BF") << "a caller got the records before the load ended";
  }
  EXPECT_EQ(err,
            "Wrong DMI structures count: 4 announced, only 3 decoded.\n"
            "Wrong DMI structures length: " +
                std::to_string(raw.size() - 8) + " bytes announced, structures occupy " +
                std::to_string(raw.size() - 10) + " bytes.\n");
}

TEST_F(FirstLoadThreadsTest, CallsAfterTheLoadNeverReadThePlatform) {
  const Bytes raw = rawBuffer(tableOf({processorWithId(), endOfTable()}));
  platform::serveRawTable(raw.data(), raw.size());
  getRecord(kBiosCategory);
  const std::vector<Seen> seen = raceGetRecord(kMemoryArrayCategory);
  EXPECT_EQ(platform::firmwareTableCallCount(), 2u);
  for (const Seen& s : seen) {
    EXPECT_EQ(s.record, &memoryArrayRecord);
    EXPECT_EQ(s.id, "A9 06 03 00 FF FB EB BF");
  }
}

}  // namespace
