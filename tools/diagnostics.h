// The load's diagnostics as the tool shows them: each message the one-time load writes about a
// broken table, observed as it is written (records/diagnostics.h), with what it means; and what
// the tool itself finds wrong in the table's structures. The reports for people and the JSON both
// explain each message from here.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include "base/text_buffer.h"
#include "records/diagnostics.h"
#include "tools/growable_array.h"
#include "tools/json_writer.h"

// What the message of kind means, in a sentence; null for framing, never shown (the empty line
// after a cut structure).
const char* diagnosticMeaning(DiagnosticKind kind);

// The load's messages observed rather than written (tools/observed_load.h): each message with
// its kind, and exactly what the load would have written to each stream.
class LoadMessages {
 public:
  struct Message {
    DiagnosticKind kind;
    DiagnosticStream stream;
    size_t offset;  // of its text in written(stream)
    size_t length;
  };

  // The load's diagnostic observer, with these messages as context.
  static void observe(DiagnosticKind kind, DiagnosticNumbers numbers, void* messages);

  const char* written(DiagnosticStream stream) const;
  const GrowableArray<Message>& messages() const { return messages_; }
  // Memory ran out: some message may be missing or cut short.
  bool failed() const { return failed_; }

 private:
  TextBuffer out_;
  TextBuffer err_;
  GrowableArray<Message> messages_;
  bool failed_ = false;
};

// A diagnostic observer that writes each message to standard error as it comes, whatever its
// stream, on a line of its own (a line feed after each that ends without one).
void writeOntoStderr(DiagnosticKind kind, DiagnosticNumbers numbers, void* context);

// One message as the reports show it: without the tab in front and the line feeds behind it,
// with the number of times it came in a row.
struct Diagnostic {
  const char* kind;     // what programs test: "lengthBelowHeader", ..., "badStringNumber"
  const char* stream;   // "stdout" or "stderr"; null for what the tool found itself
  const char* meaning;  // what it means, in a sentence
  size_t offset;        // of its text in the list's texts
  size_t length;
  unsigned times;
};

// Every message the load wrote, those on standard output first, runs of one message as one;
// then what the tool found itself, in the order found.
class DiagnosticList {
 public:
  explicit DiagnosticList(const LoadMessages& load);
  DiagnosticList(const DiagnosticList&) = delete;
  DiagnosticList& operator=(const DiagnosticList&) = delete;

  // A string number of a structure that names a string the structure does not have: "structure
  // 7 (type 17, handle 0x0011): Locator names string 5 of 3". position counts from 1.
  void addBadStringNumber(uint32_t position, uint8_t type, uint16_t handle, const char* field,
                          unsigned number, unsigned strings);

  const GrowableArray<Diagnostic>& messages() const { return messages_; }
  const char* text(const Diagnostic& d) const { return texts_.text() + d.offset; }

  // After a blank line, the heading "Diagnostics" and each message of the load with a line on
  // what it means; nothing when there is none. The tool's own findings are shown where the
  // reports show the field.
  void writeText(FILE* out) const;
  // "diagnostics": an array of objects: kind, stream, text, times, meaning.
  void writeJson(JsonWriter& json) const;

 private:
  void add(const char* kind, const char* stream, const char* meaning, const char* text,
           size_t length);

  TextBuffer texts_;
  GrowableArray<Diagnostic> messages_;
};
