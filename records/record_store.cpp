#include "records/record_store.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include "base/bounded_format.h"
#include "records/diagnostics.h"

TextArena recordTexts;

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

TextArena* textCopies = &recordTexts;

// A small table's texts fit the first chunk; a large one's take a few dozen chunks of the largest
// size, not one allocation per text.
constexpr size_t kFirstChunkBytes = 4096;
constexpr size_t kLargestChunkBytes = size_t{1} << 20;

#if ZENTRIK_TEXT_ARENA_GUARDS
extern "C" void __asan_poison_memory_region(void const volatile* address, size_t size);
extern "C" void __asan_unpoison_memory_region(void const volatile* address, size_t size);
constexpr size_t kGuardBytes = 1;
void poison(const char* bytes, size_t size) {
  __asan_poison_memory_region(bytes, size);
}
void unpoison(const char* bytes, size_t size) {
  __asan_unpoison_memory_region(bytes, size);
}
#else
constexpr size_t kGuardBytes = 0;
void poison(const char*, size_t) {}
void unpoison(const char*, size_t) {}
#endif

}  // namespace

char* TextArena::allocateOutOfLine(size_t length) {
  if (length > SIZE_MAX - 1 - kGuardBytes) return nullptr;
  const size_t size = length + 1 + kGuardBytes;
  char* out;
  if (size <= left_) {
    out = next_;
    next_ += size;
    left_ -= size;
  } else {
    out = takeFromNewChunk(size);
    if (out == nullptr) return nullptr;
  }
  unpoison(out, length + 1);
  out[length] = '\0';
  return out;
}

char* TextArena::takeFromNewChunk(size_t size) {
  size_t bytes = kFirstChunkBytes;
  if (chunkBytes_ != 0) bytes = chunkBytes_ < kLargestChunkBytes ? chunkBytes_ * 2 : chunkBytes_;
  // A text of more than a quarter chunk gets exactly the room it needs, so that neither it nor
  // the rest of the chunk being filled goes to waste.
  const bool ownChunk = size > bytes / 4;
  if (ownChunk) bytes = size;
  if (bytes > SIZE_MAX - sizeof(Chunk)) return nullptr;
  auto* chunk = static_cast<Chunk*>(malloc(sizeof(Chunk) + bytes));
  if (chunk == nullptr) return nullptr;
  char* const start = reinterpret_cast<char*>(chunk + 1);
  poison(start, bytes);
  if (ownChunk && chunks_ != nullptr) {
    // Behind the chunk being filled, which goes on taking the small texts.
    chunk->previous = chunks_->previous;
    chunks_->previous = chunk;
    return start;
  }
  chunk->previous = chunks_;
  chunks_ = chunk;
  next_ = start + size;
  left_ = bytes - size;
  if (!ownChunk) chunkBytes_ = bytes;
  return start;
}

void TextArena::release() {
  while (chunks_ != nullptr) {
    Chunk* const previous = chunks_->previous;
    free(chunks_);
    chunks_ = previous;
  }
  next_ = nullptr;
  left_ = 0;
  chunkBytes_ = 0;
}

TextArena* redirectTextCopies(TextArena* arena) {
  TextArena* const before = textCopies;
  textCopies = arena;
  return before;
}

void resetRecords() {
  biosRecord.present = 0;
  biosRecord.vendor = nullptr;
  biosRecord.version = nullptr;
  biosRecord.releaseDate = nullptr;
  biosRecord.characteristics[0] = '\0';
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
  setTextField(field, text, strlen(text));
}

void setTextField(char** field, const char* text, size_t length) {
  char* const copy = textCopies->copy(text, length);
  if (copy != nullptr) *field = copy;
}

char* newTextField(char** field, size_t length) {
  char* const text = textCopies->allocate(length);
  if (text != nullptr) *field = text;
  return text;
}

// The copies here go through memcpy, which the load calls anyway: on the first call of a process
// every further C library function costs a lookup by the dynamic linker.
void appendWithSeparator(char* destination, const char* text, char separator) {
  char* end = destination + strlen(destination);
  *end++ = separator;
  memcpy(end, text, strlen(text) + 1);
}

void appendLine(char* destination, const char* text) {
  appendWithSeparator(destination, text, '\n');
}

void copyText(char* destination, const char* text) {
  memcpy(destination, text, strlen(text) + 1);
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
      writeDiagnostic(DiagnosticKind::kSecondMemoryArray);
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
