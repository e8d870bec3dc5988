// make_dump RSMB OUT: writes the table of a raw-layout file as a dump file (a "_SM3_" entry point
// at offset 0, the table at 0x20), the layout systemd's dmi_memory_id -F reads, for the start-up
// comparison of ./benchmark.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/raw_header.h"
#include "tests/support/table_files.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: make_dump RSMB OUT\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const Bytes raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  RawHeader header;
  if (!readRawHeader(raw.data(), raw.size(), &header)) {
    fprintf(stderr, "make_dump: %s holds no rsmb header\n", argv[1]);
    return 1;
  }
  const Bytes table(raw.begin() + kRawHeaderSize, raw.end());
  const Bytes dump =
      dumpFile(entryPoint64(3, 2, 0, static_cast<uint32_t>(table.size()), 0x20), table);
  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(dump.data()), static_cast<std::streamsize>(dump.size()));
  if (!out) {
    fprintf(stderr, "make_dump: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
