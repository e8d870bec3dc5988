#include "reader/table_walk.h"

#include <stdarg.h>
#include <stdio.h>

#include "base/limits.h"
#include "decoders/bios.h"
#include "decoders/memory.h"
#include "decoders/processor.h"

namespace {

constexpr uint8_t kInactiveType = 126;
constexpr uint8_t kEndOfTableType = 127;
constexpr uint8_t kManagementDeviceThresholdType = 34;

}  // namespace

void printStructureError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  fputc('\t', stdout);
  vfprintf(stdout, format, args);
  fputc('\n', stdout);
  va_end(args);
}

void printSeparator() {
  fputc('\n', stdout);
}

void fixupEntryLength(StructureHeader* header, int report) {
  // Some firmware announces 16 bytes for this structure although it has 11: the five bytes
  // behind the eleventh are then already its first string.
  if (header->length == 16 && header->available >= 16 && isPrintableRun(header->data + 11, 5)) {
    if (report) fprintf(stderr, "Invalid entry length (%u). Fixed up to %u.\n", 16u, 11u);
    header->length = 11;
  }
}

void decodeStructure(const StructureHeader* header) {
  switch (header->type) {
    case 0:
      decodeBiosInformation(header);
      break;
    case 4:
      decodeProcessorInformation(header);
      break;
    case 13:
      decodeBiosLanguage(header);
      break;
    case 16:
      decodeMemoryArray(header);
      break;
    case 17:
      decodeMemoryDevice(header);
      break;
    default:
      break;
  }
}

void walkTable(uint8_t* table, uint32_t tableLength, uint16_t count) {
  // Positions are offsets from table, kept in 64 bits so that no sum wraps and no pointer is
  // formed outside the delivered bytes.
  uint64_t p = 0;
  uint32_t i = 0;
  while (i < count || count == 0) {
    StructureHeader header;
    if (!readStructureHeader(table, tableLength, p, &header)) break;
    const bool toDecode = header.type != kInactiveType && header.type != kEndOfTableType;

    if (header.length < kStructureHeaderSize) {
      fprintf(stderr, "Invalid entry length (%u). DMI table is broken! Stop.\n\n",
              static_cast<unsigned>(header.length));
      break;
    }
    if (header.type == kManagementDeviceThresholdType) fixupEntryLength(&header, toDecode);

    // A formatted area that the table cuts off is not handed to a decoder: it would read past
    // the end. The walk still reports the structure as truncated below.
    if (toDecode && header.length <= header.available) decodeStructure(&header);

    const uint64_t next = stringSetEnd(table, tableLength, p + header.length);

    if (next > tableLength) {
      if (toDecode) printStructureError("%s", "<TRUNCATED>");
      printSeparator();
      p = next;
      break;
    }
    p = next;
    ++i;
  }

  if (count != 0 && i != count) {
    fprintf(stderr, "Wrong DMI structures count: %d announced, only %d decoded.\n",
            static_cast<int>(count), static_cast<int>(i));
  }
  const uint64_t occupied = p;
  if (occupied > tableLength || (count != 0 && occupied < tableLength)) {
    fprintf(stderr,
            "Wrong DMI structures length: %u bytes announced, structures occupy %lu bytes.\n",
            static_cast<unsigned>(tableLength), static_cast<unsigned long>(occupied));
  }
}
