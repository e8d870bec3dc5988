// The reader's diagnostics, one table of them: every text the one-time load writes about a broken
// table, exactly as it writes it, with the stream it goes to and the name programs test. The load
// writes each message from here; the tool reads back what it wrote with the same table.
#pragma once

#include <stddef.h>
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
};

inline constexpr DiagnosticText kReaderDiagnostics[] = {
    {DiagnosticKind::kLengthFixedUp, "lengthFixedUp", DiagnosticStream::Stderr,
     "Invalid entry length (%u). Fixed up to %u.\n"},
    {DiagnosticKind::kSecondMemoryArray, "secondMemoryArray", DiagnosticStream::Stdout,
     "BiosReader: trying to over allocate!"},
    {DiagnosticKind::kLengthBelowHeader, "lengthBelowHeader", DiagnosticStream::Stderr,
     "Invalid entry length (%u). DMI table is broken! Stop.\n\n"},
    {DiagnosticKind::kStructureTruncated, "structureTruncated", DiagnosticStream::Stdout,
     "\t<TRUNCATED>\n"},
    {DiagnosticKind::kTruncationSeparator, "truncationSeparator", DiagnosticStream::Stdout, "\n"},
    {DiagnosticKind::kStructureCountMismatch, "structureCountMismatch", DiagnosticStream::Stderr,
     "Wrong DMI structures count: %d announced, only %d decoded.\n"},
    {DiagnosticKind::kTableLengthMismatch, "tableLengthMismatch", DiagnosticStream::Stderr,
     "Wrong DMI structures length: %u bytes announced, structures occupy %lu bytes.\n"},
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

// Writes the message of kind, one without numbers, to its stream. Inline: a table of many
// memory arrays writes one for each after the first, and the call then costs what writing the
// text costs.
inline void writeDiagnostic(DiagnosticKind kind) {
  const DiagnosticText& message = kReaderDiagnostics[static_cast<size_t>(kind)];
  fputs(message.format, message.stream == DiagnosticStream::Stdout ? stdout : stderr);
}

// Prints the message of kind to its stream, with the numbers its format names: unsigned for %u,
// int for %d, unsigned long for %lu.
void printDiagnostic(DiagnosticKind kind, ...);
