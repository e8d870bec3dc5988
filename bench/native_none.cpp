// Built when the package is not part of this build: there is no native call to measure.
#include "bench/bench_tables.h"

void registerNativeBenchmarks(const BenchTable*) {}
