// What the reports for people share: one field per line with its label, list values one item per
// line, trailing blanks trimmed on display.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include "records/records.h"
#include "tools/record_fields.h"

// "<indent>label: value". A null value reads "(not set)", a value of blanks only "(blank)"; a
// list (or any value holding line feeds) gets one item per line, indented two more, without its
// empty items, and "(none)" when no item is left.
void writeValue(FILE* out, int indent, const char* label, const char* value, bool list);

template <typename Record, size_t N>
void writeFields(FILE* out, int indent, const Record& record, const Field<Record> (&fields)[N]) {
  for (const Field<Record>& field : fields) {
    if (field.label != nullptr)
      writeValue(out, indent, field.label, record.*field.member, field.list);
  }
}

template <typename Record, size_t N>
bool allUnset(const Record& record, const Field<Record> (&fields)[N]) {
  for (const Field<Record>& field : fields) {
    if (record.*field.member != nullptr) return false;
  }
  return true;
}

// The length of text without its trailing blanks.
size_t trimmedLength(const char* text, size_t count);

// True for a slot without a module: the package stores "Seems Fake" as its size.
bool isEmptySlot(const MemoryDeviceRecord& device);
