// Runs a fuzz harness over saved inputs without libFuzzer, on any compiler: every file named and
// every file under each folder named, in sorted order. Each input runs once as it is, then once
// more for every heap allocation that run made (up to 64, then a spread), with that one failing. A
// harness's replay may add what the fuzzer leaves out for speed (replayAlso). A failing input
// aborts, as in the fuzzer; the last "input:" line on standard error names it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/load_allocations.h"
#include "fuzz/replay.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Nothing more, for a harness without a replay of its own.
__attribute__((weak)) void replayAlso(const uint8_t*, size_t) {}

namespace fs = std::filesystem;

namespace {

constexpr unsigned long kFailedPerInput = 64;

// The harness and its replay's own checks on one input, with allocation failAt failing (0: none).
// Returns how many allocations the run made.
unsigned long runOnce(const std::vector<uint8_t>& bytes, unsigned long failAt) {
  loadAllocations = {0, failAt, false};
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  replayAlso(bytes.data(), bytes.size());
  const unsigned long made = loadAllocations.made;
  loadAllocations = {0, 0, false};
  return made;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path path = argv[i];
    if (fs::is_directory(path)) {
      for (const auto& entry : fs::recursive_directory_iterator(path)) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
    } else if (fs::is_regular_file(path)) {
      inputs.push_back(path);
    } else {
      fprintf(stderr, "no such file or folder: %s\n", argv[i]);
      return 2;
    }
  }
  std::sort(inputs.begin(), inputs.end());
  if (inputs.empty()) {
    fprintf(stderr, "no inputs to replay\n");
    return 2;
  }
  unsigned long failedRuns = 0;
  for (const fs::path& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
      fprintf(stderr, "cannot read %s\n", path.c_str());
      return 2;
    }
    fprintf(stderr, "input: %s\n", path.c_str());
    const unsigned long made = runOnce(bytes, 0);
    // Every allocation of an ordinary input; of one that makes thousands, a spread of them, the
    // first and the last among them, lest the replay take quadratic time.
    const unsigned long step =
        made <= kFailedPerInput ? 1 : (made + kFailedPerInput - 1) / kFailedPerInput;
    for (unsigned long k = 1; k <= made; k += step) {
      runOnce(bytes, k);
      ++failedRuns;
    }
    if (step > 1 && (made - 1) % step != 0) {
      runOnce(bytes, made);
      ++failedRuns;
    }
  }
  fprintf(stderr, "replayed %zu inputs, and %lu runs with one allocation failed\n", inputs.size(),
          failedRuns);
  return 0;
}
