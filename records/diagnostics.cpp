#include "records/diagnostics.h"

#include <stdarg.h>

void printDiagnostic(DiagnosticKind kind, ...) {
  const DiagnosticText& message = kReaderDiagnostics[static_cast<size_t>(kind)];
  FILE* const stream = message.stream == DiagnosticStream::Stdout ? stdout : stderr;
  va_list args;
  va_start(args, kind);
  vfprintf(stream, message.format, args);
  va_end(args);
}
