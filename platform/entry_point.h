// The two SMBIOS entry point layouts of the public SMBIOS standard: the 31-byte 32-bit "_SM_"
// and the 24-byte 64-bit "_SM3_". Used to take the version of a table Linux exposes and to read
// table dumps that start with an entry point.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace platform {

struct EntryPoint {
  bool is64;  // "_SM3_"
  uint8_t major;
  uint8_t minor;
  uint8_t dmiRevision;   // docrev of "_SM3_"; 0 for "_SM_"
  uint32_t tableLength;  // "_SM_": the table length; "_SM3_": the table maximum size
  uint64_t tableAddress;
};

// Reads an entry point from the start of bytes. False when neither anchor is there or the bytes
// are too short for the layout the anchor names.
bool parseEntryPoint(const uint8_t* bytes, size_t size, EntryPoint* out);

}  // namespace platform
