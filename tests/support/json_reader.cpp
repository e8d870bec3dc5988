#include "tests/support/json_reader.h"

#include <cctype>
#include <cstdlib>

namespace {

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text) {}

  bool document(Json* out, std::string* error) {
    skipSpace();
    if (!value(out)) {
      *error = error_ + " at offset " + std::to_string(pos_);
      return false;
    }
    skipSpace();
    if (pos_ != text_.size()) {
      *error = "text after the value at offset " + std::to_string(pos_);
      return false;
    }
    return true;
  }

 private:
  bool fail(const char* why) {
    error_ = why;
    return false;
  }
  void skipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                   text_[pos_] == '\t' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }
  bool literal(const char* word) {
    const std::string w = word;
    if (text_.compare(pos_, w.size(), w) != 0) return fail("unknown literal");
    pos_ += w.size();
    return true;
  }

  bool value(Json* out) {
    if (pos_ >= text_.size()) return fail("unexpected end");
    const char c = text_[pos_];
    if (c == '{') return object(out);
    if (c == '[') return array(out);
    if (c == '"') {
      out->kind = Json::Kind::String;
      return string(&out->text);
    }
    if (c == 'n') {
      out->kind = Json::Kind::Null;
      return literal("null");
    }
    if (c == 't' || c == 'f') {
      out->kind = Json::Kind::Bool;
      out->boolean = c == 't';
      return literal(c == 't' ? "true" : "false");
    }
    if (c == '-' || isdigit(static_cast<unsigned char>(c))) {
      size_t end = pos_ + 1;
      while (end < text_.size() && isdigit(static_cast<unsigned char>(text_[end]))) ++end;
      out->kind = Json::Kind::Number;
      out->number = strtoll(text_.substr(pos_, end - pos_).c_str(), nullptr, 10);
      pos_ = end;
      return true;
    }
    return fail("unexpected character");
  }

  bool string(std::string* out) {
    ++pos_;  // opening quote
    out->clear();
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return fail("raw control character in a string");
      if (c != '\\') {
        out->push_back(c);
        continue;
      }
      if (pos_ >= text_.size()) break;
      const char e = text_[pos_++];
      if (e == 'u') {
        if (pos_ + 4 > text_.size()) return fail("short \\u escape");
        const long code = strtol(text_.substr(pos_, 4).c_str(), nullptr, 16);
        pos_ += 4;
        // Only what the tool writes: code points below 0x100, one byte each.
        if (code > 0xFF) return fail("\\u escape above 0xFF");
        out->push_back(static_cast<char>(code));
        continue;
      }
      // Each escape letter, then the byte it stands for.
      static const std::string kEscapes = "\"\"\\\\//b\bf\fn\nr\rt\t";
      size_t at = 0;
      while (at < kEscapes.size() && kEscapes[at] != e) at += 2;
      if (at >= kEscapes.size()) return fail("unknown escape");
      out->push_back(kEscapes[at + 1]);
    }
    return fail("unterminated string");
  }

  bool array(Json* out) {
    out->kind = Json::Kind::Array;
    ++pos_;
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == ']') {
      ++pos_;
      return true;
    }
    while (true) {
      Json item;
      skipSpace();
      if (!value(&item)) return false;
      out->items.push_back(std::move(item));
      skipSpace();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < text_.size() && text_[pos_] == ']') {
        ++pos_;
        return true;
      }
      return fail("expected , or ]");
    }
  }

  bool object(Json* out) {
    out->kind = Json::Kind::Object;
    ++pos_;
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == '}') {
      ++pos_;
      return true;
    }
    while (true) {
      skipSpace();
      if (pos_ >= text_.size() || text_[pos_] != '"') return fail("expected a key");
      std::string key;
      if (!string(&key)) return false;
      skipSpace();
      if (pos_ >= text_.size() || text_[pos_] != ':') return fail("expected :");
      ++pos_;
      skipSpace();
      Json member;
      if (!value(&member)) return false;
      out->members.emplace_back(std::move(key), std::move(member));
      skipSpace();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < text_.size() && text_[pos_] == '}') {
        ++pos_;
        return true;
      }
      return fail("expected , or }");
    }
  }

  const std::string& text_;
  size_t pos_ = 0;
  std::string error_;
};

}  // namespace

const Json& Json::operator[](const std::string& key) const {
  static const Json kNull;
  for (const auto& member : members) {
    if (member.first == key) return member.second;
  }
  return kNull;
}

bool Json::has(const std::string& key) const {
  for (const auto& member : members) {
    if (member.first == key) return true;
  }
  return false;
}

std::vector<std::string> Json::keys() const {
  std::vector<std::string> out;
  for (const auto& member : members) out.push_back(member.first);
  return out;
}

bool parseJson(const std::string& text, Json* out, std::string* error) {
  *out = Json();
  return Parser(text).document(out, error);
}
