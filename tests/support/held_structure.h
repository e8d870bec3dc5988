// One structure held in an exactly sized buffer, so that the sanitizers see any read past it,
// described by the header a decoder receives.
#pragma once

#include <cstring>
#include <memory>

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
