#include "tools/text_report.h"

#include <string.h>

namespace {

void writeIndent(FILE* out, int indent) {
  for (int i = 0; i < indent; ++i) fputc(' ', out);
}

// The message the record store writes, without a line feed, when a second memory array asks for
// the device list.
constexpr char kOverAllocate[] = "BiosReader: trying to over allocate!";

struct Explanation {
  const char* start;  // how the message begins
  const char* meaning;
};

constexpr Explanation kExplanations[] = {
    {"Invalid entry length (16). Fixed up to 11.",
     "A type 34 structure announces 16 bytes but holds 11, a known firmware fault: it was read "
     "as 11 bytes."},
    {"Invalid entry length (",
     "A structure gives a length below its 4-byte header, so where it ends cannot be known: "
     "nothing from there on was decoded."},
    {"Wrong DMI structures count:",
     "The walk ended before the last structure: the structures behind that point were not "
     "decoded."},
    {"Wrong DMI structures length:",
     "The structures do not end where the table does: the table was cut short, or bytes follow "
     "its last structure."},
    {"<TRUNCATED>",
     "The last structure runs past the end of the table: what lies inside the table was read, "
     "and its strings that are cut off read \"<BAD INDEX>\"."},
    {kOverAllocate,
     "The table has more than one system memory array, and the package keeps one device list: "
     "it holds the devices after the last array ('zentrik inventory' shows every array)."},
};

const char* meaningOf(const char* message, size_t length) {
  for (const Explanation& e : kExplanations) {
    const size_t n = strlen(e.start);
    if (length >= n && memcmp(message, e.start, n) == 0) return e.meaning;
  }
  return "A message of the reader about this table.";
}

// Writes one message (times repeats in a row) and its meaning.
void writeMessage(FILE* out, const char* message, size_t length, unsigned times) {
  fputs("  ", out);
  fwrite(message, 1, length, out);
  if (times > 1) fprintf(out, " (%u times)", times);
  fputs("\n    ", out);
  fputs(meaningOf(message, length), out);
  fputc('\n', out);
}

// Collects messages and writes each run of equal ones once.
class MessageList {
 public:
  explicit MessageList(FILE* out) : out_(out) {}
  ~MessageList() { flush(); }

  void add(const char* message, size_t length) {
    if (length == 0) return;
    if (times_ > 0 && length == length_ && memcmp(message, message_, length) == 0) {
      ++times_;
      return;
    }
    flush();
    if (!headed_) {
      fputs("\nDiagnostics: what the reader reported about this table\n", out_);
      headed_ = true;
    }
    message_ = message;
    length_ = length;
    times_ = 1;
  }

 private:
  void flush() {
    if (times_ > 0) writeMessage(out_, message_, length_, times_);
    times_ = 0;
  }

  FILE* out_;
  bool headed_ = false;
  const char* message_ = nullptr;
  size_t length_ = 0;
  unsigned times_ = 0;
};

// Standard output holds the over-allocation message (no line feed after it), the truncation
// line (a tab, the text, a line feed) and empty separator lines.
void addStdoutMessages(MessageList* list, const char* text) {
  const size_t overAllocate = sizeof kOverAllocate - 1;
  while (*text != '\0') {
    if (strncmp(text, kOverAllocate, overAllocate) == 0) {
      list->add(text, overAllocate);
      text += overAllocate;
      continue;
    }
    if (*text == '\n' || *text == '\t') {
      ++text;
      continue;
    }
    const char* end = text;
    while (*end != '\0' && *end != '\n' && strncmp(end, kOverAllocate, overAllocate) != 0) ++end;
    list->add(text, static_cast<size_t>(end - text));
    text = end;
  }
}

void addLines(MessageList* list, const char* text) {
  while (*text != '\0') {
    const char* end = strchr(text, '\n');
    if (end == nullptr) end = text + strlen(text);
    list->add(text, static_cast<size_t>(end - text));
    text = *end == '\n' ? end + 1 : end;
  }
}

}  // namespace

size_t trimmedLength(const char* text, size_t count) {
  while (count > 0 && text[count - 1] == ' ') --count;
  return count;
}

bool isEmptySlot(const MemoryDeviceRecord& device) {
  return device.size != nullptr && strcmp(device.size, kEmptySlotSize) == 0;
}

void writeValue(FILE* out, int indent, const char* label, const char* value, bool list) {
  writeIndent(out, indent);
  if (value == nullptr) {
    fprintf(out, "%s: (not set)\n", label);
    return;
  }
  if (!list && strchr(value, '\n') == nullptr) {
    const size_t length = trimmedLength(value, strlen(value));
    fprintf(out, "%s: ", label);
    if (length == 0) {
      fputs("(blank)", out);
    } else {
      fwrite(value, 1, length, out);
    }
    fputc('\n', out);
    return;
  }
  bool any = false;
  for (const char* item = value;;) {
    const char* end = strchr(item, '\n');
    if (end == nullptr) end = item + strlen(item);
    const size_t length = trimmedLength(item, static_cast<size_t>(end - item));
    // Empty items (a part of a list with nothing in it) are left out.
    if (length > 0) {
      if (!any) fprintf(out, "%s:\n", label);
      any = true;
      writeIndent(out, indent + 2);
      fwrite(item, 1, length, out);
      fputc('\n', out);
    }
    if (*end == '\0') break;
    item = end + 1;
  }
  if (!any) fprintf(out, "%s: (none)\n", label);
}

void writeDiagnostics(FILE* out, const char* loadStdout, const char* loadStderr) {
  MessageList list(out);
  addStdoutMessages(&list, loadStdout);
  addLines(&list, loadStderr);
}
