// One SMBIOS structure as the walk hands it to the decoders, bounded reads of its formatted
// area, and the lookup of its strings. Decoders never add offsets to pointers themselves.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct StructureHeader {
  uint8_t type;
  uint8_t length;  // formatted length; the type 34 fix-up may lower it here, never in the table
  uint16_t handle;
  uint8_t* data;       // byte 0 of the structure inside the raw table buffer
  uint32_t available;  // bytes delivered from data to the end of the table (at least length)
};

// The structure whose first byte lies at offset in a table of tableLength bytes, its header read
// from its first four bytes; data points at it and available counts the bytes from there to the
// end of the table. False (header unchanged) when fewer than four bytes are left there.
bool readStructureHeader(uint8_t* table, uint32_t tableLength, uint64_t offset,
                         StructureHeader* header);

// Steps from offset, where a string set starts, past the two zero bytes that close it: the offset
// of the next structure. Beyond tableLength when the table ends first; reads no byte outside it.
uint64_t stringSetEnd(const uint8_t* table, uint32_t tableLength, uint64_t offset);

// Little-endian reads at an offset of the formatted area. A read that does not lie wholly inside
// the formatted length gives 0; the decoders' length gates keep them inside.
uint8_t readU8(const StructureHeader* header, unsigned offset);
uint16_t readU16Le(const StructureHeader* header, unsigned offset);
uint32_t readU32Le(const StructureHeader* header, unsigned offset);
uint64_t readU64Le(const StructureHeader* header, unsigned offset);

// String number of the structure to text, never null: "Not Specified" for 0, "<BAD INDEX>" when
// the structure has no such string (also when the string runs past the end of the table),
// otherwise the string inside the raw table, its unprintable bytes turned into '.' for good.
const char* structureString(const StructureHeader* header, uint8_t number);
char* findStructureString(const StructureHeader* header, uint8_t number);

// Strings 1, 2, 3, ... of one structure in turn, each exactly as structureString gives it, in one
// pass over the string set: a decoder that wants every string of a long set does not start from
// the first string for each of them.
class StructureStrings {
 public:
  explicit StructureStrings(const StructureHeader* header);
  const char* next();

 private:
  uint8_t* next_;  // where the next string starts; null once a string ran past the table
  const uint8_t* end_;
};

void filterUnprintable(char* text, size_t count);
int isPrintableRun(const uint8_t* bytes, size_t count);
