// What the first GetCPUSerialNumber call of a process costs (the whole load of the firmware
// table), what every later call costs, and how the load grows with the table. Every load is paired
// with the bare pass that only counts the structures of the same bytes, so that the figures can be
// read as ratios within one run on a busy machine.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <climits>
#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_tables.h"
#include "bench/quiet_streams.h"
#include "bench/tracked_alloc.h"
#include "reader/reader.h"
#include "reader/table_load.h"
#include "reader/testing.h"
#include "records/record_store.h"

namespace {

const size_t kSweep[] = {16, 64, 256, 1024, 4096, 16384, 65535};

void setCounters(benchmark::State& state, const BenchTable& t) {
  using benchmark::Counter;
  state.counters["structures"] = static_cast<double>(t.structures);
  state.counters["bytes"] = static_cast<double>(tableSize(t));
  state.counters["per_structure"] = Counter(static_cast<double>(t.structures),
                                            Counter::kIsIterationInvariantRate | Counter::kInvert);
  state.counters["per_byte"] = Counter(static_cast<double>(tableSize(t)),
                                       Counter::kIsIterationInvariantRate | Counter::kInvert);
}

// Forgets the previous load and everything it allocated; not timed. The text arena is given back
// through its own release, so that it does not go on filling chunks that are freed under it.
void forgetLoad() {
  recordTexts.release();
  resetReaderForTesting();
  releaseTrackedAllocations();
}

// The whole first call: fetch through the platform layer, count, walk, decode.
void loadBench(benchmark::State& state, const BenchTable* t) {
  serveUntracked(t->raw.data(), t->raw.size());
  for (auto _ : state) {
    state.PauseTiming();
    forgetLoad();
    state.ResumeTiming();
    benchmark::DoNotOptimize(getRecord(kProcessorCategory));
  }
  forgetLoad();
  setCounters(state, *t);
}

// The floor: one pass over the same bytes that only finds where each structure ends.
void floorBench(benchmark::State& state, const BenchTable* t) {
  const uint8_t* bytes = tableBytes(*t);
  const auto size = static_cast<uint32_t>(tableSize(*t));
  for (auto _ : state) benchmark::DoNotOptimize(countStructures(bytes, size));
  setCounters(state, *t);
}

// Every later call: the table is loaded, getRecord only looks up.
void getRecordBench(benchmark::State& state, const BenchTable* t) {
  serveUntracked(t->raw.data(), t->raw.size());
  forgetLoad();
  getRecord(kProcessorCategory);
  for (auto _ : state) benchmark::DoNotOptimize(getRecord(kProcessorCategory));
  forgetLoad();
}

// Medians (or the single run) of every benchmark, by name, for the summary.
struct Figure {
  double cpuNs = 0;
  double structures = 0;
  double bytes = 0;
};

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  explicit SummaryReporter(std::ostream* summary)
      : benchmark::ConsoleReporter(OO_Tabular), summary_(summary) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.error_occurred || !(single || median)) continue;
      Figure f;
      const double toNs = 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      f.cpuNs = run.GetAdjustedCPUTime() * toNs;
      auto counter = [&](const char* name) {
        auto it = run.counters.find(name);
        return it != run.counters.end() ? it->second.value : 0.0;
      };
      f.structures = counter("structures");
      f.bytes = counter("bytes");
      figures_[run.run_name.function_name] = f;
    }
  }

  void Finalize() override;

 private:
  std::ostream* summary_;
  std::map<std::string, Figure> figures_;
};

std::string timeText(double ns) {
  char text[32];
  if (ns < 1e3) {
    snprintf(text, sizeof text, "%.1f ns", ns);
  } else if (ns < 1e6) {
    snprintf(text, sizeof text, "%.2f us", ns / 1e3);
  } else if (ns < 1e9) {
    snprintf(text, sizeof text, "%.2f ms", ns / 1e6);
  } else {
    snprintf(text, sizeof text, "%.2f s", ns / 1e9);
  }
  return text;
}

