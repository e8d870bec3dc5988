// One load, or one bare pass, of one named table, for instruction counts under callgrind:
//   valgrind --tool=callgrind --collect-atstart=no --toggle-collect='zentrik_measured_*'
//            --dump-after='zentrik_measured_floor' load_once TABLE [load|floor|both]
// Only the work inside the two measured functions is counted, not building the table. With both,
// the bare pass runs first and is dumped on its own (the output file with ".1" appended), then
// the load is counted into the output file itself.
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench_tables.h"
#include "bench/quiet_streams.h"
#include "platform/serving/served_firmware_table.h"
#include "reader/reader.h"
#include "reader/table_load.h"

extern "C" {

__attribute__((noinline)) void* zentrik_measured_load() {
  return getRecord(kProcessorCategory);
}

__attribute__((noinline)) int32_t zentrik_measured_floor(const uint8_t* bytes, uint32_t size) {
  return countStructures(bytes, size);
}
}

int main(int argc, char** argv) {
  const char* mode = argc == 3 ? argv[2] : "load";
  if (argc < 2 || argc > 3 ||
      (strcmp(mode, "load") != 0 && strcmp(mode, "floor") != 0 && strcmp(mode, "both") != 0)) {
    fprintf(stderr,
            "usage: load_once TABLE [load|floor|both]\n"
            "  TABLE: desktop, server, real:FILE, sweep:N (16..65535), adversarial:KIND\n");
    return 2;
  }
  const BenchTable t = tableByName(argv[1]);
  if (t.raw.empty()) {
    fprintf(stderr, "load_once: no table named %s\n", argv[1]);
    return 2;
  }
  const bool floor = strcmp(mode, "load") != 0;
  const bool load = strcmp(mode, "floor") != 0;
  int32_t counted = 0;
  {
    QuietStreams quiet;  // the load's diagnostics are not what is measured here
    if (floor) counted = zentrik_measured_floor(tableBytes(t), static_cast<uint32_t>(tableSize(t)));
    if (load) {
      platform::serveRawTable(t.raw.data(), t.raw.size());
      zentrik_measured_load();
    }
  }
  printf("%s: %zu structures, %zu bytes", t.name.c_str(), t.structures, tableSize(t));
  if (floor) printf(", counted %d", counted);
  printf("\n");
  return 0;
}
