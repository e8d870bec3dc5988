#include "tools/json_writer.h"

#include <string.h>

#include "base/ascii.h"

void appendJsonString(TextBuffer* out, const char* text, size_t count) {
  static const char kHex[] = "0123456789abcdef";
  out->append('"');
  size_t plain = 0;  // where the run of bytes that stand as they are began
  for (size_t i = 0; i < count; ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (isPrintableAscii(byte) && byte != '"' && byte != '\\') continue;
    out->append(text + plain, i - plain);
    plain = i + 1;
    switch (byte) {
      case '"':
        out->append("\\\"");
        break;
      case '\\':
        out->append("\\\\");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\r':
        out->append("\\r");
        break;
      case '\t':
        out->append("\\t");
        break;
      case '\b':
        out->append("\\b");
        break;
      case '\f':
        out->append("\\f");
        break;
      default: {
        const char escaped[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
        out->append(escaped, sizeof escaped);
      }
    }
  }
  out->append(text + plain, count - plain);
  out->append('"');
}

void JsonWriter::open(const char* key, char bracket) {
  prefix(key);
  fputc(bracket, out_);
  ++depth_;
  first_ = true;
}

void JsonWriter::close(char bracket) {
  --depth_;
  if (!first_) newline();
  fputc(bracket, out_);
  first_ = false;
}

void JsonWriter::number(const char* key, long value) {
  prefix(key);
  fprintf(out_, "%ld", value);
}

void JsonWriter::unsignedNumber(const char* key, unsigned long value) {
  prefix(key);
  fprintf(out_, "%lu", value);
}

void JsonWriter::unsigned64(const char* key, uint64_t value) {
  char digits[21];
  char* first = digits + sizeof digits - 1;
  *first = '\0';
  do {
    *--first = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  prefix(key);
  fputs(first, out_);
}

void JsonWriter::boolean(const char* key, bool value) {
  prefix(key);
  fputs(value ? "true" : "false", out_);
}

void JsonWriter::null(const char* key) {
  prefix(key);
  fputs("null", out_);
}

void JsonWriter::text(const char* key, const char* value) {
  text(key, value, value != nullptr ? strlen(value) : 0);
}

void JsonWriter::text(const char* key, const char* value, size_t length) {
  prefix(key);
  if (value == nullptr) {
    fputs("null", out_);
  } else {
    writeString(value, length);
  }
}

void JsonWriter::newline() {
  fputc('\n', out_);
  for (int i = 0; i < depth_; ++i) fputs("  ", out_);
}

void JsonWriter::prefix(const char* key) {
  if (depth_ > 0) {
    if (!first_) fputc(',', out_);
    newline();
  }
  first_ = false;
  if (key != nullptr) {
    writeString(key, strlen(key));
    fputs(": ", out_);
  }
}

void JsonWriter::writeString(const char* text, size_t length) {
  scratch_.clear();
  appendJsonString(&scratch_, text, length);
  fwrite(scratch_.text(), 1, scratch_.size(), out_);
}
