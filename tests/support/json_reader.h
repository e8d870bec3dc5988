// A small JSON reader for tests that check what a program printed: objects keep their keys in
// order, numbers are read as integers (all the tool prints), strings are unescaped to bytes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct Json {
  enum class Kind { Null, Number, String, Array, Object, Bool };
  Kind kind = Kind::Null;
  int64_t number = 0;
  bool boolean = false;
  std::string text;
  std::vector<Json> items;                            // Array
  std::vector<std::pair<std::string, Json>> members;  // Object, in the order read

  // The member of that key; a Null value when there is none.
  const Json& operator[](const std::string& key) const;
  std::vector<std::string> keys() const;
  bool has(const std::string& key) const;
};

// Parses the whole text (surrounding white space allowed). False with a reason on bad JSON.
bool parseJson(const std::string& text, Json* out, std::string* error);
