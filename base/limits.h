// The limits the house keeps, each defined once, with why it is what it is. Messages that name a
// limit print the constant.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The platform's raw SMBIOS data opens with this many bytes: calling-method flag, SMBIOS major and
// minor version, DMI revision, then the table length in 32 bits.
constexpr size_t kRawHeaderSize = 8;

// Type, formatted length and handle open every structure: a formatted length below this cannot
// even hold them, so the walk stops there.
constexpr uint32_t kStructureHeaderSize = 4;

// The largest table file (or Linux table file) read whole: real tables are a few KiB, so anything
// larger is not a table, and the whole file is held in memory.
constexpr size_t kLargestTableFile = 64u << 20;

// Room for the one line that says why a firmware table or a module cannot be had, terminator
// included: a reason longer than that (a deep path) is cut short.
constexpr size_t kReasonCapacity = 512;
