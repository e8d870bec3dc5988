#include "reader/record_store.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

BiosRecord biosRecord;
BiosLanguageRecord biosLanguageRecord;
ProcessorRecord processorRecord;
MemoryArrayRecord memoryArrayRecord;
ReservedRecord reservedRecord;
MemoryDeviceRecord* memoryDevices;
uint32_t memoryDeviceCapacity;
uint32_t deviceFillIndex;

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
  const int needed = vsnprintf(buffer, capacity, format, args);
  va_end(args);
  return needed;
}

void allocateMemoryDevices() {
  const uint32_t count = memoryArrayRecord.deviceCount;
  if (count > 0) {
    if (memoryDevices == nullptr) {
      memoryDevices = static_cast<MemoryDeviceRecord*>(calloc(count, sizeof(MemoryDeviceRecord)));
      memoryDeviceCapacity = memoryDevices != nullptr ? count : 0;
    } else {
      fputs("BiosReader: trying to over allocate!", stdout);
      // Callers read deviceCount entries, so a list shorter than that must grow. Every entry
      // below count is cleared next anyway, so nothing of the old list needs to be kept.
      if (count > memoryDeviceCapacity) {
        auto* grown = static_cast<MemoryDeviceRecord*>(calloc(count, sizeof(MemoryDeviceRecord)));
        if (grown != nullptr) {
          free(memoryDevices);
          memoryDevices = grown;
          memoryDeviceCapacity = count;
        }
      }
    }
  }
  // Without memory for the list, callers must not be told of entries that do not exist.
  if (memoryArrayRecord.deviceCount > memoryDeviceCapacity) {
    memoryArrayRecord.deviceCount = memoryDeviceCapacity;
  }
  for (uint32_t i = 0; i < memoryArrayRecord.deviceCount; ++i)
    memoryDevices[i] = MemoryDeviceRecord{};
  deviceFillIndex = 0;
}
