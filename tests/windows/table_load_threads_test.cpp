// The first getRecord call raced by eight threads under Windows' one-time primitive
// (InitOnceExecuteOnce): one load, seen complete by every caller.
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "base/raw_header.h"
#include "platform/serving/served_firmware_table.h"
#include "reader/reader.h"
#include "records/record_store.h"
#include "tests/windows/check.h"

using windows_test::check;

namespace {

constexpr int kThreads = 8;
HANDLE start;

struct Seen {
  void* record;
  char id[32];  // the processor ID text right after the call returned
};
Seen seen[kThreads];

DWORD WINAPI callGetRecord(LPVOID parameter) {
  Seen* mine = static_cast<Seen*>(parameter);
  WaitForSingleObject(start, INFINITE);
  mine->record = getRecord(kProcessorCategory);
  const char* id = processorRecord.id != nullptr ? processorRecord.id : "";
  strncpy(mine->id, id, sizeof mine->id - 1);
  return 0;
}

// A processor with the ID A9 06 03 00 FF FB EB BF and a string, then a structure whose 2 MiB
// string keeps the load busy for a while, so that the threads meet inside it.
unsigned char* slowTable(size_t* size) {
  const unsigned char processor[] = {
      4,    0x1A, 0x00, 0x04, 1,    3,    0xC6, 0,     // type 4, length, handle; socket string 1
      0xA9, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF,  // 0x08 processor ID
      0,    0,    0,    0,    0,    0,    0,    0,    0x41, 0,          // 0x10 to 0x19
      'C',  'P',  'U',  '0',  0,    0};                                 // strings
  const unsigned char systemHeader[] = {1, 8, 0x00, 0x01, 1, 0, 0, 0};  // string 1: the name
  const size_t longString = 2u << 20;
  const unsigned char endOfTable[] = {127, 4, 0xFF, 0xFE, 0, 0};
  *size = 8 + sizeof processor + sizeof systemHeader + longString + 2 + sizeof endOfTable;
  auto* raw = static_cast<unsigned char*>(malloc(*size));
  if (raw == nullptr) return nullptr;
  const size_t length = *size - 8;
  uint8_t header[kRawHeaderSize];
  writeRawHeader({0, 3, 2, 0, static_cast<uint32_t>(length)}, header);
  unsigned char* p = raw;
  memcpy(p, header, kRawHeaderSize);
  memcpy(p += kRawHeaderSize, processor, sizeof processor);
  memcpy(p += sizeof processor, systemHeader, sizeof systemHeader);
  memset(p += sizeof systemHeader, 'x', longString);
  p[longString] = 0;
  p[longString + 1] = 0;
  memcpy(p + longString + 2, endOfTable, sizeof endOfTable);
  return raw;
}

}  // namespace

int main() {
  size_t size = 0;
  unsigned char* raw = slowTable(&size);
  if (!check(raw != nullptr, "memory for the table")) return windows_test::finish();
  platform::serveRawTable(raw, size);
  platform::resetFirmwareTableCallCount();

  start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE threads[kThreads];
  for (int i = 0; i < kThreads; ++i) {
    threads[i] = CreateThread(nullptr, 0, callGetRecord, &seen[i], 0, nullptr);
  }
  SetEvent(start);
  WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);

  check(platform::firmwareTableCallCount() == 2, "one load: one size query and one copy");
  bool allComplete = true;
  for (const Seen& s : seen) {
    allComplete =
        allComplete && s.record == &processorRecord && strcmp(s.id, "A9 06 03 00 FF FB EB BF") == 0;
  }
  check(allComplete, "every caller got the records of the finished load");
  getRecord(kBiosCategory);
  check(platform::firmwareTableCallCount() == 2, "a later call reads nothing");
  return windows_test::finish();
}
