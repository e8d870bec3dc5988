#include "reader/table_walk.h"

#include "decoders/structure_decoders.h"
#include "records/diagnostics.h"

namespace {

// The walk hands every structure to the decoders but these.
bool handedToDecoders(uint8_t type) {
  return type != kInactiveType && type != kEndOfTableType;
}

}  // namespace

void fixupEntryLength(StructureHeader* header, int report) {
  constexpr unsigned kAnnounced = 16;
  constexpr unsigned kHeld = 11;
  if (header->length == kAnnounced && header->available >= kAnnounced &&
      isPrintableRun(header->data + kHeld, kAnnounced - kHeld)) {
    if (report) writeDiagnostic(DiagnosticKind::kLengthFixedUp, {kAnnounced, kHeld});
    header->length = kHeld;
  }
}

void walkTable(uint8_t* table, uint32_t tableLength, uint16_t count) {
  const WalkStop stop =
      walkStructures(table, tableLength, count, true, [](const StructureHeader* header) {
        if (handedToDecoders(header->type)) decodeStructure(header);
      });
  if (stop.end == kWalkBrokenLength) {
    writeDiagnostic(DiagnosticKind::kLengthBelowHeader, {stop.ended.length, 0});
  } else if (stop.end == kWalkTruncated) {
    if (handedToDecoders(stop.ended.type)) writeDiagnostic(DiagnosticKind::kStructureTruncated);
    writeDiagnostic(DiagnosticKind::kTruncationSeparator);
  }
  if (count != 0 && stop.structures != count) {
    writeDiagnostic(DiagnosticKind::kStructureCountMismatch,
                    {static_cast<int>(count), static_cast<int>(stop.structures)});
  }
  if (stop.occupied > tableLength || (count != 0 && stop.occupied < tableLength)) {
    writeDiagnostic(DiagnosticKind::kTableLengthMismatch,
                    {static_cast<unsigned>(tableLength),
                     static_cast<int64_t>(static_cast<unsigned long>(stop.occupied))});
  }
}
