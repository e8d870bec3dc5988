#include "reader/table_walk.h"

#include "decoders/structure_decoders.h"
#include "reader/load_state.h"
#include "records/diagnostics.h"

namespace {

// The walk hands every structure to the decoders but these.
bool handedToDecoders(uint8_t type) {
  return type != kInactiveType && type != kEndOfTableType;
}

}  // namespace

void fixupEntryLength(StructureHeader* header) {
  constexpr unsigned kAnnounced = 16;
  constexpr unsigned kHeld = 11;
  if (header->length == kAnnounced && header->available >= kAnnounced &&
      isPrintableRun(header->data + kHeld, kAnnounced - kHeld)) {
    writeDiagnostic(DiagnosticKind::kLengthFixedUp, {kAnnounced, kHeld});
    header->length = kHeld;
  }
}

WalkStop walkTable(uint8_t* table, uint32_t tableLength, uint16_t count) {
  const LoadObserver* const observer = loadObserver;
  const bool observed = observer != nullptr && observer->structure != nullptr;
  uint32_t position = 0;
  StructureFacts facts;
  const WalkStop stop =
      walkStructures(table, tableLength, count, [&](const StructureHeader* header) {
        ++position;
        if (!handedToDecoders(header->type)) return;
        // Read once: the records are stored from the very facts the observer gets.
        if (decodeStructure(header, &facts, observed) != nullptr && observed) {
          observer->structure(position, &facts, observer->context);
        }
      });
  if (stop.end == kWalkBrokenLength) {
    writeDiagnostic(DiagnosticKind::kLengthBelowHeader, {stop.ended.length, 0});
  } else if (stop.end == kWalkTruncated) {
    if (handedToDecoders(stop.ended.type)) writeDiagnostic(DiagnosticKind::kStructureTruncated);
    writeDiagnostic(DiagnosticKind::kTruncationSeparator);
  }
  if (count != 0 && stop.structures != count) {
    // Counted in 16 bits, walked below 2^30 (a structure takes 4 bytes at least): as %d writes
    // them.
    writeDiagnostic(DiagnosticKind::kStructureCountMismatch, {count, stop.structures});
  }
  if (stop.occupied > tableLength || (count != 0 && stop.occupied < tableLength)) {
    writeDiagnostic(DiagnosticKind::kTableLengthMismatch,
                    {tableLength, static_cast<unsigned long>(stop.occupied)});
  }
  return stop;
}
