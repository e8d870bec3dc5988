// What the reports for people share: one field per line with its label, list values one item per
// line, trailing blanks trimmed on display.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include "decoders/record_fields.h"
#include "records/records.h"

// "<indent>label: value". A null value reads "(not set)", a value of blanks only "(blank)"; a
// list (or any value holding line feeds) gets one item per line, indented two more, without its
// empty items, and "(none)" when no item is left.
void writeValue(FILE* out, int indent, const char* label, const char* value, bool list);
// The same for a field of one structure's facts: its text (length bytes), whose items, for a
// list, are separated by value.separator; where the items are the structure's strings, each it
// does not have reads "<BAD INDEX>", as the package stores it.
void writeFieldValue(FILE* out, int indent, const char* label, const FieldValue& value, bool list);

// Every labelled field of a record, in its order.
template <typename Record, typename Facts, size_t N>
void writeFields(FILE* out, int indent, const Record& record,
                 const RecordField<Record, Facts> (&fields)[N]) {
  for (const auto& field : fields) {
    if (field.label != nullptr) {
      writeValue(out, indent, field.label, recordText(record, field),
                 field.kind == FieldKind::kList);
    }
  }
}

// Every labelled field of one structure's facts, in the record's order.
template <typename Record, typename Facts, size_t N>
void writeFactFields(FILE* out, int indent, const Facts& facts,
                     const RecordField<Record, Facts> (&fields)[N]) {
  FieldRoom room;
  for (const auto& field : fields) {
    if (field.label == nullptr) continue;
    writeFieldValue(out, indent, field.label, field.value(facts, room),
                    field.kind == FieldKind::kList);
  }
}

template <typename Record, typename Facts, size_t N>
bool allUnset(const Record& record, const RecordField<Record, Facts> (&fields)[N]) {
  for (const auto& field : fields) {
    if (field.member != nullptr && record.*field.member != nullptr) return false;
  }
  return true;
}

// The first byte of the length bytes at text that is byte, or null. A loop of its own rather than
// memchr, so that the tool imports no name of Windows' C runtime beyond those checked against
// Windows' export lists (tests/windows/system_imports.txt).
inline const char* findByte(const char* text, size_t length, char byte) {
  for (size_t i = 0; i < length; ++i) {
    if (text[i] == byte) return text + i;
  }
  return nullptr;
}

// The length of text without its trailing blanks.
size_t trimmedLength(const char* text, size_t count);

// True for a slot without a module: the package stores "Seems Fake" as its size.
bool isEmptySlot(const MemoryDeviceRecord& device);
