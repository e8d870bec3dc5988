#include "tools/text_report.h"

#include <string.h>

namespace {

void writeIndent(FILE* out, int indent) {
  for (int i = 0; i < indent; ++i) fputc(' ', out);
}

// The items of a list, each trimmed, without the empty ones; "(none)" when none is left.
class ItemWriter {
 public:
  ItemWriter(FILE* out, int indent, const char* label)
      : out_(out), indent_(indent), label_(label) {}
  ~ItemWriter() {
    if (!any_) fprintf(out_, "%s: (none)\n", label_);
  }
  void item(const char* text, size_t length) {
    length = trimmedLength(text, length);
    if (length == 0) return;
    if (!any_) fprintf(out_, "%s:\n", label_);
    any_ = true;
    writeIndent(out_, indent_ + 2);
    fwrite(text, 1, length, out_);
    fputc('\n', out_);
  }

 private:
  FILE* out_;
  int indent_;
  const char* label_;
  bool any_ = false;
};

void writeText(FILE* out, int indent, const char* label, const char* text, size_t length, bool list,
               char separator, unsigned missing) {
  writeIndent(out, indent);
  if (text == nullptr) {
    fprintf(out, "%s: (not set)\n", label);
    return;
  }
  if (!list && findByte(text, length, '\n') == nullptr) {
    const size_t shown = trimmedLength(text, length);
    fprintf(out, "%s: ", label);
    if (shown == 0) {
      fputs("(blank)", out);
    } else {
      fwrite(text, 1, shown, out);
    }
    fputc('\n', out);
    return;
  }
  ItemWriter items(out, indent, label);
  const char* const end = text + length;
  for (const char* item = text; item <= end;) {
    const char* next = findByte(item, static_cast<size_t>(end - item), separator);
    if (next == nullptr) next = end;
    items.item(item, static_cast<size_t>(next - item));
    item = next + 1;
  }
  for (unsigned k = 0; k < missing; ++k) items.item(kBadIndexText, sizeof kBadIndexText - 1);
}

}  // namespace

size_t trimmedLength(const char* text, size_t count) {
  while (count > 0 && text[count - 1] == ' ') --count;
  return count;
}

bool isEmptySlot(const MemoryDeviceRecord& device) {
  return device.size != nullptr && strcmp(device.size, kEmptySlotText) == 0;
}

void writeValue(FILE* out, int indent, const char* label, const char* value, bool list) {
  writeText(out, indent, label, value, value != nullptr ? strlen(value) : 0, list, '\n', 0);
}

void writeFieldValue(FILE* out, int indent, const char* label, const FieldValue& value, bool list) {
  if (value.partCount > 0) {
    // The texts of set bits, each an item as it stands.
    writeIndent(out, indent);
    ItemWriter items(out, indent, label);
    for (size_t p = 0; p < value.partCount; ++p) {
      value.parts[p].forEach(
          [&items](const ValueText& item) { items.item(item.text, item.length); });
    }
    return;
  }
  const unsigned missing = value.items > value.found ? value.items - value.found : 0;
  // A list of strings none of which the set holds has no text of them to split.
  const bool noneFound = value.separator == '\0' && value.found == 0;
  writeText(out, indent, label, value.text.text, noneFound ? 0 : value.text.length, list,
            value.separator, missing);
}
