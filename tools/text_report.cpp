#include "tools/text_report.h"

#include <string.h>

namespace {

void writeIndent(FILE* out, int indent) {
  for (int i = 0; i < indent; ++i) fputc(' ', out);
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
