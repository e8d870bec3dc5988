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

class JsonWriter {
 public:
  explicit JsonWriter(FILE* out) : out_(out) {}

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
  // The length bytes at value, which need no NUL behind them.
  void text(const char* key, const char* value, size_t length);
  // Ends the value with a line feed.
  void finish() { fputc('\n', out_); }

 private:
  void newline();
  void prefix(const char* key);
  void writeString(const char* text, size_t length);

  FILE* out_;
  int depth_ = 0;
  bool first_ = true;
  TextBuffer scratch_;
};
