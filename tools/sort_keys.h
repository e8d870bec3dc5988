// Sorting without the C++ standard library: heapsort of 64-bit keys, for the groupings the reports
// make (devices by the array they name, processors by their ID) in O(n log n) on any table.
#pragma once

#include <stddef.h>
#include <stdint.h>

inline void sortKeys(uint64_t* keys, size_t count) {
  auto siftDown = [keys](size_t root, size_t end) {
    for (size_t child; (child = 2 * root + 1) < end; root = child) {
      if (child + 1 < end && keys[child + 1] > keys[child]) ++child;
      if (keys[root] >= keys[child]) return;
      const uint64_t swapped = keys[root];
      keys[root] = keys[child];
      keys[child] = swapped;
    }
  };
  for (size_t i = count / 2; i-- > 0;) siftDown(i, count);
  for (size_t end = count; end > 1; --end) {
    const uint64_t largest = keys[0];
    keys[0] = keys[end - 1];
    keys[end - 1] = largest;
    siftDown(0, end - 1);
  }
}
