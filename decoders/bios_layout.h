// BIOS Information (type 0) and BIOS Language Information (type 13) as the decoders and the
// inventory read them: the offsets of their fields, counted from the structure's first byte.
#pragma once

namespace bios_field {

// String numbers.
constexpr unsigned kVendor = 0x04;
constexpr unsigned kVersion = 0x05;
constexpr unsigned kReleaseDate = 0x08;
// 64 kB blocks less one; 0xFF defers to the extended ROM size.
constexpr unsigned kRomSize = 0x09;
// 64 bits, read as two halves of 32. SMBIOS 2.0's structure ends with them: the shortest one
// decoded holds them.
constexpr unsigned kCharacteristics = 0x0A;
constexpr unsigned kCharacteristicsUpper = 0x0E;
constexpr unsigned kExtensionByte1 = 0x12;
constexpr unsigned kExtensionByte2 = 0x13;
// 16 bits: the size in bits 0 to 13, its unit in bits 14 and 15.
constexpr unsigned kExtendedRomSize = 0x18;

}  // namespace bios_field

namespace bios_language_field {

constexpr unsigned kInstallableLanguages = 0x04;  // how many strings are languages
constexpr unsigned kCurrentLanguage = 0x15;       // string number

}  // namespace bios_language_field
