// The tables the benchmarks load: the sample machines, real machines' tables read at run time,
// generated tables of a given number of mixed structures, and hostile tables of a given size.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tests/support/table_builder.h"

struct BenchTable {
  std::string name;
  Bytes raw;          // the rsmb layout: 8-byte header, then the table
  size_t structures;  // structures in the table, the end-of-table structure included
};

// The structure table behind the rsmb header.
inline const uint8_t* tableBytes(const BenchTable& t) {
  return t.raw.data() + 8;
}
inline size_t tableSize(const BenchTable& t) {
  return t.raw.size() - 8;
}

// samples/desktop.rsmb or samples/server.rsmb; empty raw when the file is missing.
BenchTable sampleTable(const std::string& which);

// Real machines' tables from the shared folder; a missing file is left out.
std::vector<BenchTable> realTables();

// structures structures (16 to 65535): one memory array announcing every device, then BIOS,
// processor and two memory devices over and over, all with their strings, then the end of table.
BenchTable sweepTable(size_t structures);

// The hostile tables, each filled to exactly bytes bytes of structure table:
//   "languages"     BIOS language structures, each with 255 installable languages
//   "short-languages" the same with languages of one letter, so that the count of strings per
//                   byte is highest
//   "long-strings"  processors whose 255-string sets are looked up at their far end
//   "memory-arrays" memory arrays announcing 65535 devices each, every one followed by a device
//   "growing-arrays" memory arrays announcing 1, 2, 3, ... devices
//   "length-0xFF"   the sweep's structures with a formatted length of 0xFF
std::vector<std::string> adversarialKinds();
BenchTable adversarialTable(const std::string& kind, size_t bytes);

// mebibytes MiB of memory devices: one Physical Memory Array announcing 65535 devices, then
// Memory Device structures of formatted length 0x54 (8 GiB, 3200 MT/s, every string set) as many
// as fit, then the end of table. Far more than the walk's 16-bit count: what one whole process of
// the tool holds in memory for the largest table it reads.
BenchTable devicesTable(size_t mebibytes);

// A table of the end-of-table structure alone: what a process costs without any structure.
BenchTable emptyTable();

// Any table above by name: "desktop", "server", "real:FILE", "sweep:N", "adversarial:KIND",
// "devices:MIB", "empty". The adversarial tables take the size of sweep:65535. Empty raw when the
// name is unknown.
BenchTable tableByName(const std::string& name);
