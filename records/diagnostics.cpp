#include "records/diagnostics.h"

#include "base/decimal.h"

DiagnosticObserver diagnosticObserver = nullptr;
void* diagnosticObserverContext = nullptr;

void observeDiagnostics(DiagnosticObserver observer, void* context) {
  diagnosticObserver = observer;
  diagnosticObserverContext = context;
}

namespace {

// Writes value in decimal, a minus sign first when it is negative, as %u, %d and %lu write the
// values of their types; returns the end.
char* writeNumber(char* out, int64_t value) {
  uint64_t magnitude = static_cast<uint64_t>(value);
  if (value < 0) {
    *out++ = '-';
    magnitude = 0 - magnitude;
  }
  return writeDecimal(out, magnitude);
}

}  // namespace

size_t formatDiagnostic(DiagnosticKind kind, DiagnosticNumbers numbers, char* text,
                        size_t capacity) {
  const int64_t values[] = {numbers.first, numbers.second};
  size_t used = 0;
  size_t next = 0;
  auto put = [&](const char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i, ++used) {
      if (used + 1 < capacity) text[used] = bytes[i];
    }
  };
  for (const char* f = kReaderDiagnostics[static_cast<size_t>(kind)].format; *f != '\0'; ++f) {
    if (*f != '%') {
      put(f, 1);
      continue;
    }
    // %u, %d or %lu: the formats hold no other conversion.
    if (*++f == 'l') ++f;
    char digits[21];
    const int64_t value = next < 2 ? values[next++] : 0;
    put(digits, static_cast<size_t>(writeNumber(digits, value) - digits));
  }
  if (capacity > 0) text[used < capacity ? used : capacity - 1] = '\0';
  return used;
}

void writeNumberedDiagnostic(DiagnosticKind kind, DiagnosticNumbers numbers) {
  char text[kDiagnosticTextCapacity];
  formatDiagnostic(kind, numbers, text, sizeof text);
  const DiagnosticText& message = kReaderDiagnostics[static_cast<size_t>(kind)];
  fputs(text, message.stream == DiagnosticStream::Stdout ? stdout : stderr);
}
