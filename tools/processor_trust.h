// What script gets from GetCPUSerialNumber and how far to trust it: the ID, the socket whose
// structure it comes from, the same ID as Windows management tools show it, and one warning
// line for each reason to doubt it.
#pragma once

#include <stdint.h>

#include "base/text_buffer.h"
#include "tools/inventory.h"

// The two registers of CPUID leaf 1 that the processor ID holds.
struct CpuidLeaf1 {
  uint32_t eax;  // signature
  uint32_t edx;  // feature flags
};

// Reads CPUID leaf 1 of the processor this runs on; false where there is no CPUID (not x86).
bool readCpuidLeaf1(CpuidLeaf1* out);

// One reason to doubt the ID: kind is what programs test ("allZero", "emptySocket", ...).
struct ProcessorIdWarning {
  const char* kind = nullptr;
  TextBuffer text;  // one line, without a line feed
};

struct ProcessorIdAssessment {
  // A table that could not be read, a table without an ID, and at most one of every other kind.
  static constexpr int kMaxWarnings = 8;

  const char* id = nullptr;  // the text script gets; null when there is none
  // The structure the ID comes from; null when it is not known.
  const InventoryProcessor* source = nullptr;
  // Its socket designation: the string (null where it names none, or one it does not have), and
  // the name people read, with the structure's handle where another socket has the same name.
  const char* socket = nullptr;
  TextBuffer socketName;
  int32_t socketHandle = -1;        // that structure's handle; -1 when it is not known
  const char* signature = nullptr;  // that structure's decoded signature
  SignaturePie signaturePie;
  char processorId[17] = {};  // EDX then EAX as 16 hex digits; empty without an ID
  ProcessorIdWarning warnings[kMaxWarnings];
  int warningCount = 0;

  bool outOfMemory = false;  // a sign or a warning's text did not get the memory it needed

  // The text of a new warning of that kind; null when every place is taken.
  TextBuffer* warn(const char* kind);
  // False when memory ran out, so that a warning may be missing or cut short.
  bool complete() const;
};

// The line every answer carries: what the processor ID is.
extern const char kProcessorIdNote[];

// id: the record's ID text (null when the table gave none). inventory: every structure of the
// same table (its memory need not be kept). tableError: why this machine's table could not be
// read, or null when it was read. cpuid: this machine's CPUID leaf 1 when the table is this
// machine's own, else null. The texts of the result point into id and inventory.
void assessProcessorId(const char* id, const Inventory& inventory, const char* tableError,
                       const CpuidLeaf1* cpuid, ProcessorIdAssessment* out);
