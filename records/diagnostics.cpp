#include "records/diagnostics.h"

#include "base/decimal.h"

DiagnosticObserver diagnosticObserver = nullptr;
void* diagnosticObserverContext = nullptr;

void observeDiagnostics(DiagnosticObserver observer, void* context) {
  diagnosticObserver = observer;
  diagnosticObserverContext = context;
}

size_t formatDiagnostic(DiagnosticKind kind, DiagnosticNumbers numbers,
                        char (&text)[kDiagnosticTextCapacity]) {
  const uint64_t values[] = {numbers.first, numbers.second};
  const uint64_t* value = values;
  char* out = text;
  // Each format fits its room with its numbers (fitsItsRoom), and names two at most.
  for (const char* f = kReaderDiagnostics[static_cast<size_t>(kind)].format; *f != '\0'; ++f) {
    if (*f != '%') {
      *out++ = *f;
      continue;
    }
    // %u, %d or %lu: the formats hold no other conversion.
    if (*++f == 'l') ++f;
    out = writeDecimal(out, *value++);
  }
  *out = '\0';
  return static_cast<size_t>(out - text);
}

void writeNumberedDiagnostic(DiagnosticKind kind, DiagnosticNumbers numbers, FILE* stream) {
  char text[kDiagnosticTextCapacity];
  formatDiagnostic(kind, numbers, text);
  fputs(text, stream);
}
