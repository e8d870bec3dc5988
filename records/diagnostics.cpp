#include "records/diagnostics.h"

#include <stdarg.h>
#include <stdio.h>

void writeDiagnostic(DiagnosticKind kind, ...) {
  const DiagnosticText& message = kReaderDiagnostics[static_cast<size_t>(kind)];
  FILE* const stream = message.stream == DiagnosticStream::Stdout ? stdout : stderr;
  if (message.plain) {
    fputs(message.format, stream);
    return;
  }
  va_list args;
  va_start(args, kind);
  vfprintf(stream, message.format, args);
  va_end(args);
}
