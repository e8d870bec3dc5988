#include "reader/record_store.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/bounded_format.h"

BiosRecord biosRecord;
BiosLanguageRecord biosLanguageRecord;
ProcessorRecord processorRecord;
MemoryArrayRecord memoryArrayRecord;
ReservedRecord reservedRecord;
MemoryDeviceRecord* memoryDevices;
uint32_t memoryDeviceCapacity;
uint32_t deviceFillIndex;

namespace {

// Entries from here to the end of the list are known to be clear: nothing has been stored in them
// since the list was allocated or they were last cleared. Only the Memory Device decoder stores
// into entries, each below deviceFillIndex, so a table of many arrays costs what it fills, not
// what the arrays announce.
uint32_t clearFrom;

}  // namespace

void resetRecords() {
  biosRecord.present = 0;
  biosRecord.vendor = nullptr;
  biosRecord.version = nullptr;
  biosRecord.releaseDate = nullptr;
  formatText(biosRecord.characteristics, sizeof biosRecord.characteristics, "%s", "");
  biosRecord.romSize = nullptr;

  memoryArrayRecord = MemoryArrayRecord{};
  memoryDevices = nullptr;
  memoryDeviceCapacity = 0;
  deviceFillIndex = 0;
  clearFrom = 0;

  processorRecord = ProcessorRecord{};
  reservedRecord = ReservedRecord{};
  biosLanguageRecord = BiosLanguageRecord{};
}

void setTextField(char** field, const char* text) {
  const size_t n = strlen(text);
  char* copy = static_cast<char*>(malloc(n + 1));
  if (copy == nullptr) return;
  memcpy(copy, text, n + 1);
  *field = copy;
}

void appendWithSeparator(char* destination, const char* text, char separator) {
  char* end = destination + strlen(destination);
  *end++ = separator;
  strcpy(end, text);
}

void appendLine(char* destination, const char* text) {
  appendWithSeparator(destination, text, '\n');
}

void copyText(char* destination, const char* text) {
  strcpy(destination, text);
}

int formatText(char* buffer, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int needed = vformatBounded(buffer, capacity, format, args);
  va_end(args);
  return needed;
}

void allocateMemoryDevices() {
  const uint32_t count = memoryArrayRecord.deviceCount;
  if (count > 0) {
    if (memoryDevices == nullptr) {
      memoryDevices = static_cast<MemoryDeviceRecord*>(calloc(count, sizeof(MemoryDeviceRecord)));
      memoryDeviceCapacity = memoryDevices != nullptr ? count : 0;
      clearFrom = 0;
    } else {
      fputs("BiosReader: trying to over allocate!", stdout);
      // Callers read deviceCount entries, so a list shorter than that must grow. Every entry
      // below count is cleared next anyway, so nothing of the old list needs to be kept. It at
      // least doubles, so that arrays announcing ever more devices cost no more in all than the
      // largest list.
      if (count > memoryDeviceCapacity) {
        uint32_t capacity = memoryDeviceCapacity <= UINT32_MAX / 2 ? memoryDeviceCapacity * 2 : 0;
        if (capacity < count) capacity = count;
        auto* grown =
            static_cast<MemoryDeviceRecord*>(calloc(capacity, sizeof(MemoryDeviceRecord)));
        if (grown != nullptr) {
          free(memoryDevices);
          memoryDevices = grown;
          memoryDeviceCapacity = capacity;
          clearFrom = 0;
        }
      }
    }
  }
  // Without memory for the list, callers must not be told of entries that do not exist.
  if (memoryArrayRecord.deviceCount > memoryDeviceCapacity) {
    memoryArrayRecord.deviceCount = memoryDeviceCapacity;
  }
  if (deviceFillIndex > clearFrom) clearFrom = deviceFillIndex;
  const uint32_t cleared =
      memoryArrayRecord.deviceCount < clearFrom ? memoryArrayRecord.deviceCount : clearFrom;
  for (uint32_t i = 0; i < cleared; ++i) memoryDevices[i] = MemoryDeviceRecord{};
  if (cleared == clearFrom) clearFrom = 0;
  deviceFillIndex = 0;
}
