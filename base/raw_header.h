// The 8-byte header of the platform's raw SMBIOS data, read and written here and nowhere else:
// calling-method flag, SMBIOS major and minor version, DMI revision (a byte each), then the
// table length, 32-bit little-endian. The structure table follows it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "base/byte_reader.h"
#include "base/limits.h"

struct RawHeader {
  uint8_t callingMethod;  // set when the table came by the SMBIOS 2.0 calling method
  uint8_t major;
  uint8_t minor;
  uint8_t dmiRevision;
  uint32_t tableLength;  // as announced, which may differ from what follows
};

// The header at the start of size bytes of raw data; false when they are fewer than a header.
inline bool readRawHeader(const uint8_t* raw, size_t size, RawHeader* header) {
  ByteReader r(raw, size);
  RawHeader h;
  if (!r.readU8(&h.callingMethod) || !r.readU8(&h.major) || !r.readU8(&h.minor) ||
      !r.readU8(&h.dmiRevision) || !r.readU32Le(&h.tableLength)) {
    return false;
  }
  *header = h;
  return true;
}

// The header's bytes, into exactly kRawHeaderSize bytes.
inline void writeRawHeader(const RawHeader& header, uint8_t (&bytes)[kRawHeaderSize]) {
  ByteWriter w(bytes, sizeof bytes);
  w.writeU8(header.callingMethod);
  w.writeU8(header.major);
  w.writeU8(header.minor);
  w.writeU8(header.dmiRevision);
  w.writeU32Le(header.tableLength);
}

// The length of the table the load reads behind the header of size bytes of raw data: as long
// as announced, but never beyond the bytes delivered.
inline uint32_t deliveredTableLength(const RawHeader& header, size_t size) {
  const size_t delivered = size > kRawHeaderSize ? size - kRawHeaderSize : 0;
  return header.tableLength < delivered ? header.tableLength : static_cast<uint32_t>(delivered);
}
