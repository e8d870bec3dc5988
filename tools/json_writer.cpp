#include "tools/json_writer.h"

#include <string.h>

#include "base/ascii.h"
#include "base/decimal.h"

namespace {

// Whether a byte stands in a JSON string as it is.
struct Plain {
  bool is[256];
};
constexpr Plain plainBytes() {
  Plain plain{};
  for (unsigned b = 0; b < 256; ++b) {
    plain.is[b] = isPrintableAscii(static_cast<uint8_t>(b)) && b != '"' && b != '\\';
  }
  return plain;
}
constexpr Plain kPlain = plainBytes();

constexpr char kBlanks[] = "                ";
static_assert(sizeof kBlanks - 1 == JsonWriter::kSmallPiece, "one piece of blanks at a time");

// Whether any of the eight bytes of word must be escaped: a byte below 0x20 sets its top bit once
// 0x20 is taken from it, one of 0x7F or above once 1 is added or by itself, and a quote or a
// backslash leaves a zero byte behind a xor with itself. A borrow or carry between bytes needs
// such a byte below it, so no word of plain bytes is ever taken for another.
bool anyToEscape(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101u;
  constexpr uint64_t kTops = 0x8080808080808080u;
  const uint64_t quote = word ^ ('"' * kOnes);
  const uint64_t backslash = word ^ ('\\' * kOnes);
  return ((((word - 0x20 * kOnes) & ~word) | (word + kOnes) | word | ((quote - kOnes) & ~quote) |
           ((backslash - kOnes) & ~backslash)) &
          kTops) != 0;
}

// Writes text escaped as a string literal needs it, without the quotes, through put(bytes,
// count): runs of plain bytes at once.
template <typename Put>
void escapeBody(const char* text, size_t count, Put put) {
  static const char kHex[] = "0123456789abcdef";
  size_t plain = 0;  // where the run of bytes that stand as they are began
  for (size_t i = 0; i < count; ++i) {
    // Table strings are nearly all plain: eight bytes at a time.
    while (count - i >= 8) {
      uint64_t word;
      memcpy(&word, text + i, 8);
      if (anyToEscape(word)) break;
      i += 8;
    }
    if (i == count) break;
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (kPlain.is[byte]) continue;
    put(text + plain, i - plain);
    plain = i + 1;
    switch (byte) {
      case '"':
        put("\\\"", 2);
        break;
      case '\\':
        put("\\\\", 2);
        break;
      case '\n':
        put("\\n", 2);
        break;
      case '\r':
        put("\\r", 2);
        break;
      case '\t':
        put("\\t", 2);
        break;
      case '\b':
        put("\\b", 2);
        break;
      case '\f':
        put("\\f", 2);
        break;
      default: {
        const char escaped[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
        put(escaped, sizeof escaped);
      }
    }
  }
  put(text + plain, count - plain);
}

template <typename Put>
void escape(const char* text, size_t count, Put put) {
  put("\"", 1);
  escapeBody(text, count, put);
  put("\"", 1);
}

}  // namespace

void appendJsonString(TextBuffer* out, const char* text, size_t count) {
  escape(text, count, [out](const char* bytes, size_t n) { out->append(bytes, n); });
}

void JsonWriter::putLarge(const char* bytes, size_t count) {
  while (count > 0) {
    if (used_ == sizeof buffer_) flush();
    const size_t room = sizeof buffer_ - used_;
    const size_t n = count < room ? count : room;
    memcpy(buffer_ + used_, bytes, n);
    used_ += n;
    bytes += n;
    count -= n;
  }
}

void JsonWriter::flush() {
  if (used_ > 0) fwrite(buffer_, 1, used_, out_);
  used_ = 0;
}

void JsonWriter::open(const char* key, char bracket) {
  prefix(key);
  put(bracket);
  ++depth_;
  first_ = true;
}

void JsonWriter::close(char bracket) {
  --depth_;
  if (!first_) newline();
  put(bracket);
  first_ = false;
}

void JsonWriter::number(const char* key, long value) {
  prefix(key);
  if (value < 0) put('-');
  const uint64_t magnitude =
      value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char digits[20];
  put(digits, static_cast<size_t>(writeDecimal(digits, magnitude) - digits));
}

void JsonWriter::unsignedNumber(const char* key, unsigned long value) {
  unsigned64(key, value);
}

void JsonWriter::unsigned64(const char* key, uint64_t value) {
  prefix(key);
  char digits[20];
  put(digits, static_cast<size_t>(writeDecimal(digits, value) - digits));
}

void JsonWriter::boolean(const char* key, bool value) {
  prefix(key);
  if (value) {
    put("true", 4);
  } else {
    put("false", 5);
  }
}

void JsonWriter::null(const char* key) {
  prefix(key);
  put("null", 4);
}

void JsonWriter::text(const char* key, const char* value) {
  text(key, value, value != nullptr ? strlen(value) : 0);
}

void JsonWriter::text(const char* key, const char* value, size_t length, bool plain) {
  if (value == nullptr) {
    prefix(key);
    put("null", 4);
    return;
  }
  // Nearly every value is a plain text inside an object or array: the separator, the indent, the
  // key and the text go straight into the room behind the buffer's end.
  const size_t keyLength = key != nullptr ? strlen(key) : 0;
  const size_t indent = 2 * static_cast<size_t>(depth_);
  const size_t most = 2 + indent + kSmallPiece + keyLength + 4 + length + 2 + 8;
  if (depth_ == 0 || most > sizeof buffer_ || !room(most)) {
    prefix(key);
    writeString(value, length);
    return;
  }
  char* out = buffer_ + used_;
  if (!first_) *out++ = ',';
  first_ = false;
  *out = '\n';
  for (size_t done = 0; done < indent; done += kSmallPiece)
    memcpy(out + 1 + done, kBlanks, kSmallPiece);
  out += 1 + indent;
  if (key != nullptr) {
    // Keys are the program's own names, which need no escape.
    *out++ = '"';
    for (size_t i = 0; i < keyLength; ++i) out[i] = key[i];
    out += keyLength;
    memcpy(out, "\": ", 3);
    out += 3;
  }
  used_ = static_cast<size_t>(out - buffer_);
  writeStringInRoom(value, length, plain);
}

void JsonWriter::newline() {
  const size_t indent = 2 * static_cast<size_t>(depth_);
  // Whole pieces of blanks, the last one partly past the indent, into the room behind it.
  if (room(1 + indent + kSmallPiece)) {
    char* const out = buffer_ + used_;
    out[0] = '\n';
    for (size_t done = 0; done < indent; done += kSmallPiece) {
      memcpy(out + 1 + done, kBlanks, kSmallPiece);
    }
    used_ += 1 + indent;
    return;
  }
  put('\n');
  for (size_t i = 0; i < indent; ++i) put(' ');
}

void JsonWriter::prefix(const char* key) {
  if (depth_ > 0) {
    if (!first_) put(',');
    newline();
  }
  first_ = false;
  if (key != nullptr) {
    // Keys are the program's own names, which need no escape.
    put('"');
    put(key, strlen(key));
    put("\": ", 3);
  }
}

bool JsonWriter::room(size_t count) {
  if (count > sizeof buffer_ - used_) flush();
  return count <= sizeof buffer_;
}

void JsonWriter::writeString(const char* text, size_t length) {
  if (length <= sizeof buffer_ && room(length + 2 + 8)) {
    writeStringInRoom(text, length, false);
  } else {
    escape(text, length, [this](const char* bytes, size_t n) { put(bytes, n); });
  }
}

void JsonWriter::writeStringInRoom(const char* text, size_t length, bool plain) {
  char* out = buffer_ + used_;
  *out++ = '"';
  if (plain) {
    memcpy(out, text, length);
    out[length] = '"';
    used_ = static_cast<size_t>(out + length + 1 - buffer_);
    return;
  }
  // Nearly every string is plain: copied eight bytes at a time as it is checked, into the room
  // behind it (the last word may reach past its end).
  size_t i = 0;
  for (uint64_t word; length - i >= 8; i += 8, out += 8) {
    memcpy(&word, text + i, 8);
    if (anyToEscape(word)) break;
    memcpy(out, &word, 8);
  }
  while (i < length && kPlain.is[static_cast<unsigned char>(text[i])]) *out++ = text[i++];
  if (i == length) {
    *out++ = '"';
    used_ = static_cast<size_t>(out - buffer_);
    return;
  }
  used_ = static_cast<size_t>(out - buffer_);
  escapeBody(text + i, length - i, [this](const char* bytes, size_t n) { put(bytes, n); });
  put('"');
}
