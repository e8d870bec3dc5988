// Writes the fuzzers' seed corpus with the project's table builder: one table per decoded
// structure type and length gate, the values each decoder tells apart, the processor ID kinds,
// the broken tables of the unit tests, string sets the table ends, and table files of every
// layout and of none. Usage: make_corpus DIR (write) or make_corpus --check DIR (exit 1
// when DIR does not hold exactly these bytes under these names).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/table_builder.h"

namespace fs = std::filesystem;

namespace {

struct Seed {
  std::string name;  // path below the corpus folder
  Bytes bytes;
};

std::vector<Seed> seeds;

void addLoad(const std::string& name, const Bytes& raw) {
  seeds.push_back({"load/" + name, raw});
}
void addTable(const std::string& name, const Bytes& table) {
  addLoad(name, rawBuffer(table));
}

std::string hex(unsigned value) {
  char text[16];
  snprintf(text, sizeof text, "%02x", value);
  return text;
}

// ---- structures, filled as a real machine fills them (SMBIOS offsets from the structure start)

Structure bios(uint8_t length) {
  Structure s(0, length, 0x0000);
  s.u8(0x04, 1).u8(0x05, 2).u16(0x06, 0xE800).u8(0x08, 3).u8(0x09, 0x7F);
  if (length >= 0x12) s.u64(0x0A, 0x000000007FCB9E90ull);  // ISA, PCI, PnP, APM, flash, ...
  if (length >= 0x13) s.u8(0x12, 0x33);                    // ACPI, USB legacy, ...
  if (length >= 0x14) s.u8(0x13, 0x0D);                    // boot spec, targeted distribution
  if (length >= 0x18) s.bytes(0x14, {2, 7, 0xFF, 0xFF});
  if (length >= 0x1A) s.u16(0x18, 0x0020);
  return s.str("Zentrik Firmware Inc.").str("1.04.2").str("03/14/2024");
}

Structure language(uint8_t length, uint8_t installable, uint8_t current) {
  Structure s(13, length, 0x0D00);
  s.u8(0x04, installable);
  if (length >= 0x16) s.u8(0x15, current);
  return s.str("en|US|iso8859-1").str("fr|FR|iso8859-1").str("de|DE|iso8859-1");
}

Structure processor(uint8_t length, uint8_t family, uint64_t id, const std::string& version,
                    const std::string& manufacturer = "GenuineIntel") {
  Structure s(4, length, 0x0400);
  s.u8(0x04, 1).u8(0x05, 3).u8(0x06, family).u8(0x07, 2).u64(0x08, id);
  if (length > 0x10) s.u8(0x10, 3);
  if (length > 0x11) s.u8(0x11, 0x8B);  // 1.1 V
  if (length >= 0x14) s.u16(0x12, 100);
  if (length >= 0x16) s.u16(0x14, 4800);
  if (length >= 0x18) s.u16(0x16, 3600);
  if (length >= 0x19) s.u8(0x18, 0x41);
  if (length >= 0x1A) s.u8(0x19, 0x3F);
  if (length >= 0x20) s.u16(0x1A, 0x0700).u16(0x1C, 0x0701).u16(0x1E, 0x0702);
  if (length >= 0x21) s.u8(0x20, 4);
  if (length >= 0x22) s.u8(0x21, 5);
  if (length >= 0x23) s.u8(0x22, 6);
  if (length >= 0x26) s.bytes(0x23, {8, 8, 16});
  if (length >= 0x28) s.u16(0x26, 0x00FC);
  if (length >= 0x2A) s.u16(0x28, family);
  if (length >= 0x2C) s.u16(0x2A, 8);
  if (length >= 0x2E) s.u16(0x2C, 8);
  if (length >= 0x30) s.u16(0x2E, 16);
  return s.str("CPU0").str(manufacturer).str(version).str("SN-0001").str("AT-0001").str("PN-0001");
}

Structure memoryArray(uint8_t length, uint8_t use, uint32_t capacity, uint16_t devices,
                      uint16_t handle = 0x1000) {
  Structure s(16, length, handle);
  s.u8(0x04, 3).u8(0x05, use).u8(0x06, 3).u32(0x07, capacity).u16(0x0B, 0xFFFE);
  if (length >= 0x0F) s.u16(0x0D, devices);
  if (length >= 0x17) s.u64(0x0F, 1ull << 41);
  return s;
}

Structure memoryDevice(uint8_t length, uint16_t size, uint16_t handle = 0x1100) {
  Structure s(17, length, handle);
  s.u16(0x04, 0x1000).u16(0x06, 0xFFFE).u16(0x08, 64).u16(0x0A, 64).u16(0x0C, size);
  s.u8(0x0E, 0x09).u8(0x10, 1).u8(0x11, 2).u8(0x12, 0x1A);
  if (length >= 0x15) s.u16(0x13, 0x0080);
  if (length >= 0x17) s.u16(0x15, 3200);
  if (length >= 0x1B) s.bytes(0x17, {3, 4, 5, 6});
  if (length >= 0x1C) s.u8(0x1B, 2);
  if (length >= 0x20) s.u32(0x1C, 0x8000);
  if (length >= 0x22) s.u16(0x20, 2933);
  if (length >= 0x28) s.u16(0x22, 1200).u16(0x24, 1200).u16(0x26, 1200);
  if (length >= 0x5C) s.u32(0x54, 8000).u32(0x58, 7200);
  return s.str("DIMM_A1")
      .str("BANK 0")
      .str("Zentrik Memory")
      .str("0xDEADBEEF")
      .str("A1_AssetTag")
      .str("ZM-3200-16G");
}

// A structure of a type no decoder handles, with one string.
Bytes plain(uint8_t type) {
  return Structure(type, 8).str("x");
}

// ---- the seeds

void decodedTypesAndLengthGates() {
  for (uint8_t length : {0x11, 0x12, 0x13, 0x14, 0x18, 0x1A}) {
    addTable("bios-len-" + hex(length), tableOf({bios(length), endOfTable()}));
  }
  addTable("bios-characteristics-not-supported",
           tableOf({bios(0x12).u64(0x0A, 0x08), endOfTable()}));
  addTable("bios-rom-size-extended-gb",
           tableOf({bios(0x1A).u8(0x09, 0xFF).u16(0x18, 0x4010), endOfTable()}));
  addTable("bios-rom-size-extended-unit-3",
           tableOf({bios(0x1A).u8(0x09, 0xFF).u16(0x18, 0xC001), endOfTable()}));
  addTable("bios-virtual-machine", tableOf({bios(0x1A).u8(0x13, 0x10), endOfTable()}));

  for (uint8_t length : {0x15, 0x16}) {
    addTable("language-len-" + hex(length), tableOf({language(length, 3, 1), endOfTable()}));
  }
  addTable("language-more-than-its-strings", tableOf({language(0x16, 9, 7), endOfTable()}));
  addTable("language-255-missing", tableOf({language(0x16, 255, 200), endOfTable()}));
  addTable("language-longer-than-work-buffers", tableOf({Structure(13, 0x16)
                                                             .u8(0x04, 2)
                                                             .u8(0x15, 2)
                                                             .str(std::string(12000, 'e'))
                                                             .str(std::string(200, 'f')),
                                                         endOfTable()}));

  const uint64_t intelId = 0xBFEBFBFF000306A9ull;
  for (uint8_t length : {0x19, 0x1A, 0x20, 0x22, 0x23, 0x28, 0x2A, 0x2C, 0x2E, 0x30}) {
    addTable("processor-len-" + hex(length),
             tableOf({processor(length, 0xC6, intelId, "Intel(R) Core(TM) i7"), endOfTable()}));
  }
  addTable("processor-counts-0xff", tableOf({processor(0x30, 0xC6, intelId, "x")
                                                 .bytes(0x23, {0xFF, 0xFF, 0xFF})
                                                 .u16(0x2A, 0x100)
                                                 .u16(0x2C, 0x100)
                                                 .u16(0x2E, 0x200),
                                             endOfTable()}));
  addTable("processor-voltage-legacy",
           tableOf({processor(0x1A, 0xC6, intelId, "x").u8(0x11, 0x07), endOfTable()}));
  addTable("processor-two-sockets",
           tableOf({processor(0x30, 0x6B, 0x178BFBFF00A20F10ull, "AMD Ryzen 9"),
                    processor(0x20, 0x6B, 0x178BFBFF00A20F10ull, "AMD Ryzen 9"), endOfTable()}));

  for (uint8_t length : {0x0E, 0x0F, 0x17}) {
    addTable("array-len-" + hex(length),
             tableOf({memoryArray(length, 3, 0x02000000, 2), memoryDevice(0x28, 0x2000),
                      memoryDevice(0x28, 0x2000, 0x1101), endOfTable()}));
  }
  addTable("array-capacity-extended", tableOf({memoryArray(0x17, 3, 0x80000000, 1),
                                               memoryDevice(0x28, 0x4000), endOfTable()}));
  addTable("array-not-system-memory-first",
           tableOf({memoryArray(0x0F, 4, 0x1000, 4), memoryArray(0x0F, 3, 0x1000, 1, 0x1001),
                    memoryDevice(0x15, 0x400), endOfTable()}));
  addTable("array-twice-growing",
           tableOf({memoryArray(0x0F, 3, 0x1000, 1), memoryDevice(0x15, 0x400),
                    memoryArray(0x0F, 3, 0x1000, 3, 0x1001), memoryDevice(0x15, 0x400),
                    memoryDevice(0x15, 0x400), memoryDevice(0x15, 0x400), endOfTable()}));
  addTable("array-zero-devices",
           tableOf({memoryArray(0x0F, 3, 0x1000, 0), memoryDevice(0x15, 0x400), endOfTable()}));
  addTable("devices-without-array", tableOf({memoryDevice(0x28, 0x400), endOfTable()}));
  addTable("devices-more-than-announced",
           tableOf({memoryArray(0x0F, 3, 0x1000, 1), memoryDevice(0x15, 0x400),
                    memoryDevice(0x15, 0x400, 0x1101), memoryDevice(0x15, 0x400, 0x1102),
                    endOfTable()}));
  for (uint8_t length : {0x14, 0x15, 0x17, 0x1B, 0x20, 0x22, 0x28, 0x5C}) {
    addTable("device-len-" + hex(length), tableOf({memoryArray(0x0F, 3, 0x1000, 1),
                                                   memoryDevice(length, 0x7FFF), endOfTable()}));
  }
  const uint16_t sizes[] = {0, 0xFFFF, 0x8200, 0x2000};
  for (uint16_t size : sizes) {
    addTable("device-size-" + hex(size),
             tableOf({memoryArray(0x0F, 3, 0x1000, 1), memoryDevice(0x22, size), endOfTable()}));
  }
}

// The values each decoder tells apart, beyond the length gates.
void decodedValues() {
  addTable("bios-rom-size-0xff-without-extended",
           tableOf({bios(0x12).u8(0x09, 0xFF), endOfTable()}));

  addTable("language-no-strings",
           tableOf({Structure(13, 0x16).u8(0x04, 2).u8(0x15, 1), endOfTable()}));
  // The current language behind the installable ones, and beyond the end of the set.
  addTable("language-current-behind-installable", tableOf({language(0x16, 1, 3), endOfTable()}));
  addTable("language-current-beyond-set", tableOf({language(0x16, 5, 7), endOfTable()}));
  addTable("language-unprintable", tableOf({Structure(13, 0x16).u8(0x04, 2).u8(0x15, 2).rawStrings(
                                                {'e', 'n', 0x01, 0, 'f', 0xE9, 0, 0}),
                                            endOfTable()}));

  // 0xBE is Core 2 or K7, by the manufacturer's name in any case.
  addTable("processor-family-0xbe",
           tableOf({processor(0x30, 0xBE, 0xBFEBFBFF000006F6ull, "x", "Intel Corporation"),
                    processor(0x30, 0xBE, 0xBFEBFBFF000006F6ull, "x", "INTEL"),
                    processor(0x30, 0xBE, 0x0383FBFF00000662ull, "x", "AuthenticAMD"),
                    processor(0x30, 0xBE, 0x0383FBFF00000662ull, "x", "amd"),
                    processor(0x30, 0xBE, 0x0383FBFF00000662ull, "x", "Cyrix"), endOfTable()}));
  // An 80486 signature is Intel's CPUID one from model 4 or 7 on, stepping 3 on.
  addTable("processor-80486-signatures",
           tableOf({processor(0x1A, 0x06, 0x0543, "i486"), processor(0x1A, 0x06, 0x0443, "i486"),
                    processor(0x1A, 0x06, 0x0471, "i486"), endOfTable()}));
  addTable("processor-voltage-legacy-one-bit",
           tableOf({processor(0x1A, 0xC6, 0x1234, "x").u8(0x11, 0x02), endOfTable()}));
  // Counts of 0xFF in a structure too short for the words behind them.
  addTable(
      "processor-counts-0xff-without-words",
      tableOf({processor(0x28, 0xC6, 0x1234, "x").bytes(0x23, {0xFF, 0xFF, 0xFF}), endOfTable()}));

  addTable("array-capacity-extended-without-field",
           tableOf({memoryArray(0x0F, 3, 0x80000000, 1), memoryDevice(0x15, 0x400), endOfTable()}));
  // A second array asks for more entries than the list has, but no more than twice as many.
  addTable("array-twice-within-double",
           tableOf({memoryArray(0x0F, 3, 0x1000, 2), memoryArray(0x0F, 3, 0x1000, 3, 0x1001),
                    memoryDevice(0x15, 0x400), endOfTable()}));
  // Extended sizes in MB, GB and TB; speeds in the extended fields, unknown and 0; voltages of
  // none, whole tenths, hundredths and thousandths.
  addTable("device-sizes-speeds-voltages",
           tableOf({memoryArray(0x0F, 3, 0x1000, 6), memoryDevice(0x22, 0x7FFF).u32(0x1C, 0x1234),
                    memoryDevice(0x22, 0x7FFF).u32(0x1C, 0x00100000),
                    memoryDevice(0x5C, 0x2000).u16(0x15, 0xFFFF).u16(0x20, 0xFFFF).u32(0x58, 0),
                    memoryDevice(0x28, 0x2000).u16(0x15, 0).u16(0x26, 0),
                    memoryDevice(0x28, 0x2000).u16(0x26, 1250),
                    memoryDevice(0x28, 0x2000).u16(0x26, 1255), endOfTable()}));
}

void processorIdKinds() {
  struct Kind {
    const char* name;
    uint8_t family;
    uint64_t id;
    const char* version;
    uint16_t family2;
    uint16_t characteristics;
  };
  const Kind kinds[] = {
      {"80386", 0x05, 0x0000000000000308ull, "i386", 0, 0},
      {"80486", 0x06, 0x0000000000000435ull, "i486", 0, 0},
      {"80486-as-intel", 0x06, 0x0000000000000473ull, "i486", 0, 0},
      {"intel", 0xB3, 0xBFEBFBFF000106A5ull, "Intel(R) Xeon(R)", 0, 0},
      {"amd", 0x6B, 0x178BFBFF00800F82ull, "AMD Ryzen 7", 0, 0},
      {"amd-base-family", 0x1D, 0x0383FBFF00000652ull, "AMD Athlon", 0, 0},
      {"other-pentium-iii", 0x01, 0x0387F9FF00000683ull, "Pentium III MMX 800", 0, 0},
      {"other-core2", 0x02, 0xBFEBFBFF000006FBull, "Intel(R) Core(TM)2 Duo", 0, 0},
      {"other-pentium", 0x02, 0xBFEBFBFF00010676ull, "Intel(R) Pentium(R) Dual", 0, 0},
      {"other-u1400", 0x02, 0xBFE9FBFF000006ECull, "Genuine Intel(R) CPU U1400", 0, 0},
      {"other-u1400-suffix", 0x02, 0xBFE9FBFF000006ECull, "Genuine Intel(R) CPU U1400 x", 0, 0},
      {"other-athlon", 0x01, 0x078BFBFF00020FB1ull, "AMD Athlon(TM) 64 X2", 0, 0},
      {"other-opteron", 0x01, 0x078BFBFF00020F12ull, "AMD Opteron(tm) Processor 275", 0, 0},
      {"other-dual-core-opteron", 0x02, 0x178BFBFF00040F13ull,
       "Dual-Core AMD Opteron(tm) Processor 2218", 0, 0},
      {"other-unknown", 0x01, 0x1122334455667788ull, "Mystery", 0, 0},
      {"arm-midr", 0xFE, 0x00000000410FD0C1ull, "Neoverse", 0x0101, 0x0004},
      {"arm-midr-zero", 0xFE, 0, "Neoverse", 0x0118, 0x0004},
      {"arm-soc-id", 0xFE, 0x000000010036D003ull, "Ampere", 0x0101, 0x0204},
      {"family2-riscv", 0xFE, 0x1122334455667788ull, "RV128", 0x0202, 0},
      {"none", 0x16, 0x1122334455667788ull, "Nothing", 0, 0},
  };
  for (const Kind& kind : kinds) {
    Structure s = processor(0x30, kind.family, kind.id, kind.version);
    s.u16(0x28, kind.family2 != 0 ? kind.family2 : kind.family).u16(0x26, kind.characteristics);
    addTable(std::string("processor-kind-") + kind.name, tableOf({s, endOfTable()}));
  }
  // The family word without the length that makes it count.
  addTable(
      "processor-kind-arm-short",
      tableOf({processor(0x28, 0xFE, 0x410FD0C1ull, "Neoverse").u16(0x26, 0x0204), endOfTable()}));
}

void brokenTables() {
  addTable("empty-table", {});
  addLoad("empty-delivery", {});
  addLoad("short-header", {0, 3, 2, 0, 4});
  addLoad("header-only", {0, 3, 2, 0, 0, 0, 0, 0});
  addTable("well-formed", tableOf({plain(1), plain(2), plain(3), endOfTable()}));
  addTable("trailing-zero-bytes", tableOf({plain(1), endOfTable(), {0, 0}}));
  // Formatted length 3 stops the walk.
  addTable("length-below-four", tableOf({plain(1), Structure(0x55, 3), plain(2), endOfTable()}));
  // Formatted length 0 on a decoded type.
  addTable("length-zero", tableOf({bios(0x1A), Structure(4, 0), endOfTable()}));
  for (uint8_t type : {1, 126, 127, 4}) {
    addTable("truncated-last-type-" + std::to_string(type),
             tableOf({plain(1), Structure(type, 6).rawStrings({'a', 'b', 0})}));
  }
  // A processor structure whose strings run to the end of the table without a terminator.
  addTable("processor-strings-without-end",
           tableOf({processor(0x30, 0xC6, 0x1234, "x").rawStrings({'C', 'P', 'U', 0, 'I', 'n'})}));
  // A formatted area that the table cuts short.
  {
    Bytes cut = tableOf({plain(1), processor(0x30, 0xC6, 0x1234, "x")});
    cut.resize(plain(1).size() + 0x20);
    addTable("formatted-area-cut-short", cut);
  }
  addTable("lone-trailing-byte", tableOf({plain(1), {0x7F}}));
  addTable("length-past-the-end", tableOf({plain(1), {0x02, 0x20, 0x00, 0x00}}));
  {
    Structure fixed(34, 16);
    fixed.bytes(11, {'A', 'B', 'C', 'D', 'E'});
    addTable("type-34-fixed-up", tableOf({fixed.rawStrings({'F', 0, 0}), endOfTable()}));
    Structure kept(34, 16);
    kept.bytes(11, {'A', 'B', 0x01, 'D', 'E'});
    addTable("type-34-kept", tableOf({kept.str("s"), endOfTable()}));
  }
  addTable("behind-end-of-table", tableOf({plain(1), endOfTable(), bios(0x12)}));
  {
    const Bytes table = tableOf({bios(0x1A), processor(0x30, 0xC6, 0x1234, "x"), endOfTable()});
    addLoad("announced-beyond-delivered", rawBufferAnnouncing(table, 0x10000));
    addLoad("announced-0xffffffff", rawBufferAnnouncing(table, 0xFFFFFFFFu));
    addLoad("announced-short", rawBufferAnnouncing(table, 0x1C));
    addLoad("version-2-1", rawBuffer(table, 2, 1));
  }
  // String numbers that the structure does not have, and unprintable string bytes.
  addTable("bad-string-indexes",
           tableOf({Structure(0, 0x12).u8(0x04, 9).u8(0x05, 0).u8(0x08, 255).str("only"),
                    endOfTable()}));
  addTable("unprintable-strings",
           tableOf({Structure(4, 0x1A).u8(0x04, 1).u8(0x07, 1).u8(0x10, 2).rawStrings(
                        {'A', 0x09, 0xE9, 0x7F, 'B', 0, 0xFF, 0x01, 0, 0}),
                    endOfTable()}));
  // Structures of the greatest formatted length, each decoded type.
  for (uint8_t type : {0, 4, 13, 16, 17}) {
    addTable(
        "length-0xff-type-" + std::to_string(type),
        tableOf({memoryArray(0x17, 3, 0x1000, 2), Structure(type, 0xFF).str("s"), endOfTable()}));
  }
}

// String numbers of structures whose string set the table ends, looked up one by one (System
// Information, for the inventory) and in one pass (BIOS, BIOS Language).
void stringsAtTheEnd() {
  addTable("system-strings",
           tableOf({Structure(1, 8).u8(0x04, 1).u8(0x05, 3).str("Maker"),
                    Structure(1, 8).u8(0x04, 0).u8(0x05, 1).str("Product"), endOfTable()}));
  addTable("system-string-cut",
           tableOf({plain(2),
                    Structure(1, 8).u8(0x04, 1).u8(0x05, 2).rawStrings({'M', 'k', 0, 'P', 'r'})}));
  addTable("system-first-string-cut",
           tableOf({plain(2), Structure(1, 8).u8(0x04, 2).u8(0x05, 2).rawStrings({'M', 'k'})}));
  addTable("system-set-ends-with-table",
           tableOf({plain(2), Structure(1, 8).u8(0x04, 3).u8(0x05, 2).rawStrings({'M', 0})}));
  addTable("bios-set-ends-with-table",
           tableOf({plain(2),
                    Structure(0, 0x12).u8(0x04, 1).u8(0x05, 2).u8(0x08, 3).rawStrings({'V', 0})}));
  addTable("language-string-cut",
           tableOf({plain(2), Structure(13, 0x16).u8(0x04, 2).u8(0x15, 1).rawStrings(
                                  {'e', 'n', 0, 'f', 'r'})}));
  addTable(
      "language-set-ends-with-table",
      tableOf({plain(2), Structure(13, 0x16).u8(0x04, 3).u8(0x15, 1).rawStrings({'e', 'n', 0})}));
}

// Structures of the inventoried types too short for what the inventory reads first, and type 34
// structures the walk leaves as they are.
void shortStructures() {
  addTable("inventoried-types-short",
           tableOf({Structure(0, 5), Structure(1, 5), Structure(4, 5), Structure(13, 4),
                    Structure(16, 5), Structure(17, 5), endOfTable()}));
  addTable("type-34-other-length", tableOf({Structure(34, 11).str("s"), endOfTable()}));
  Bytes cut = tableOf({plain(1), Structure(34, 16)});
  cut.resize(plain(1).size() + 12);
  addTable("type-34-cut-short", cut);
}

// Texts beyond the record store's first chunk: a long text of its own behind the first chunk, and
// thousands of language structures of 85 missing languages each, whose texts (a kilobyte each,
// from 24 bytes) fill chunks up to the largest size and beyond.
void manyTexts() {
  addTable(
      "language-long-after-bios",
      tableOf({bios(0x1A), Structure(13, 0x16).u8(0x04, 1).u8(0x15, 1).str(std::string(3000, 'l')),
               endOfTable()}));
  Bytes table;
  const Bytes one = Structure(13, 0x16).u8(0x04, 85);
  for (int i = 0; i < 2200; ++i) table.insert(table.end(), one.begin(), one.end());
  const Bytes end = endOfTable();
  table.insert(table.end(), end.begin(), end.end());
  addTable("languages-2200", table);
}

// A table with a little of everything, for the table file layouts.
Bytes desktopTable() {
  return tableOf({bios(0x1A), language(0x16, 2, 1),
                  processor(0x30, 0xC6, 0xBFEBFBFF000306A9ull, "Intel(R) Core(TM) i7"),
                  memoryArray(0x17, 3, 0x02000000, 2), memoryDevice(0x28, 0x2000),
                  memoryDevice(0x28, 0, 0x1101), endOfTable()});
}

// The 31-byte "_SM_" entry point at offset 0 and the table at tableAddress.
Bytes dump32(const Bytes& table, uint32_t tableAddress, uint16_t length, uint16_t count) {
  Bytes out(0x20, 0);
  const char anchor[] = "_SM_";
  std::copy(anchor, anchor + 4, out.begin());
  out[0x05] = 0x1F;
  out[0x06] = 2;
  out[0x07] = 7;
  const char intermediate[] = "_DMI_";
  std::copy(intermediate, intermediate + 5, out.begin() + 0x10);
  putLe(&out, 0x16, length);
  putLe(&out, 0x18, tableAddress);
  putLe(&out, 0x1C, count);
  out.insert(out.end(), table.begin(), table.end());
  return out;
}

// The 24-byte "_SM3_" entry point at offset 0 and the table at tableAddress.
Bytes dump64(const Bytes& table, uint64_t tableAddress, uint32_t maximum) {
  Bytes out(0x20, 0);
  const char anchor[] = "_SM3_";
  std::copy(anchor, anchor + 5, out.begin());
  out[0x06] = 0x18;
  out[0x07] = 3;
  out[0x08] = 5;
  out[0x0A] = 1;
  putLe(&out, 0x0C, maximum);
  putLe(&out, 0x10, tableAddress);
  out.insert(out.end(), table.begin(), table.end());
  return out;
}

void tableFiles() {
  const Bytes table = desktopTable();
  const auto size = static_cast<uint32_t>(table.size());
  auto add = [](const std::string& name, const Bytes& bytes) {
    seeds.push_back({"table_file/" + name, bytes});
  };
  add("rsmb", rawBuffer(table));
  add("rsmb-length-disagrees", rawBufferAnnouncing(table, size + 100));
  add("raw", table);
  add("dump-sm", dump32(table, 0x20, static_cast<uint16_t>(size), 7));
  add("dump-sm-length-beyond-file", dump32(table, 0x20, 0xFFFF, 7));
  add("dump-sm-address-outside", dump32(table, 0x7FFFFFF0u, static_cast<uint16_t>(size), 7));
  add("dump-sm3", dump64(table, 0x20, size));
  add("dump-sm3-maximum-larger", dump64(table, 0x20, 0x10000));
  add("dump-sm3-maximum-smaller", dump64(table, 0x20, size / 2));
  add("dump-sm3-address-outside", dump64(table, 0xFFFFFFFFFFFFFFF0ull, size));
  add("dump-sm-length-zero", dump32(table, 0x20, 0, 7));
  add("dump-sm-entry-point-only", dump32({}, 0x000F0000u, static_cast<uint16_t>(size), 7));
  Bytes cut = dump32(table, 0x20, static_cast<uint16_t>(size), 7);
  cut.resize(20);
  add("dump-sm-cut-short", cut);
  Bytes anchorOnly = {'_', 'S', 'M', '3', '_'};
  add("anchor-only", anchorOnly);
  // Files that are none of the layouts, refused by the detection.
  add("empty", {});
  add("two-bytes", {0x00, 0x05});
  add("length-beyond-file", {0x01, 0x40, 0, 0, 'x', 0, 0});
  add("strings-without-end", {0x01, 0x04, 0, 0, 'a', 'b'});
  add("binary-strings", {0x01, 0x04, 0, 0, 0x01, 0x02, 0x03, 'a', 0, 0});
}

bool sameFile(const fs::path& path, const Bytes& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const Bytes held((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return held == bytes;
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::string(argv[1]) == "--check";
  if (argc != 2 && !check) {
    fprintf(stderr, "usage: make_corpus DIR | make_corpus --check DIR\n");
    return 2;
  }
  const fs::path dir = argv[argc - 1];
  decodedTypesAndLengthGates();
  decodedValues();
  processorIdKinds();
  brokenTables();
  stringsAtTheEnd();
  shortStructures();
  manyTexts();
  tableFiles();

  int stale = 0;
  for (const Seed& seed : seeds) {
    const fs::path path = dir / seed.name;
    if (check) {
      if (!sameFile(path, seed.bytes)) {
        fprintf(stderr, "out of date: %s (run make_corpus %s)\n", path.c_str(), dir.c_str());
        ++stale;
      }
      continue;
    }
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(seed.bytes.data()),
              static_cast<std::streamsize>(seed.bytes.size()));
    if (!out) {
      fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  if (check && stale > 0) return 1;
  printf("%zu seeds %s %s\n", seeds.size(), check ? "match" : "written to", dir.c_str());
  return 0;
}
