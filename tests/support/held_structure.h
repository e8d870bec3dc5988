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

// A text made of facts as it stands, or "(null)" where there is none.
inline std::string made(const FieldText& text) {
  return text.text != nullptr ? std::string(text.text, text.length) : "(null)";
}
