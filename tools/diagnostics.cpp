#include "tools/diagnostics.h"

#include <string.h>

#include "tablefile/text_format.h"

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

constexpr char kBadStringNumber[] = "badStringNumber";
constexpr char kBadStringNumberMeaning[] =
    "A field names a string that its structure does not have: the package stores \"<BAD "
    "INDEX>\" for it, the JSON null.";

// By DiagnosticStream.
constexpr const char* kStreamNames[] = {"stdout", "stderr"};

// The message without the tab in front and the line feeds behind it.
void shownPart(const char* message, size_t length, const char** text, size_t* shown) {
  if (length > 0 && message[0] == '\t') ++message, --length;
  while (length > 0 && message[length - 1] == '\n') --length;
  *text = message;
  *shown = length;
}

}  // namespace

void writeOntoStderr(DiagnosticKind kind, DiagnosticNumbers numbers, void*) {
  char text[kDiagnosticTextCapacity];
  const size_t length = formatDiagnostic(kind, numbers, text);
  fwrite(text, 1, length, stderr);
  if (length == 0 || text[length - 1] != '\n') fputc('\n', stderr);
}

const char* diagnosticMeaning(DiagnosticKind kind) {
  return kMeanings[static_cast<size_t>(kind)].text;
}

void LoadMessages::observe(DiagnosticKind kind, DiagnosticNumbers numbers, void* context) {
  auto& self = *static_cast<LoadMessages*>(context);
  char text[kDiagnosticTextCapacity];
  const size_t length = formatDiagnostic(kind, numbers, text);
  const DiagnosticStream stream = kReaderDiagnostics[static_cast<size_t>(kind)].stream;
  TextBuffer& written = stream == DiagnosticStream::Stdout ? self.out_ : self.err_;
  const Message message = {kind, stream, written.size(), length};
  if (!written.append(text, length) || !self.messages_.push(message)) self.failed_ = true;
}

const char* LoadMessages::written(DiagnosticStream stream) const {
  return (stream == DiagnosticStream::Stdout ? out_ : err_).text();
}

DiagnosticList::DiagnosticList(const LoadMessages& load) {
  static constexpr DiagnosticStream kStreams[] = {DiagnosticStream::Stdout,
                                                  DiagnosticStream::Stderr};
  for (const DiagnosticStream stream : kStreams) {
    const char* const written = load.written(stream);
    for (const LoadMessages::Message& m : load.messages()) {
      const char* meaning = diagnosticMeaning(m.kind);
      if (m.stream != stream || meaning == nullptr) continue;
      const char* text = nullptr;
      size_t length = 0;
      shownPart(written + m.offset, m.length, &text, &length);
      if (length == 0) continue;
      add(kReaderDiagnostics[static_cast<size_t>(m.kind)].name,
          kStreamNames[static_cast<int>(stream)], meaning, text, length);
    }
  }
}

void DiagnosticList::add(const char* kind, const char* stream, const char* meaning,
                         const char* text, size_t length) {
  if (!messages_.empty()) {
    Diagnostic& last = messages_[messages_.size() - 1];
    if (last.kind == kind && last.length == length && memcmp(this->text(last), text, length) == 0) {
      ++last.times;
      return;
    }
  }
  const Diagnostic message = {kind, stream, meaning, texts_.size(), length, 1};
  // Each text with a NUL of its own behind it.
  if (texts_.append(text, length) && texts_.append('\0')) messages_.push(message);
}

void DiagnosticList::addBadStringNumber(uint32_t position, uint8_t type, uint16_t handle,
                                        const char* field, unsigned number, unsigned strings) {
  TextBuffer text;
  appendFormat(&text,
               "structure %lu (type %u, handle 0x%04X): ", static_cast<unsigned long>(position),
               static_cast<unsigned>(type), static_cast<unsigned>(handle));
  text.append(field);
  appendFormat(&text, " names string %u of %u", number, strings);
  add(kBadStringNumber, nullptr, kBadStringNumberMeaning, text.text(), text.size());
}

void DiagnosticList::writeText(FILE* out) const {
  bool any = false;
  for (const Diagnostic& m : messages_) {
    if (m.stream == nullptr) continue;
    if (!any) fputs("\nDiagnostics: what the reader reported about this table\n", out);
    any = true;
    fputs("  ", out);
    fwrite(text(m), 1, m.length, out);
    if (m.times > 1) fprintf(out, " (%u times)", m.times);
    fputs("\n    ", out);
    fputs(m.meaning, out);
    fputc('\n', out);
  }
}

void DiagnosticList::writeJson(JsonWriter& json) const {
  json.open("diagnostics", '[');
  for (const Diagnostic& m : messages_) {
    json.open(nullptr, '{');
    json.text("kind", m.kind);
    json.text("stream", m.stream);
    json.text("text", text(m), m.length);
    json.unsignedNumber("times", m.times);
    json.text("meaning", m.meaning);
    json.close('}');
  }
  json.close(']');
}
