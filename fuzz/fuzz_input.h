// What every fuzz harness takes as its input.
#pragma once

#include <cstddef>

// The largest input a harness runs: real tables are a few KiB, and larger inputs only slow the
// fuzzer down.
constexpr size_t kLargestFuzzInput = 1u << 20;
