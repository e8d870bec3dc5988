#include "tools/diagnostics.h"

#include <string.h>

namespace {

struct Meaning {
  DiagnosticKind kind;
  const char* text;
};

// By kind, one for every message of the reader.
constexpr Meaning kMeanings[] = {
    {DiagnosticKind::kLengthFixedUp,
     "A type 34 structure announces 16 bytes but holds 11, a known firmware fault: it was read "
     "as 11 bytes."},
    {DiagnosticKind::kSecondMemoryArray,
     "The table has more than one system memory array, and the package keeps one device list: "
     "it holds the devices after the last array ('zentrik inventory' shows every array)."},
    {DiagnosticKind::kLengthBelowHeader,
     "A structure gives a length below its 4-byte header, so where it ends cannot be known: "
     "nothing from there on was decoded."},
    {DiagnosticKind::kStructureTruncated,
     "The last structure runs past the end of the table: what lies inside the table was read, "
     "and its strings that are cut off read \"<BAD INDEX>\"."},
    {DiagnosticKind::kTruncationSeparator, nullptr},
    {DiagnosticKind::kStructureCountMismatch,
     "The walk ended before the last structure: the structures behind that point were not "
     "decoded."},
    {DiagnosticKind::kTableLengthMismatch,
     "The structures do not end where the table does: the table was cut short, or bytes follow "
     "its last structure."},
};

constexpr bool oneMeaningPerMessage() {
  if (sizeof kMeanings / sizeof kMeanings[0] != kReaderDiagnosticCount) return false;
  for (size_t i = 0; i < kReaderDiagnosticCount; ++i) {
    if (kMeanings[i].kind != kReaderDiagnostics[i].kind) return false;
  }
  return true;
}
static_assert(oneMeaningPerMessage(), "a meaning for every message of the reader, by kind");

constexpr char kOtherKind[] = "other";
constexpr char kOtherMeaning[] = "A message of the reader about this table.";

constexpr const char* kStreamNames[] = {"stdout", "stderr"};

// The length of text that format matches from its start, 0 when it does not: every byte as it
// stands, each %u, %lu or %d one or more digits (a minus sign before them for %d).
size_t matchFormat(const char* format, const char* text) {
  const char* t = text;
  for (const char* f = format; *f != '\0'; ++f) {
    if (*f != '%') {
      if (*t != *f) return 0;
      ++t;
      continue;
    }
    ++f;
    if (*f == 'l') ++f;
    if (*f == 'd' && *t == '-') ++t;
    const char* digits = t;
    while (*t >= '0' && *t <= '9') ++t;
    if (t == digits) return 0;
  }
  return static_cast<size_t>(t - text);
}

// The message without the tab in front and the line feeds behind it.
void shownPart(const char* message, size_t length, const char** text, size_t* shown) {
  if (length > 0 && message[0] == '\t') ++message, --length;
  while (length > 0 && message[length - 1] == '\n') --length;
  *text = message;
  *shown = length;
}

}  // namespace

const char* diagnosticMeaning(DiagnosticKind kind) {
  return kMeanings[static_cast<size_t>(kind)].text;
}

size_t nextDiagnostic(const char* text, const DiagnosticStream* stream,
                      const DiagnosticText** entry) {
  *entry = nullptr;
  if (*text == '\0') return 0;
  for (const DiagnosticText& candidate : kReaderDiagnostics) {
    if (stream != nullptr && candidate.stream != *stream) continue;
    const size_t length = matchFormat(candidate.format, text);
    if (length > 0) {
      *entry = &candidate;
      return length;
    }
  }
  const char* end = strchr(text, '\n');
  return end != nullptr ? static_cast<size_t>(end + 1 - text) : strlen(text);
}

DiagnosticList::DiagnosticList(const char* loadStdout, const char* loadStderr)
    : captured_(loadStdout != nullptr && loadStderr != nullptr) {
  if (!captured_) return;
  add(loadStdout, DiagnosticStream::Stdout);
  add(loadStderr, DiagnosticStream::Stderr);
}

void DiagnosticList::add(const char* written, DiagnosticStream stream) {
  const DiagnosticText* entry = nullptr;
  for (size_t length; (length = nextDiagnostic(written, &stream, &entry)) > 0; written += length) {
    if (entry != nullptr && diagnosticMeaning(entry->kind) == nullptr) continue;
    Diagnostic message = {entry, stream, nullptr, 0, 1};
    shownPart(written, length, &message.text, &message.length);
    if (message.length == 0) continue;
    if (!messages_.empty()) {
      Diagnostic& last = messages_[messages_.size() - 1];
      if (last.length == message.length && memcmp(last.text, message.text, last.length) == 0) {
        ++last.times;
        continue;
      }
    }
    messages_.push(message);
  }
}

void DiagnosticList::writeText(FILE* out) const {
  if (!captured_) {
    fputs("\nDiagnostics: not captured (see standard error)\n", out);
    return;
  }
  if (messages_.empty()) return;
  fputs("\nDiagnostics: what the reader reported about this table\n", out);
  for (const Diagnostic& m : messages_) {
    fputs("  ", out);
    fwrite(m.text, 1, m.length, out);
    if (m.times > 1) fprintf(out, " (%u times)", m.times);
    fputs("\n    ", out);
    fputs(m.entry != nullptr ? diagnosticMeaning(m.entry->kind) : kOtherMeaning, out);
    fputc('\n', out);
  }
}

void DiagnosticList::writeJson(JsonWriter& json) const {
  if (!captured_) {
    json.null("diagnostics");
    return;
  }
  json.open("diagnostics", '[');
  TextBuffer text;
  for (const Diagnostic& m : messages_) {
    json.open(nullptr, '{');
    json.text("kind", m.entry != nullptr ? m.entry->name : kOtherKind);
    json.text("stream", kStreamNames[static_cast<int>(m.stream)]);
    text.clear();
    text.append(m.text, m.length);
    json.text("text", text.text());
    json.unsignedNumber("times", m.times);
    json.text("meaning", m.entry != nullptr ? diagnosticMeaning(m.entry->kind) : kOtherMeaning);
    json.close('}');
  }
  json.close(']');
}

void writeMessagesOnTheirOwnLines(FILE* out, const char* written) {
  const DiagnosticText* entry = nullptr;
  for (size_t length; (length = nextDiagnostic(written, nullptr, &entry)) > 0; written += length) {
    fwrite(written, 1, length, out);
    if (written[length - 1] != '\n') fputc('\n', out);
  }
}
