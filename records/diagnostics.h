// The reader's diagnostics, one table of them: every text the one-time load writes about a broken
// table, exactly as it writes it, with the stream it goes to and the name programs test; and the
// one writer the load writes each of them through. By default the writer writes to the streams;
// a program that wants the messages themselves (the tool) observes them instead, kind and
// numbers, and nothing is written.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// In the order the load can write them.
enum class DiagnosticKind : int {
  kLengthFixedUp,
  kSecondMemoryArray,
  kLengthBelowHeader,
  kStructureTruncated,
  kTruncationSeparator,  // the empty line after a cut structure: framing only
  kStructureCountMismatch,
  kTableLengthMismatch,
};

enum class DiagnosticStream { Stdout, Stderr };

struct DiagnosticText {
  DiagnosticKind kind;
  const char* name;  // what programs test: "lengthBelowHeader", ...
  DiagnosticStream stream;
  // Exactly as the reader writes it, line feeds and tab included; %u, %d and %lu stand for the
  // numbers in it.
  const char* format;
  bool numbered;  // the format names numbers
};

inline constexpr DiagnosticText kReaderDiagnostics[] = {
    {DiagnosticKind::kLengthFixedUp, "lengthFixedUp", DiagnosticStream::Stderr,
     "Invalid entry length (%u). Fixed up to %u.\n", true},
    {DiagnosticKind::kSecondMemoryArray, "secondMemoryArray", DiagnosticStream::Stdout,
     "BiosReader: trying to over allocate!", false},
    {DiagnosticKind::kLengthBelowHeader, "lengthBelowHeader", DiagnosticStream::Stderr,
     "Invalid entry length (%u). DMI table is broken! Stop.\n\n", true},
    {DiagnosticKind::kStructureTruncated, "structureTruncated", DiagnosticStream::Stdout,
     "\t<TRUNCATED>\n", false},
    {DiagnosticKind::kTruncationSeparator, "truncationSeparator", DiagnosticStream::Stdout, "\n",
     false},
    {DiagnosticKind::kStructureCountMismatch, "structureCountMismatch", DiagnosticStream::Stderr,
     "Wrong DMI structures count: %d announced, only %d decoded.\n", true},
    {DiagnosticKind::kTableLengthMismatch, "tableLengthMismatch", DiagnosticStream::Stderr,
     "Wrong DMI structures length: %u bytes announced, structures occupy %lu bytes.\n", true},
};
inline constexpr size_t kReaderDiagnosticCount =
    sizeof kReaderDiagnostics / sizeof kReaderDiagnostics[0];

// Each message is found by its kind.
constexpr bool indexedByKind() {
  for (size_t i = 0; i < kReaderDiagnosticCount; ++i) {
    if (static_cast<size_t>(kReaderDiagnostics[i].kind) != i) return false;
  }
  return true;
}
static_assert(indexedByKind(), "one message per kind, in the order of the kinds");

// Every format with numbers says so, and only those.
constexpr bool numberedAsTheirFormats() {
  for (const DiagnosticText& message : kReaderDiagnostics) {
    bool percent = false;
    for (const char* c = message.format; *c != '\0'; ++c) percent = percent || *c == '%';
    if (percent != message.numbered) return false;
  }
  return true;
}
static_assert(numberedAsTheirFormats(), "numbered exactly where the format names numbers");

// The numbers of one message, as many as its format names, in its order, each already a value of
// the type its conversion takes (unsigned for %u, int for %d, unsigned long for %lu). None is
// negative: the counts the load reports with %d are below 2^16 and 2^30.
struct DiagnosticNumbers {
  uint64_t first;
  uint64_t second;
};

// Receives each message of the load in place of the streams.
typedef void (*DiagnosticObserver)(DiagnosticKind kind, DiagnosticNumbers numbers, void* context);

// From now on every message goes to observer, with context, and none to the streams; a null
// observer sends them to the streams again. Process-wide, as the load is: set it before the load
// and clear it after.
void observeDiagnostics(DiagnosticObserver observer, void* context);

// The room the longest message takes with its numbers, the NUL included.
constexpr size_t kDiagnosticTextCapacity = 128;
constexpr size_t kLongestDiagnosticNumber = 20;  // digits of 2^64 - 1

// Every format names at most two numbers, and fits its room with the longest of them.
constexpr bool fitsItsRoom() {
  for (const DiagnosticText& message : kReaderDiagnostics) {
    size_t length = 0;
    size_t numbers = 0;
    for (const char* c = message.format; *c != '\0'; ++c, ++length) numbers += *c == '%';
    if (numbers > 2 || length + numbers * kLongestDiagnosticNumber >= kDiagnosticTextCapacity) {
      return false;
    }
  }
  return true;
}
static_assert(fitsItsRoom(), "two numbers at most, and room for the longest message");

// The message of kind with its numbers, exactly as the writer writes it, NUL-terminated; returns
// its length.
size_t formatDiagnostic(DiagnosticKind kind, DiagnosticNumbers numbers,
                        char (&text)[kDiagnosticTextCapacity]);

extern DiagnosticObserver diagnosticObserver;
extern void* diagnosticObserverContext;
// Writes a message that has numbers to stream.
void writeNumberedDiagnostic(DiagnosticKind kind, DiagnosticNumbers numbers, FILE* stream);

// The one writer: the message of kind with the numbers its format names, to the observer, or
// else to its stream. Inline: a table of many memory arrays writes one message for each after
// the first, and the call then costs what writing the text costs.
inline void writeDiagnostic(DiagnosticKind kind, DiagnosticNumbers numbers = {0, 0}) {
  if (diagnosticObserver != nullptr) {
    diagnosticObserver(kind, numbers, diagnosticObserverContext);
    return;
  }
  const DiagnosticText& message = kReaderDiagnostics[static_cast<size_t>(kind)];
  FILE* const stream = message.stream == DiagnosticStream::Stdout ? stdout : stderr;
  if (message.numbered) {
    writeNumberedDiagnostic(kind, numbers, stream);
  } else {
    fputs(message.format, stream);
  }
}
