// BIOS Information (type 0) and BIOS Language Information (type 13) as the decoders and the
// inventory read them: the offsets of their fields, counted from the structure's first byte.
#pragma once

namespace bios_field {

constexpr unsigned kVendor = 0x04;       // string number
constexpr unsigned kVersion = 0x05;      // string number
constexpr unsigned kReleaseDate = 0x08;  // string number
// 64 kB blocks less one; 0xFF defers to the extended ROM size.
constexpr unsigned kRomSize = 0x09;
constexpr unsigned kCharacteristics = 0x0A;       // 32 bits
constexpr unsigned kCharacteristicsUpper = 0x0E;  // 32 bits
constexpr unsigned kExtensionByte1 = 0x12;
constexpr unsigned kExtensionByte2 = 0x13;
// 16 bits: the size in bits 0 to 13, its unit in bits 14 and 15.
constexpr unsigned kExtendedRomSize = 0x18;

// SMBIOS 2.0's structure, which ends with the characteristics: the shortest one decoded.
constexpr unsigned kLength20 = 0x12;

}  // namespace bios_field

namespace bios_language_field {

constexpr unsigned kInstallableLanguages = 0x04;  // how many strings are languages
constexpr unsigned kCurrentLanguage = 0x15;       // string number

}  // namespace bios_language_field
