// raw_seeds OUTDIR FILE...: writes each file to OUTDIR under its own name, wrapped in the 8-byte
// rsmb header (SMBIOS 3.2, the file's length) as if the whole file were the structure table: seeds
// for the load harness from real machines' tables, whatever their layout.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "base/raw_header.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: raw_seeds OUTDIR FILE...\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const std::vector<uint8_t> table((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
      fprintf(stderr, "raw_seeds: cannot read %s\n", argv[i]);
      return 1;
    }
    uint8_t header[kRawHeaderSize];
    writeRawHeader({0, 3, 2, 0, static_cast<uint32_t>(table.size())}, header);
    std::ofstream seed(out / std::filesystem::path(argv[i]).filename(), std::ios::binary);
    seed.write(reinterpret_cast<const char*>(header), sizeof header);
    seed.write(reinterpret_cast<const char*>(table.data()),
               static_cast<std::streamsize>(table.size()));
    if (!seed) {
      fprintf(stderr, "raw_seeds: cannot write the seed of %s\n", argv[i]);
      return 1;
    }
  }
  return 0;
}
