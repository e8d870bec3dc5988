// The Processor Information structure (type 4) as its facts read it: the offsets of its fields,
// counted from the structure's first byte, and the lengths of its layouts.
#pragma once

#include <stdint.h>

namespace processor_field {

constexpr unsigned kSocketDesignation = 0x04;  // string number
constexpr unsigned kType = 0x05;
constexpr unsigned kFamily = 0x06;
constexpr unsigned kManufacturer = 0x07;  // string number
constexpr unsigned kId = 0x08;            // eight bytes
constexpr unsigned kVersion = 0x10;       // string number
constexpr unsigned kVoltage = 0x11;
constexpr unsigned kExternalClock = 0x12;  // 16 bits, MHz
constexpr unsigned kMaxSpeed = 0x14;       // 16 bits, MHz
constexpr unsigned kCurrentSpeed = 0x16;   // 16 bits, MHz
constexpr unsigned kStatus = 0x18;         // bit 6: the socket is populated
constexpr unsigned kSerialNumber = 0x20;   // string number
constexpr unsigned kAssetTag = 0x21;       // string number
constexpr unsigned kPartNumber = 0x22;     // string number
constexpr unsigned kCoreCount = 0x23;
constexpr unsigned kCoresEnabled = 0x24;
constexpr unsigned kThreadCount = 0x25;
constexpr unsigned kCharacteristics = 0x26;  // 16 bits
constexpr unsigned kFamily2 = 0x28;          // 16 bits
constexpr unsigned kCoreCount2 = 0x2A;       // 16 bits
constexpr unsigned kCoresEnabled2 = 0x2C;    // 16 bits
constexpr unsigned kThreadCount2 = 0x2E;     // 16 bits

// The formatted lengths of the layouts the decoders tell apart, by SMBIOS version: 2.0's is the
// shortest decoded, 2.1 adds the cache handles, 2.3 the serial number, asset tag and part number,
// 2.5 the counts and the characteristics.
constexpr unsigned kLength20 = 0x1A;
constexpr unsigned kLength21 = 0x20;
constexpr unsigned kLength23 = 0x23;
constexpr unsigned kLength25 = 0x28;

constexpr uint8_t kSocketPopulated = 0x40;  // in the Status byte

}  // namespace processor_field
