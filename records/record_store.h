// The record objects themselves and the text operations every decoder fills them with. Only the
// load and the decoders write here; callers read the records through getRecord.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "base/compiler.h"
#include "records/records.h"

extern BiosRecord biosRecord;
extern BiosLanguageRecord biosLanguageRecord;
extern ProcessorRecord processorRecord;
extern MemoryArrayRecord memoryArrayRecord;
extern ReservedRecord reservedRecord;
extern MemoryDeviceRecord* memoryDevices;  // null until allocateMemoryDevices creates the list
extern uint32_t memoryDeviceCapacity;      // entries the list really has
extern uint32_t deviceFillIndex;           // next entry the Memory Device decoder fills

// Under AddressSanitizer every text keeps a poisoned byte behind its NUL and the unused part of a
// chunk stays poisoned, so that reading past a text's end is caught as it was when each text was
// a heap block of its own.
#if defined(__SANITIZE_ADDRESS__)
#define ZENTRIK_TEXT_ARENA_GUARDS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZENTRIK_TEXT_ARENA_GUARDS 1
#endif
#endif
#if !defined(ZENTRIK_TEXT_ARENA_GUARDS)
#define ZENTRIK_TEXT_ARENA_GUARDS 0
#endif

// Where the record texts live: heap chunks filled front to back that never move, so every text
// handed out stays where it is for as long as the arena. A text too large for the chunk at hand
// gets a chunk of its own. Texts are never given back one by one.
class TextArena {
 public:
  constexpr TextArena() = default;
  TextArena(const TextArena&) = delete;
  TextArena& operator=(const TextArena&) = delete;

  // Room for a text of length bytes with its NUL already behind them, for the caller to write;
  // null when memory cannot be had.
  char* allocate(size_t length) {
#if !ZENTRIK_TEXT_ARENA_GUARDS
    // Nearly every text fits the chunk being filled, and costs no call.
    if (length < left_) {
      char* const out = next_;
      next_ += length + 1;
      left_ -= length + 1;
      out[length] = '\0';
      return out;
    }
#endif
    return allocateOutOfLine(length);
  }
  // A copy of the length bytes at text with a NUL behind them, or null when memory cannot be had.
  char* copy(const char* text, size_t length) {
    char* const out = allocate(length);
    if (out != nullptr) memcpy(out, text, length);
    return out;
  }
  // Gives every chunk back, and with them every text handed out. For scratch arenas and for
  // programs that load table after table in one process.
  void release();

 private:
  struct Chunk {
    Chunk* previous;
  };
  // Everything allocate does, for the texts its inline part leaves.
  char* allocateOutOfLine(size_t length);
  char* takeFromNewChunk(size_t size);

  Chunk* chunks_ = nullptr;  // the chunk being filled first, then every older one
  char* next_ = nullptr;     // the unused bytes of the chunk being filled
  size_t left_ = 0;
  size_t chunkBytes_ = 0;  // size of the chunk being filled; each new one is larger, to a limit
};

// The record store's arena: setTextField's copies, kept until the process ends.
extern TextArena recordTexts;

// Makes setTextField copy into arena from now on and returns the arena it used before, so that a
// caller that decodes into scratch records can throw their texts away and then put it back.
TextArena* redirectTextCopies(TextArena* arena);

// Puts every record back to its empty state. Releases nothing.
void resetRecords();

// Stores a private copy of text in *field; the earlier copy stays. When memory cannot be had the
// field keeps its earlier value. The second form copies the length bytes at text.
void setTextField(char** field, const char* text);
void setTextField(char** field, const char* text, size_t length);
// Gives field a new private text of length bytes (its NUL already written) for the caller to fill
// at once; null, and the field unchanged, when memory cannot be had.
char* newTextField(char** field, size_t length);

// Writes separator and text behind the end of destination. No capacity is tested: callers
// guarantee the room.
void appendWithSeparator(char* destination, const char* text, char separator);
void appendLine(char* destination, const char* text);
void copyText(char* destination, const char* text);

// printf into buffer, never writing more than capacity bytes (NUL included). Returns the length
// the whole text needs, as snprintf does, so a caller can tell that it did not fit.
int formatText(char* buffer, size_t capacity, const char* format, ...) ZENTRIK_PRINTF_FORMAT(3, 4);

// Gives the memory device list deviceCount cleared entries and restarts the fill position.
// A second call writes "BiosReader: trying to over allocate!" to standard output and keeps the
// list, growing it when deviceCount asks for more entries than it has.
void allocateMemoryDevices();
