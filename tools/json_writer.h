// JSON for programs that read the tool's output: one value written as it is built, two blanks of
// indent per level, keys in the order they are written.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "base/text_buffer.h"

// Appends text (count bytes) as a JSON string literal, quotes included (RFC 8259). Bytes above
// 0x7E become \u00XX, one code point each, so the output stays valid UTF-8 whatever the table
// holds.
void appendJsonString(TextBuffer* out, const char* text, size_t count);

// Writes through a buffer of its own: an inventory is tens of thousands of small pieces, and the
// C runtime takes a lock for each call it is given.
class JsonWriter {
 public:
  explicit JsonWriter(FILE* out) : out_(out) {}
  ~JsonWriter() { flush(); }
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  // key is null inside an array. bracket is '{' or '['.
  void open(const char* key, char bracket);
  void close(char bracket);
  void number(const char* key, long value);
  void unsignedNumber(const char* key, unsigned long value);
  // Any 64-bit count, written without the C runtime's 64-bit conversions.
  void unsigned64(const char* key, uint64_t value);
  void boolean(const char* key, bool value);
  void null(const char* key);
  // A null text is written as null.
  void text(const char* key, const char* value);
  // The length bytes at value, which need no NUL behind them; with plain, bytes known to stand in
  // a JSON string as they are (printable ASCII without a quote or a backslash).
  void text(const char* key, const char* value, size_t length, bool plain = false);
  // Pieces up to this long are copied byte by byte; so many blanks make one piece of indent.
  static constexpr size_t kSmallPiece = 16;

  // Ends the value with a line feed, and hands everything to the stream.
  void finish() {
    put('\n');
    flush();
  }

  // What the buffer holds goes to the stream.
  void flush();

 private:
  void newline();
  void prefix(const char* key);
  void put(char c) {
    if (used_ == sizeof buffer_) flush();
    buffer_[used_++] = c;
  }
  // Most pieces are a few bytes: copied here, not handed to memcpy.
  void put(const char* bytes, size_t count) {
    if (count <= kSmallPiece && count <= sizeof buffer_ - used_) {
      for (size_t i = 0; i < count; ++i) buffer_[used_ + i] = bytes[i];
      used_ += count;
    } else {
      putLarge(bytes, count);
    }
  }
  void putLarge(const char* bytes, size_t count);
  // Room for count more bytes, the buffer flushed first where needed; false where count is more
  // than the whole buffer.
  bool room(size_t count);
  void writeString(const char* text, size_t length);
  // The same into room already made for its length, quotes and eight bytes more.
  void writeStringInRoom(const char* text, size_t length, bool plain);

  FILE* out_;
  int depth_ = 0;
  bool first_ = true;
  size_t used_ = 0;
  char buffer_[16384];
};
