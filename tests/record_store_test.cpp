// Record store: the text operations, the reset state and the memory device list bounds.
#include "records/record_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/format_fit_cases.h"
#include "tests/support/reader_fixture.h"

namespace {

TEST(TextOperationsTest, SetTextFieldKeepsThePreviousCopy) {
  char* field = nullptr;
  setTextField(&field, "abc");
  char* first = field;
  setTextField(&field, "de");
  EXPECT_STREQ(field, "de");
  EXPECT_STREQ(first, "abc");
  EXPECT_NE(first, field);
}

// Texts of every size, small ones between chunk-sized ones, all stay where and as they were
// stored: chunks never move, and a large text does not end the chunk the small ones fill.
TEST(TextOperationsTest, ArenaKeepsEveryCopyInPlace) {
  TextArena arena;
  TextArena* const before = redirectTextCopies(&arena);
  const size_t sizes[] = {0, 1, 15, 1000, 1025, 4095, 4096, 5000, 3, 70000, 2, 1 << 20, 7};
  std::vector<std::string> texts;
  std::vector<char*> copies;
  for (int round = 0; round < 8; ++round) {
    for (size_t size : sizes) {
      texts.push_back(std::string(size, static_cast<char>('a' + texts.size() % 26)));
      char* field = nullptr;
      setTextField(&field, texts.back().data(), size);
      ASSERT_NE(field, nullptr);
      copies.push_back(field);
    }
  }
  for (size_t i = 0; i < copies.size(); ++i) ASSERT_EQ(copies[i], texts[i]) << i;
  redirectTextCopies(before);
  arena.release();
}

TEST(TextOperationsTest, Append) {
  char buffer[16] = "";
  appendLine(buffer, "x");
  EXPECT_STREQ(buffer, "\nx");
  copyText(buffer, "ab");
  appendLine(buffer, "x");
  EXPECT_STREQ(buffer, "ab\nx");
  appendWithSeparator(buffer, "y", ' ');
  EXPECT_STREQ(buffer, "ab\nx y");
}

// Around the exact fit: Microsoft's C runtime leaves a text of exactly the capacity
// unterminated and answers -1 for a longer one; formatText must not.
TEST(TextOperationsTest, FormatTextNeverPassesItsCapacity) {
  for (const FormatFitCase& c : kFormatFitCases) {
    char buffer[10];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(formatText(buffer, c.capacity, "%s%u", "abc", 123u), 6) << c.capacity;
    EXPECT_STREQ(buffer, c.written) << c.capacity;
    EXPECT_EQ(buffer[c.capacity], 'Z') << c.capacity;
  }
  char untouched = 'Z';
  EXPECT_EQ(formatText(&untouched, 0, "%lu MB", 1024ul), 7);
  EXPECT_EQ(untouched, 'Z');
}

class RecordStoreTest : public ReaderTest {};

TEST_F(RecordStoreTest, ResetState) {
  loadStructures({});
  const ProcessorRecord& p = processor();
  EXPECT_EQ(p.present, 0);
  // Every text field of the processor record is null.
  const char* const* fields = &p.socketDesignation;
  for (int i = 0; i < 19; ++i) EXPECT_EQ(fields[i], nullptr) << i;
  EXPECT_STREQ(bios().characteristics, "");
  EXPECT_EQ(memoryArray().deviceCount, 0u);
  EXPECT_EQ(devices(), nullptr);
  EXPECT_EQ(biosLanguage().installableLanguages, nullptr);
}

TEST_F(RecordStoreTest, DeviceListKeepsItsBoundsAcrossAllocations) {
  loadStructures({});
  testing::internal::CaptureStdout();
  memoryArrayRecord.deviceCount = 0;
  allocateMemoryDevices();  // nothing to allocate
  EXPECT_EQ(memoryDevices, nullptr);

  memoryArrayRecord.deviceCount = 2;
  allocateMemoryDevices();
  ASSERT_NE(memoryDevices, nullptr);
  setTextField(&memoryDevices[1].size, "8 GB");
  deviceFillIndex = 2;

  memoryArrayRecord.deviceCount = 1;  // fewer: keeps the list, clears entry 0 only
  allocateMemoryDevices();
  EXPECT_EQ(memoryDeviceCapacity, 2u);
  EXPECT_STREQ(memoryDevices[1].size, "8 GB");
  EXPECT_EQ(deviceFillIndex, 0u);

  memoryArrayRecord.deviceCount = 5;  // more than the list has: it grows
  allocateMemoryDevices();
  EXPECT_EQ(memoryDeviceCapacity, 5u);
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(memoryDevices[i].size, nullptr) << i;
  fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "BiosReader: trying to over allocate!BiosReader: trying to over allocate!");
}

TEST_F(RecordStoreTest, LaterArraysClearEveryEntryFilledSinceTheLastClearing) {
  loadStructures({});
  testing::internal::CaptureStdout();
  memoryArrayRecord.deviceCount = 3;
  allocateMemoryDevices();
  for (uint32_t i = 0; i < 3; ++i) setTextField(&memoryDevices[i].locator, "filled");
  deviceFillIndex = 3;

  memoryArrayRecord.deviceCount = 1;  // clears entry 0; entries 1 and 2 keep their texts
  allocateMemoryDevices();
  EXPECT_EQ(memoryDevices[0].locator, nullptr);
  EXPECT_STREQ(memoryDevices[2].locator, "filled");
  memoryArrayRecord.deviceCount = 0;  // clears nothing
  allocateMemoryDevices();
  EXPECT_STREQ(memoryDevices[1].locator, "filled");

  memoryArrayRecord.deviceCount = 3;  // nothing filled since, but 1 and 2 still hold texts
  allocateMemoryDevices();
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(memoryDevices[i].locator, nullptr) << i;

  setTextField(&memoryDevices[0].locator, "again");
  deviceFillIndex = 1;
  memoryArrayRecord.deviceCount = 2;
  allocateMemoryDevices();
  EXPECT_EQ(memoryDevices[0].locator, nullptr);
  testing::internal::GetCapturedStdout();
}

}  // namespace
