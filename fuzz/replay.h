// What a harness's replay program does besides the harness (fuzz/replay_main.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

// Runs after the harness on every input, the allocation failures included: the paths the fuzzer
// leaves out because they are slow or reach beyond the process (files, folders, standard input).
// Aborts with a one-line reason when a check fails. A harness that defines none does nothing more.
void replayAlso(const uint8_t* data, size_t size);
