#include "tests/support/table_files.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace {

// Sets the byte at where so that bytes from to end add up to 0, as the standard's checksums do.
void checksum(Bytes* bytes, size_t where, size_t from, size_t end) {
  uint8_t sum = 0;
  (*bytes)[where] = 0;
  for (size_t i = from; i < end; ++i) sum = static_cast<uint8_t>(sum + (*bytes)[i]);
  (*bytes)[where] = static_cast<uint8_t>(0x100 - sum);
}

}  // namespace

Bytes entryPoint32(uint8_t major, uint8_t minor, uint16_t tableLength, uint32_t tableAddress) {
  Bytes ep(31, 0);
  const char anchor[] = "_SM_";
  const char intermediate[] = "_DMI_";
  for (size_t i = 0; i < 4; ++i) ep[i] = static_cast<uint8_t>(anchor[i]);
  ep[0x05] = 0x1F;  // entry point length
  ep[0x06] = major;
  ep[0x07] = minor;
  for (size_t i = 0; i < 5; ++i) ep[0x10 + i] = static_cast<uint8_t>(intermediate[i]);
  putLe(&ep, 0x16, tableLength);
  putLe(&ep, 0x18, tableAddress);
  checksum(&ep, 0x15, 0x10, ep.size());  // intermediate
  checksum(&ep, 0x04, 0, ep.size());
  return ep;
}

Bytes entryPoint64(uint8_t major, uint8_t minor, uint8_t docrev, uint32_t maximumSize,
                   uint64_t tableAddress) {
  Bytes ep(24, 0);
  const char anchor[] = "_SM3_";
  for (size_t i = 0; i < 5; ++i) ep[i] = static_cast<uint8_t>(anchor[i]);
  ep[0x06] = 0x18;  // entry point length
  ep[0x07] = major;
  ep[0x08] = minor;
  ep[0x09] = docrev;
  ep[0x0A] = 0x01;  // entry point revision
  putLe(&ep, 0x0C, maximumSize);
  putLe(&ep, 0x10, tableAddress);
  checksum(&ep, 0x05, 0, ep.size());
  return ep;
}

Bytes dumpFile(const Bytes& entryPoint, const Bytes& table) {
  Bytes out = entryPoint;
  out.resize(0x20, 0);
  out.insert(out.end(), table.begin(), table.end());
  return out;
}

TempDir::TempDir() {
  // A folder nobody else has: random names until one is new (Windows has no mkdtemp).
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    snprintf(name, sizeof name, "zentrik-test-%08x", static_cast<unsigned>(random()));
    const std::filesystem::path candidate = std::filesystem::temp_directory_path() / name;
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      dir_ = candidate.string();
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string TempDir::write(const std::string& name, const Bytes& bytes) const {
  const std::string file = path(name);
  FILE* out = fopen(file.c_str(), "wb");
  if (out == nullptr) throw std::runtime_error("cannot write " + file);
  fwrite(bytes.data(), 1, bytes.size(), out);
  fclose(out);
  return file;
}
