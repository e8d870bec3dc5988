// Physical Memory Array (type 16) and Memory Device (type 17) as the decoders and the inventory
// read them: the offsets of their fields, counted from the structure's first byte.
#pragma once

#include <stdint.h>

namespace memory_array_field {

constexpr unsigned kLocation = 0x04;
constexpr unsigned kUse = 0x05;
// 32 bits, kB; kCapacityInExtendedField defers to the extended maximum capacity.
constexpr unsigned kMaximumCapacity = 0x07;
constexpr unsigned kNumberOfDevices = 0x0D;          // 16 bits
constexpr unsigned kExtendedMaximumCapacity = 0x0F;  // 64 bits, bytes

constexpr uint32_t kCapacityInExtendedField = 0x80000000;
// The Use of an array of the system's memory, the one kind whose devices the package keeps.
constexpr uint8_t kSystemMemoryUse = 0x03;

}  // namespace memory_array_field

namespace memory_device_field {

constexpr unsigned kArrayHandle = 0x04;  // 16 bits
// 16 bits: 0 no module installed, 0xFFFF unknown, kSizeInExtendedField defers to the extended
// size; otherwise MB, or kB with bit 15 set.
constexpr unsigned kSize = 0x0C;
constexpr unsigned kFormFactor = 0x0E;
constexpr unsigned kDeviceLocator = 0x10;  // string number
constexpr unsigned kBankLocator = 0x11;    // string number
constexpr unsigned kMemoryType = 0x12;
constexpr unsigned kTypeDetail = 0x13;  // 16 bits
// 16 bits, MT/s: 0 unknown, 0xFFFF defers to the extended speed.
constexpr unsigned kSpeed = 0x15;
constexpr unsigned kManufacturer = 0x17;             // string number
constexpr unsigned kSerialNumber = 0x18;             // string number
constexpr unsigned kAssetTag = 0x19;                 // string number
constexpr unsigned kPartNumber = 0x1A;               // string number
constexpr unsigned kExtendedSize = 0x1C;             // 32 bits, MB in bits 0 to 30
constexpr unsigned kConfiguredSpeed = 0x20;          // 16 bits, as kSpeed
constexpr unsigned kConfiguredVoltage = 0x26;        // 16 bits, mV; 0 unknown
constexpr unsigned kExtendedSpeed = 0x54;            // 32 bits, MT/s
constexpr unsigned kExtendedConfiguredSpeed = 0x58;  // 32 bits, MT/s

constexpr uint16_t kNoModule = 0;
constexpr uint16_t kSizeUnknown = 0xFFFF;
constexpr uint16_t kSizeInExtendedField = 0x7FFF;
constexpr uint16_t kSpeedInExtendedField = 0xFFFF;

}  // namespace memory_device_field
