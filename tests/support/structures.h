// The structures of each decoded type, every field the decoders read set, as the decoder and walk
// tests build them. A length below the full one keeps the fields that fit (a word cut in half
// keeps its low byte, which no decoder reads).
#pragma once

#include <string>

#include "tests/support/table_builder.h"

// BIOS Information: vendor, version and release date strings.
inline Structure biosStructure(uint8_t length) {
  return Structure(0, length).u8(0x04, 1).u8(0x05, 2).u8(0x08, 3).str("Vendor").str("1.0").str(
      "01/02/2024");
}

// BIOS Language Information: the number of installable languages and the current one.
inline Structure languageStructure(uint8_t length, uint8_t installable, uint8_t current) {
  return Structure(13, 0x16).u8(0x04, installable).u8(0x15, current).resize(length);
}

// Processor Information: an Intel Core i7 (ID A9 06 03 00 FF FB EB BF) at 1.2 V, 100, 4000 and
// 3600 MHz, 4 cores, 3 enabled, 8 threads, six characteristics; the tag tells the strings of two
// structures apart.
inline Structure processorStructure(uint8_t length, const std::string& tag = "") {
  Structure s(4, 0x2A);
  s.u8(0x04, 1).u8(0x05, 3).u8(0x06, 0xC6).u8(0x07, 2).u64(0x08, 0xBFEBFBFF000306A9ull);
  s.u8(0x10, 3).u8(0x11, 0x8C).u16(0x12, 100).u16(0x14, 4000).u16(0x16, 3600);
  s.bytes(0x20, {4, 5, 6, 4, 3, 8}).u16(0x26, 0x00FC).u16(0x28, 0xC6).resize(length);
  s.str("CPU" + tag).str("Intel(R) Corporation" + tag).str("Intel(R) Core(TM) i7-3770" + tag);
  return s.str("SN" + tag).str("AT" + tag).str("PN" + tag);
}

// Physical Memory Array on the system board; a short one keeps the low byte of its device count.
inline Structure memoryArrayStructure(uint8_t use, uint16_t devices, uint32_t capacity = 0x02000000,
                                      uint8_t length = 0x0F) {
  return Structure(16, 0x0F)
      .u8(0x04, 0x03)
      .u8(0x05, use)
      .u32(0x07, capacity)
      .u16(0x0D, devices)
      .resize(length);
}
inline Structure systemArray(uint16_t devices) {
  return memoryArrayStructure(0x03, devices);
}

// Memory Device: a DDR4 DIMM of size (8 GB) at 3200 MT/s, configured 2933 MT/s and 1.2 V.
inline Structure deviceStructure(uint8_t length, const std::string& locator = "DIMM 0",
                                 uint16_t size = 0x2000) {
  Structure s(17, 0x28);
  s.u16(0x0C, size).u8(0x0E, 0x09).u8(0x10, 1).u8(0x11, 2).u8(0x12, 0x1A).u16(0x15, 3200);
  s.bytes(0x17, {3, 4, 5, 6}).u16(0x20, 2933).u16(0x26, 1200).resize(length);
  return s.str(locator).str("BANK 0").str("Maker").str("1234").str("Tag").str("Part");
}
