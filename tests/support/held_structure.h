// One structure held in an exactly sized buffer, so that the sanitizers see any read past it,
// described by the header a decoder receives.
#pragma once

#include <cstring>
#include <memory>
#include <string>

#include "decoders/facts.h"
#include "structures/structure.h"
#include "tests/support/table_builder.h"

class HeldStructure {
 public:
  explicit HeldStructure(const Bytes& bytes)
      : buffer_(new uint8_t[bytes.size()]), size_(bytes.size()) {
    std::memcpy(buffer_.get(), bytes.data(), bytes.size());
  }
  StructureHeader header() const {
    return {buffer_[0], buffer_[1], 0, buffer_.get(), static_cast<uint32_t>(size_)};
  }
  const uint8_t* bytes() const { return buffer_.get(); }

 private:
  std::unique_ptr<uint8_t[]> buffer_;
  size_t size_;
};

// One structure held as above and read into its facts by read, which point into it.
template <typename Facts>
class HeldFacts {
 public:
  HeldFacts(const Bytes& bytes, void (*read)(const StructureHeader*, Facts*)) : held_(bytes) {
    const StructureHeader header = held_.header();
    read(&header, &facts_);
  }
  const Facts& operator*() const { return facts_; }
  const Facts* operator->() const { return &facts_; }

 private:
  HeldStructure held_;
  Facts facts_;
};

// The string lookup one number at a time, as its algorithm reads: "Not Specified" for 0, the
// string with its unprintable bytes rewritten as '.' in place, or "<BAD INDEX>" where the
// structure has no such string (also where it runs past the end of the table). The model the
// one-pass lookups of the decoders are held against.
inline std::string modelString(const StructureHeader* header, uint8_t number) {
  if (number == 0) return "Not Specified";
  const std::string bad = "<BAD INDEX>";
  if (header->length > header->available) return bad;
  uint8_t* s = header->data + header->length;
  uint8_t* const end = header->data + header->available;
  auto stringEnd = [end](uint8_t* from) {
    while (from < end && *from != 0) ++from;
    return from;
  };
  for (; number > 1 && s < end && *s != 0; --number) {
    uint8_t* nul = stringEnd(s);
    if (nul == end) return bad;
    s = nul + 1;
  }
  if (s >= end || *s == 0) return bad;
  uint8_t* const nul = stringEnd(s);
  if (nul == end) return bad;
  for (uint8_t* p = s; p < nul; ++p) {
    if (*p < 0x20 || *p > 0x7E) *p = '.';
  }
  return std::string(s, nul);
}

// A text made of facts as it stands, or "(null)" where there is none.
inline std::string made(const FieldText& text) {
  return text.text != nullptr ? std::string(text.text, text.length) : "(null)";
}
