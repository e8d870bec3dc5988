// Test-only seam: linked into tests, fuzzers and benchmarks, never into the package or the tool.
#pragma once

// Forgets the load: the next getRecord reads the firmware table again, into empty records.
void resetReaderForTesting();
