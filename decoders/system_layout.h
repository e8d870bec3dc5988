// System Information (type 1), which the package does not decode and the inventory reads for the
// tools: the offsets of its fields, counted from the structure's first byte.
#pragma once

namespace system_field {

constexpr unsigned kManufacturer = 0x04;  // string number
constexpr unsigned kProductName = 0x05;   // string number

}  // namespace system_field
