// Table inputs as users capture them: the rsmb layout the platform serves (8-byte header, then
// the table), a binary dump that starts with an SMBIOS entry point, a bare structure table as
// Linux exposes it, a copy of Linux's table folder (smbios_entry_point and DMI), or any of the
// files on standard input. Whatever the layout, the result is the rsmb layout, ready for
// platform::serveRawTable.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "base/text_buffer.h"

// Bare: the structure table alone, which the command line also calls "raw".
enum class TableFormat { Auto, Rsmb, Dump, Bare };

// The layouts by the names the command line knows them by, in the order its help lists them: the
// one table that the parser, the usage lines, the help and the errors read.
struct TableLayoutName {
  const char* name;
  TableFormat format;
  // The help's words for it, lines separated by line feeds; null for a second name of the layout
  // of the entry before it.
  const char* description;
};
inline constexpr TableLayoutName kTableLayouts[] = {
    {"auto", TableFormat::Auto,
     "recognise one of the three below, and refuse a file that is\nnone of them (the default)"},
    {"rsmb", TableFormat::Rsmb,
     "an 8-byte header (calling-method flag, SMBIOS major and minor\nversion, DMI revision, "
     "table length), then the table: what\nthe platform serves and 'zentrik capture' writes"},
    {"dump", TableFormat::Dump,
     "an SMBIOS entry point (\"_SM_\" or \"_SM3_\") at offset 0, the\ntable at the address "
     "it gives"},
    {"raw", TableFormat::Bare, "the bare structure table, as in /sys/firmware/dmi/tables/DMI;"},
    {"bare", TableFormat::Bare, nullptr},
};

// The format of its name on the command line (a name of kTableLayouts); false for any other
// name.
bool parseTableFormat(const char* name, TableFormat* format);

// Turns the bytes of a table file into the rsmb layout (8-byte header, table) in *raw. Auto
// recognises the layout and refuses bytes that are none of them: no entry point at offset 0, no
// rsmb header whose length matches the file, and no whole structure with printable strings at
// the start. False with a one-line reason (no file name in it) in *error when the bytes cannot
// be served, or memory for the result cannot be had. A named format that the bytes contradict (auto
// would take them for another layout) is followed, and *notice, when not null, gets one line that
// says so.
bool rawTableFromFileBytes(const uint8_t* data, size_t size, TableFormat format, TextBuffer* raw,
                           TextBuffer* error, TextBuffer* notice = nullptr);

// Reads a table input and converts it: a file of at most kLargestTableFile bytes (base/limits.h),
// "-" for standard input (refused when it is a terminal), or a folder holding smbios_entry_point
// and DMI (where format must be Auto). The error and the notice name the input.
bool readTableInput(const char* path, TableFormat format, TextBuffer* raw, TextBuffer* error,
                    TextBuffer* notice = nullptr);
