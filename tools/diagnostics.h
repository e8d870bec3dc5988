// The reader's diagnostics as the tool shows them: each message the one-time load wrote about a
// broken table, found in the reader's table of them (records/diagnostics.h), with what it means.
// The reports for people and the JSON both explain each message from here.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include "records/diagnostics.h"
#include "tools/growable_array.h"
#include "tools/json_writer.h"

// What the message of kind means, in a sentence; null for framing, never shown (the empty line
// after a cut structure).
const char* diagnosticMeaning(DiagnosticKind kind);

// The length of the message at the start of text: that of the first entry whose format matches
// it (its stream matching where stream is not null), with *entry set to that entry; otherwise
// the text up to and including its next line feed (or its end), with *entry null. 0 at the end.
size_t nextDiagnostic(const char* text, const DiagnosticStream* stream,
                      const DiagnosticText** entry);

// One message as the reports show it: without the tab in front and the line feeds behind it,
// with the number of times it came in a row.
struct Diagnostic {
  const DiagnosticText* entry;  // null: a text the table does not hold
  DiagnosticStream stream;
  const char* text;  // points into what the load wrote
  size_t length;
  unsigned times;
};

// Every message the load wrote, those on standard output first, runs of one message as one.
// The texts handed in must outlive the list; null texts say that the load's output could not be
// captured (it went to standard error as written).
class DiagnosticList {
 public:
  DiagnosticList(const char* loadStdout, const char* loadStderr);
  DiagnosticList(const DiagnosticList&) = delete;
  DiagnosticList& operator=(const DiagnosticList&) = delete;

  const GrowableArray<Diagnostic>& messages() const { return messages_; }

  bool captured() const { return captured_; }

  // After a blank line, the heading "Diagnostics" and each message with a line on what it means;
  // nothing when there is none.
  void writeText(FILE* out) const;
  // "diagnostics": an array of objects: kind, stream, text, times, meaning; null when the
  // output was not captured.
  void writeJson(JsonWriter& json) const;

 private:
  void add(const char* written, DiagnosticStream stream);

  GrowableArray<Diagnostic> messages_;
  bool captured_;
};

// Copies what the load wrote to both streams, in the order written, to out, with a line feed
// after each message of the reader that ends without one, so that no two share a line.
void writeMessagesOnTheirOwnLines(FILE* out, const char* written);
