// The first getRecord call raced by several threads: one load, seen complete by every caller;
// later calls read nothing. Checked alike by the GoogleTest test and by the Windows test program
// under Wine (no C++ standard library there), each starting threads its own way: each side
// defines the two functions declared first.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "base/raw_header.h"
#include "platform/serving/served_firmware_table.h"
#include "reader/reader.h"
#include "records/record_store.h"

namespace first_load_race {

constexpr int kThreads = 8;

// What one caller saw right after its call returned.
struct Seen {
  void* record;
  char id[32];  // the processor ID text
};

// One check: true when ok; what was checked is named where it fails.
bool check(bool ok, const char* what);
// Starts kThreads threads that each call callGetRecord(code, &seen[i]) at once, and waits for
// them.
void race(uint32_t code, Seen* seen);

inline void callGetRecord(uint32_t code, Seen* seen) {
  seen->record = getRecord(code);
  const char* id = processorRecord.id != nullptr ? processorRecord.id : "";
  strncpy(seen->id, id, sizeof seen->id - 1);
}

// A processor with the ID A9 06 03 00 FF FB EB BF (socket string 1, "CPU0").
constexpr uint8_t kProcessorWithId[] = {
    4,    0x1A, 0x00, 0x04, 1,    3,    0xC6, 0,     // type 4, length, handle; socket string 1
    0xA9, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF,  // 0x08 processor ID
    0,    0,    0,    0,    0,    0,    0,    0,    0x41, 0,  // 0x10 to 0x19
    'C',  'P',  'U',  '0',  0,    0};
constexpr uint8_t kEndOfTable[] = {127, 4, 0xFF, 0xFE, 0, 0};

// The processor, then a structure whose 2 MiB string keeps the load busy for a while, so that
// the threads meet inside it; two zero bytes behind the end make the walk report once per load,
// so that its diagnostics count the loads.
constexpr uint8_t kSlowHeader[] = {1, 8, 0x00, 0x01, 1, 0, 0, 0};  // string 1: the long one
constexpr size_t kLongString = 2u << 20;
constexpr size_t kSlowTableLength =
    sizeof kProcessorWithId + sizeof kSlowHeader + kLongString + 2 + sizeof kEndOfTable + 2;

// The slow table in the rsmb layout, on the C heap; null when memory ran out.
inline uint8_t* slowRawTable() {
  auto* raw = static_cast<uint8_t*>(calloc(kRawHeaderSize + kSlowTableLength, 1));
  if (raw == nullptr) return nullptr;
  uint8_t header[kRawHeaderSize];
  writeRawHeader({0, 3, 2, 0, static_cast<uint32_t>(kSlowTableLength)}, header);
  memcpy(raw, header, sizeof header);
  uint8_t* p = raw + kRawHeaderSize;
  memcpy(p, kProcessorWithId, sizeof kProcessorWithId);
  memcpy(p += sizeof kProcessorWithId, kSlowHeader, sizeof kSlowHeader);
  memset(p += sizeof kSlowHeader, 'x', kLongString);
  memcpy(p + kLongString + 2, kEndOfTable, sizeof kEndOfTable);  // zeros around it from calloc
  return raw;
}

inline bool everyCallerSaw(const Seen* seen, const void* record) {
  bool all = true;
  for (int i = 0; i < kThreads; ++i) {
    all = all && seen[i].record == record && strcmp(seen[i].id, "A9 06 03 00 FF FB EB BF") == 0;
  }
  return all;
}

// The first call, raced: one load, and no caller gets the records before it ends.
inline void racedFirstCall() {
  uint8_t* raw = slowRawTable();
  if (!check(raw != nullptr, "memory for the table")) return;
  platform::serveRawTable(raw, kRawHeaderSize + kSlowTableLength);
  platform::resetFirmwareTableCallCount();
  Seen seen[kThreads] = {};
  race(kProcessorCategory, seen);
  check(platform::firmwareTableCallCount() == 2, "one load: one size query and one copy");
  check(everyCallerSaw(seen, &processorRecord),
        "every caller got the records of the finished load");
  platform::serveRawTable(nullptr, 0);
  free(raw);
}

// Calls raced after a load of a table with the processor above read nothing more.
inline void racedLaterCalls() {
  const uint32_t reads = platform::firmwareTableCallCount();
  Seen seen[kThreads] = {};
  race(kMemoryArrayCategory, seen);
  check(everyCallerSaw(seen, &memoryArrayRecord), "every caller got the loaded records");
  check(platform::firmwareTableCallCount() == reads, "later calls read nothing");
}

}  // namespace first_load_race
