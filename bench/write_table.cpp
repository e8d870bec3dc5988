// write_table TABLE OUT [rsmb|bare]: writes a benchmark table (any name load_once takes) to a
// file in the rsmb layout or as the bare structure table, for the tool's whole-process
// measurements of ./benchmark.
#include <cstdio>
#include <cstring>

#include "bench/bench_tables.h"

int main(int argc, char** argv) {
  const char* layout = argc == 4 ? argv[3] : "rsmb";
  if (argc < 3 || argc > 4 || (strcmp(layout, "rsmb") != 0 && strcmp(layout, "bare") != 0)) {
    fprintf(stderr, "usage: write_table TABLE OUT [rsmb|bare]\n");
    return 2;
  }
  const BenchTable t = tableByName(argv[1]);
  if (t.raw.empty()) {
    fprintf(stderr, "write_table: no table named %s\n", argv[1]);
    return 2;
  }
  const bool bare = strcmp(layout, "bare") == 0;
  const uint8_t* bytes = bare ? tableBytes(t) : t.raw.data();
  const size_t size = bare ? tableSize(t) : t.raw.size();
  FILE* out = fopen(argv[2], "wb");
  if (out == nullptr || fwrite(bytes, 1, size, out) != size || fclose(out) != 0) {
    fprintf(stderr, "write_table: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
