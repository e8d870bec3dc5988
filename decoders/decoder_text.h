// Checks shared by the decoders that build texts in fixed-size work buffers.
#pragma once

#include <stddef.h>
#include <string.h>

#include "reader/record_store.h"

// True when formatText reported a text that fits its buffer whole; a cut-short text is never
// stored.
inline bool textFits(int needed, size_t capacity) {
  return needed >= 0 && static_cast<size_t>(needed) < capacity;
}

// appendLine, but only when the line feed, text and terminator fit behind the current text.
inline bool appendLineWithin(char* buffer, size_t capacity, const char* text) {
  const size_t used = strlen(buffer);
  if (used + 1 + strlen(text) + 1 > capacity) return false;
  appendLine(buffer, text);
  return true;
}