std::string fixed(double value, int decimals) {
  char text[32];
  snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string padded(const std::string& text, size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

void SummaryReporter::Finalize() {
  std::ostream& o = *summary_;
  auto has = [&](const std::string& name) { return figures_.count(name) != 0; };
  o << "\nSummary (medians of CPU time per operation; ratios within this run)\n\n";

  o << padded("load of", 40) << padded("structures", 11) << padded("bytes", 10)
    << padded("load", 11) << padded("bare pass", 11) << "load / bare pass\n";
  for (const auto& [name, f] : figures_) {
    if (name.rfind("load/", 0) != 0) continue;
    const std::string what = name.substr(5);
    if (what.rfind("sweep:", 0) == 0 || what.rfind("adversarial:", 0) == 0) continue;
    const std::string floorName = "floor/" + what;
    o << padded(what, 40) << padded(fixed(f.structures, 0), 11) << padded(fixed(f.bytes, 0), 10)
      << padded(timeText(f.cpuNs), 11);
    if (has(floorName)) {
      const Figure& fl = figures_[floorName];
      o << padded(timeText(fl.cpuNs), 11) << fixed(f.cpuNs / fl.cpuNs, 1) << "x";
    }
    o << "\n";
  }

  o << "\n"
    << padded("sweep", 10) << padded("bytes", 10) << padded("load", 11)
    << padded("per structure", 15) << padded("per byte", 10) << padded("bare pass", 11)
    << padded("load / bare", 12) << "per structure / at 256\n";
  const std::string at256 = "load/sweep:256";
  for (size_t n : kSweep) {
    const std::string what = "sweep:" + std::to_string(n);
    if (!has("load/" + what)) continue;
    const Figure& f = figures_["load/" + what];
    const double perStructure = f.cpuNs / f.structures;
    o << padded(std::to_string(n), 10) << padded(fixed(f.bytes, 0), 10)
      << padded(timeText(f.cpuNs), 11) << padded(timeText(perStructure), 15)
      << padded(timeText(f.cpuNs / f.bytes), 10);
    if (has("floor/" + what)) {
      const Figure& fl = figures_["floor/" + what];
      o << padded(timeText(fl.cpuNs), 11) << padded(fixed(f.cpuNs / fl.cpuNs, 1) + "x", 12);
    }
    if (has(at256)) {
      const Figure& base = figures_[at256];
      o << fixed(perStructure / (base.cpuNs / base.structures), 2);
    }
    o << "\n";
  }

  const std::string typical = "load/sweep:65535";
  o << "\n"
    << padded("adversarial (bytes of sweep 65535)", 36) << padded("structures", 11)
    << padded("load", 11) << padded("bare pass", 11) << padded("load / bare", 12)
    << "load / sweep 65535\n";
  for (const std::string& kind : adversarialKinds()) {
    const std::string what = "adversarial:" + kind;
    if (!has("load/" + what)) continue;
    const Figure& f = figures_["load/" + what];
    o << padded(kind, 36) << padded(fixed(f.structures, 0), 11) << padded(timeText(f.cpuNs), 11);
    if (has("floor/" + what)) {
      const Figure& fl = figures_["floor/" + what];
      o << padded(timeText(fl.cpuNs), 11) << padded(fixed(f.cpuNs / fl.cpuNs, 1) + "x", 12);
    }
    if (has(typical)) o << fixed(f.cpuNs / figures_[typical].cpuNs, 2) << "x";
    o << "\n";
  }

  o << "\nafter the load\n";
  if (has("getRecord/after the load"))
    o << padded("getRecord(9)", 40) << timeText(figures_["getRecord/after the load"].cpuNs) << "\n";
  if (has("native/GetCPUSerialNumber")) {
    const double native = figures_["native/GetCPUSerialNumber"].cpuNs;
    o << padded("GetCPUSerialNumber (the native)", 40) << timeText(native) << "\n";
    if (has("copies/GetCPUSerialNumber")) {
      const double copies = figures_["copies/GetCPUSerialNumber"].cpuNs;
      o << padded("  its three string copies alone", 40) << padded(timeText(copies), 11)
        << fixed(100 * copies / native, 0) << "% of the call\n";
    }
  }
  o.flush();
}

}  // namespace

// Registers native-call benchmarks where the package is built in; see native_bench.cpp.
void registerNativeBenchmarks(const BenchTable* table);

int main(int argc, char** argv) {
  // What the loads give back between two runs stays with the process. glibc never hands small
  // blocks back to the kernel, but it does hand back the top of the heap after a large free such
  // as one of the text arena's chunks, so that every run would fault in its pages afresh. The
  // one load of a real process faults in what it touches either way; here the runs compare the
  // work of a load, whatever the size of the blocks it takes.
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
  mallopt(M_MMAP_THRESHOLD, INT_MAX);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  static std::deque<BenchTable> tables;
  auto add = [](BenchTable t) -> const BenchTable* {
    tables.push_back(std::move(t));
    return &tables.back();
  };
  auto registerPair = [](const BenchTable* t) {
    benchmark::RegisterBenchmark(("load/" + t->name).c_str(), loadBench, t)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("floor/" + t->name).c_str(), floorBench, t)
        ->Unit(benchmark::kMicrosecond);
  };

  // The later calls run on the desktop sample, or on a small generated table without it.
  const BenchTable* desktop = add(sampleTable("desktop"));
  if (!desktop->raw.empty()) registerPair(desktop);
  const BenchTable* server = add(sampleTable("server"));
  if (!server->raw.empty()) registerPair(server);
  for (BenchTable& t : realTables()) registerPair(add(std::move(t)));
  const BenchTable* afterLoad = desktop->raw.empty() ? add(sweepTable(16)) : desktop;

  benchmark::RegisterBenchmark("getRecord/after the load", getRecordBench, afterLoad)
      ->Unit(benchmark::kNanosecond);
  registerNativeBenchmarks(afterLoad);

  size_t typicalBytes = 0;
  for (size_t n : kSweep) {
    const BenchTable* t = add(sweepTable(n));
    registerPair(t);
    typicalBytes = tableSize(*t);
  }
  for (const std::string& kind : adversarialKinds()) {
    registerPair(add(adversarialTable(kind, typicalBytes)));
  }

  QuietStreams quiet;
  SummaryReporter reporter(&quiet.out);
  reporter.SetOutputStream(&quiet.err);
  reporter.SetErrorStream(&quiet.err);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
