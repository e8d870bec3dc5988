#include "tools/processor_trust.h"

#include <stdio.h>
#include <string.h>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#elif defined(_M_IX86) || defined(_M_X64)
#include <intrin.h>
#endif

#include "base/byte_reader.h"
#include "decoders/record_fields.h"
#include "structures/string_texts.h"
#include "tablefile/text_format.h"
#include "tools/sort_keys.h"
#include "tools/text_report.h"

const char kProcessorIdNote[] =
    "The processor ID is the processor model's signature and feature flags, shared by every "
    "machine with the same processor model: it is not a per-machine serial number.";

namespace {

// Names that virtual machines and their firmware put into the BIOS and processor strings.
constexpr const char* kVirtualMachineNames[] = {
    "QEMU",      "KVM",     "Bochs",           "BOCHS",      "SeaBIOS",
    "OVMF",      "VMware",  "VirtualBox",      "innotek",    "Xen",
    "Parallels", "Hyper-V", "Virtual Machine", "Amazon EC2", "Google Compute Engine",
};

// Makers and models that System Information gives for a virtual machine. Hyper-V's maker,
// "Microsoft Corporation", names real machines too: there the model decides.
constexpr const char* kVirtualMachineMakers[] = {
    "VMware", "VirtualBox", "innotek", "QEMU", "KVM", "Xen", "Bochs", "Parallels",
};
constexpr char kMicrosoft[] = "Microsoft Corporation";
constexpr char kMicrosoftVirtualMachine[] = "Virtual Machine";

// Family names under which the ID's layout is left to the processor's version string.
constexpr const char* kFamiliesDecidedByVersion[] = {"Other", "Unknown"};

// The IDs a mixedIds warning names; it counts the others.
constexpr size_t kMixedIdsShown = 8;

void appendTrimmed(TextBuffer* out, const char* text, size_t length) {
  out->append(text, trimmedLength(text, length));
}
void appendTrimmed(TextBuffer* out, const char* text) {
  appendTrimmed(out, text, strlen(text));
}

// A string the structure holds, as the package stores it; null where it is too short to hold it.
const char* heldString(bool held, const StringFact& string) {
  return held ? string.text : nullptr;
}

FieldText socketText(const ProcessorFacts& p) {
  FieldRoom room;
  const FieldValue value = processorSocket(p, room);
  return value.text.text != nullptr ? value.text : FieldText{"a socket", 8};
}

bool sameName(const FieldText& a, const FieldText& b) {
  const size_t length = trimmedLength(a.text, a.length);
  return length == trimmedLength(b.text, b.length) && memcmp(a.text, b.text, length) == 0;
}

// The socket's name as people read it: its designation, with the structure's handle where
// another processor structure of the table has the same designation.
void appendSocketName(TextBuffer* out, const InventoryProcessor& p, const Inventory& inventory) {
  const FieldText name = socketText(p.facts);
  appendTrimmed(out, name.text, name.length);
  for (const InventoryProcessor& other : inventory.processors) {
    if (&other != &p && sameName(socketText(other.facts), name)) {
      appendFormat(out, " (handle 0x%04X)", static_cast<unsigned>(p.facts.handle));
      return;
    }
  }
}

// The ID text of a structure that holds the ID.
void idText(const ProcessorFacts& p, ProcessorIdPie& pie, const char** text) {
  const FieldText id = processorIdText(p.id, pie);
  pie[id.length] = '\0';
  *text = pie;
}

// The structure the ID comes from: the last one the package decodes that gives this ID, as the
// load's last store wins.
const InventoryProcessor* sourceOf(const char* id, const Inventory& inventory) {
  const InventoryProcessor* source = nullptr;
  for (const InventoryProcessor& p : inventory.processors) {
    if (p.facts.length < processor_field::kLength20) continue;
    ProcessorIdPie pie;
    const char* text = nullptr;
    idText(p.facts, pie, &text);
    if (strcmp(text, id) == 0) source = &p;
  }
  return source;
}

void warnEmptySocket(const InventoryProcessor& source, const Inventory& inventory,
                     ProcessorIdAssessment* out) {
  if (socketPopulated(source.facts) != 0) return;
  TextBuffer* warning = out->warn("emptySocket");
  if (warning == nullptr) return;
  warning->append("the ID comes from ");
  appendSocketName(warning, source, inventory);
  warning->append(", an empty socket");
  unsigned populated = 0;
  for (const InventoryProcessor& p : inventory.processors) {
    if (&p == &source || socketPopulated(p.facts) != 1) continue;
    warning->append(populated == 0 ? ", while " : ", ");
    appendSocketName(warning, p, inventory);
    if (p.facts.holdsId()) {
      ProcessorIdPie pie;
      const char* id = nullptr;
      idText(p.facts, pie, &id);
      warning->append(" (ID ");
      warning->append(id);
      warning->append(")");
    }
    ++populated;
  }
  if (populated > 0) warning->append(populated == 1 ? " is populated" : " are populated");
}

// Why the structure the ID comes from has no signature: the family it names has no ID layout
// the package decodes, or leaves it to a version string the package does not recognise.
void warnNoSignature(const InventoryProcessor& source, ProcessorIdAssessment* out) {
  const ProcessorFacts& p = source.facts;
  if (out->signature != nullptr) return;
  TextBuffer* warning = out->warn("noSignature");
  if (warning == nullptr) return;
  const FieldText family = processorFamilyText(p);
  warning->append("no signature can be decoded from the ID: the firmware gives the family \"");
  appendTrimmed(warning, family.text, family.length);
  bool byVersion = false;
  for (const char* name : kFamiliesDecidedByVersion) {
    byVersion |= family.length == strlen(name) && memcmp(family.text, name, family.length) == 0;
  }
  if (byVersion) {
    warning->append("\", which leaves the ID's layout to the version, and the version \"");
    appendTrimmed(warning, p.version.text, p.version.length);
    warning->append("\" names no processor the package knows");
  } else {
    warning->append("\", whose ID layout the package does not decode");
  }
  warning->append("; the ID is still what script gets");
}

// Populated sockets that report different IDs are no one processor model: which one does script
// get?
void warnMixedIds(const Inventory& inventory, ProcessorIdAssessment* out) {
  // Each populated socket's non-zero ID, in table order.
  GrowableArray<uint64_t> ids;
  GrowableArray<uint64_t> sorted;
  for (const InventoryProcessor& p : inventory.processors) {
    if (socketPopulated(p.facts) != 1 || !p.facts.holdsId()) continue;
    uint64_t id = 0;
    readLeAt(p.facts.id, sizeof p.facts.id, 0, &id);
    if (id != 0 && !(ids.push(id) && sorted.push(id))) out->outOfMemory = true;
  }
  sortKeys(sorted.begin(), sorted.size());
  size_t distinct = 0;
  for (size_t i = 0; i < sorted.size(); ++i) distinct += i == 0 || sorted[i] != sorted[i - 1];
  if (distinct < 2) return;
  TextBuffer* warning = out->warn("mixedIds");
  if (warning == nullptr) return;
  appendFormat(warning, "populated sockets report %lu different IDs: ",
               static_cast<unsigned long>(distinct));
  // The first of them in the order each first stands, each with its count.
  uint64_t shown[kMixedIdsShown];
  size_t shownCount = 0;
  for (size_t i = 0; i < ids.size() && shownCount < kMixedIdsShown; ++i) {
    bool seen = false;
    for (size_t j = 0; j < shownCount; ++j) seen = seen || shown[j] == ids[i];
    if (seen) continue;
    shown[shownCount++] = ids[i];
    unsigned long sockets = 0;
    for (uint64_t other : ids) sockets += other == ids[i];
    uint8_t bytes[8];
    ByteWriter(bytes, sizeof bytes).writeU64Le(ids[i]);
    ProcessorIdPie pie;
    const FieldText text = processorIdText(bytes, pie);
    if (shownCount > 1) warning->append(", ");
    warning->append(text.text, text.length);
    appendFormat(warning, " (%lu socket%s)", sockets, sockets == 1 ? "" : "s");
  }
  if (distinct > shownCount) {
    appendFormat(warning, ", and %lu more", static_cast<unsigned long>(distinct - shownCount));
  }
}

// A walk that stopped early may have lost the processor structure the ID should come from.
void warnDamagedTable(const Inventory& inventory, ProcessorIdAssessment* out) {
  const InventoryWalk& walk = inventory.walk;
  if (walkReadWhole(walk)) return;
  TextBuffer* warning = out->warn("damagedTable");
  if (warning == nullptr) return;
  const unsigned long at = static_cast<unsigned long>(walk.structures) + 1;
  const long counted = static_cast<long>(walk.counted);
  if (walk.end == kWalkBrokenLength) {
    appendFormat(warning,
                 "the table is damaged: the walk stopped at structure %lu of %ld, whose length is "
                 "below its 4-byte header, so only the %lu structures before it were read",
                 at, counted, at - 1);
  } else if (walkStoppedAtCount(walk)) {
    appendFormat(warning,
                 "the table holds more structures than a 16-bit count: the walk stopped after "
                 "structure %lu of %ld, so anything behind it is missing",
                 at - 1, counted);
  } else {
    appendFormat(warning,
                 "the table is cut short: structure %lu of %ld runs past its end, so anything "
                 "behind it is missing",
                 at, counted);
  }
}

// System Information names the machine: a virtual machine's names its hypervisor.
void warnVirtualMachine(const Inventory& inventory, ProcessorIdAssessment* out) {
  for (const InventorySystem& system : inventory.systems) {
    const SystemFacts& s = system.facts;
    const char* maker = heldString(s.length > system_field::kManufacturer, s.manufacturer);
    const char* product = heldString(s.length > system_field::kProductName, s.productName);
    if (maker == nullptr) maker = "";
    if (product == nullptr) product = "";
    bool named = strstr(maker, kMicrosoft) != nullptr &&
                 strstr(product, kMicrosoftVirtualMachine) != nullptr;
    for (const char* name : kVirtualMachineMakers) {
      named |= strstr(maker, name) != nullptr || strstr(product, name) != nullptr;
    }
    if (!named) continue;
    TextBuffer* warning = out->warn("virtualMachine");
    if (warning == nullptr) return;
    warning->append("System Information names a virtual machine (manufacturer \"");
    appendTrimmed(warning, maker);
    warning->append("\", product \"");
    appendTrimmed(warning, product);
    warning->append(
        "\"): its hypervisor makes up the firmware table, processor ID included, and may give "
        "every guest the same one");
    return;
  }
}

void addSign(TextBuffer* signs, const char* what, const char* text) {
  signs->append(signs->empty() ? "" : "; ");
  signs->append(what);
  signs->append(" \"");
  appendTrimmed(signs, text);
  signs->append("\"");
}

// A string that names a virtual machine is a sign; so is the BIOS bit that says so.
void addNamedSigns(TextBuffer* signs, const char* what, const char* text) {
  if (text == nullptr) return;
  for (const char* name : kVirtualMachineNames) {
    if (strstr(text, name) != nullptr) {
      addSign(signs, what, text);
      return;
    }
  }
}

void warnSynthesised(const Inventory& inventory, ProcessorIdAssessment* out) {
  TextBuffer signs;
  for (const InventoryBios& b : inventory.bios) {
    const BiosFacts& bios = b.facts;
    // What the package reads of a BIOS structure: from the characteristics on.
    if (!bios.holdsCharacteristics()) continue;
    if (biosSaysVirtualMachine(bios)) {
      signs.append(signs.empty() ? "" : "; ");
      signs.append("the BIOS characteristics say \"");
      signs.append(kVirtualMachineText);
      signs.append("\"");
    }
    addNamedSigns(&signs, "the BIOS vendor is", bios.vendor.text);
    addNamedSigns(&signs, "the BIOS version is", bios.version.text);
    // Firmware always names itself; a table made up by a compatibility layer may not.
    if (bios.vendor.none() && bios.version.none() && bios.releaseDate.none()) {
      signs.append(signs.empty() ? "" : "; ");
      signs.append("the BIOS names no vendor, version or release date");
    }
  }
  for (const InventoryProcessor& p : inventory.processors) {
    // What the package reads of a processor structure.
    if (p.facts.length < processor_field::kLength20) continue;
    addNamedSigns(&signs, "the processor manufacturer is", p.facts.manufacturer.text);
    addNamedSigns(&signs, "the processor version is", p.facts.version.text);
  }
  // A table with a BIOS but without these is not a whole machine's, unless the walk lost them.
  if (!inventory.bios.empty() && inventory.processors.empty() && inventory.memoryStructures == 0 &&
      walkReadWhole(inventory.walk)) {
    signs.append(signs.empty() ? "" : "; ");
    signs.append("the table has no processor and no memory structure");
  }
  if (signs.failed()) out->outOfMemory = true;
  if (signs.empty()) return;
  TextBuffer* warning = out->warn("synthesised");
  if (warning == nullptr) return;
  warning->append("the table looks synthesised by a virtual machine or a compatibility layer: ");
  warning->append(signs.text());
}

}  // namespace

bool readCpuidLeaf1(CpuidLeaf1* out) {
#if defined(__i386__) || defined(__x86_64__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
  out->eax = eax;
  out->edx = edx;
  return true;
#elif defined(_M_IX86) || defined(_M_X64)
  int registers[4];
  __cpuid(registers, 1);
  out->eax = static_cast<uint32_t>(registers[0]);
  out->edx = static_cast<uint32_t>(registers[3]);
  return true;
#else
  (void)out;
  return false;
#endif
}

bool ProcessorIdAssessment::complete() const {
  if (outOfMemory) return false;
  for (int i = 0; i < warningCount; ++i) {
    if (warnings[i].text.failed()) return false;
  }
  return true;
}

TextBuffer* ProcessorIdAssessment::warn(const char* kind) {
  if (warningCount == kMaxWarnings) return nullptr;
  ProcessorIdWarning& warning = warnings[warningCount++];
  warning.kind = kind;
  return &warning.text;
}

void assessProcessorId(const char* id, const Inventory& inventory, const char* tableError,
                       const CpuidLeaf1* cpuid, ProcessorIdAssessment* out) {
  out->id = id;
  if (tableError != nullptr) {
    TextBuffer* warning = out->warn("tableUnreadable");
    warning->append("this machine's firmware table could not be read (");
    warning->append(tableError);
    warning->append("): GetCPUSerialNumber returns an empty string");
    return;
  }
  if (id == nullptr) {
    out->warn("noProcessor")
        ->append(
            "the table has no usable processor structure: GetCPUSerialNumber returns an empty "
            "string");
    warnDamagedTable(inventory, out);
    warnVirtualMachine(inventory, out);
    warnSynthesised(inventory, out);
    return;
  }
  const InventoryProcessor* source = sourceOf(id, inventory);
  out->source = source;
  if (source != nullptr) {
    const ProcessorFacts& p = source->facts;
    FieldRoom room;
    const FieldValue socket = processorSocket(p, room);
    if (socket.string != nullptr && !socket.string->none() && !socket.string->missing()) {
      out->socket = socket.string->text;
    }
    if (socket.text.text != nullptr) appendSocketName(&out->socketName, *source, inventory);
    out->socketHandle = p.handle;
    const FieldText signature =
        processorSignatureText(detectProcessorIdKind(p), p.id, out->signaturePie);
    if (signature.text != nullptr) {
      out->signaturePie[signature.length] = '\0';
      out->signature = out->signaturePie;
    }
  }
  // The ID's registers from the structure itself: EAX, the signature, then EDX, the flags.
  const bool read = source != nullptr;
  uint32_t eax = 0;
  uint32_t edx = 0;
  if (read) {
    ByteReader idReader(source->facts.id, sizeof source->facts.id);
    idReader.readU32Le(&eax);
    idReader.readU32Le(&edx);
    // EDX, then EAX, each as eight upper-case hexadecimal digits.
    static const char kHex[] = "0123456789ABCDEF";
    const uint32_t words[] = {edx, eax};
    for (int w = 0; w < 2; ++w) {
      for (int digit = 0; digit < 8; ++digit) {
        out->processorId[w * 8 + digit] = kHex[words[w] >> (28 - 4 * digit) & 0xF];
      }
    }
    out->processorId[16] = '\0';
  }

  const bool allZero = read && eax == 0 && edx == 0;
  if (allZero) {
    out->warn("allZero")->append("the ID is all zero: the firmware names no processor model here");
  }
  if (source != nullptr) {
    warnEmptySocket(*source, inventory, out);
    // An empty socket or a zero ID says already why there is no signature.
    if (!allZero && socketPopulated(source->facts) != 0) warnNoSignature(*source, out);
  }
  warnMixedIds(inventory, out);
  warnDamagedTable(inventory, out);
  warnVirtualMachine(inventory, out);
  warnSynthesised(inventory, out);
  if (cpuid != nullptr && read && (cpuid->eax != eax || cpuid->edx != edx)) {
    TextBuffer* warning = out->warn("cpuidMismatch");
    if (warning == nullptr) return;
    // The registers as the ID's bytes would hold them.
    uint8_t r[8];
    ByteWriter registers(r, sizeof r);
    registers.writeU32Le(cpuid->eax);
    registers.writeU32Le(cpuid->edx);
    appendFormat(warning,
                 "the ID differs from what CPUID leaf 1 reports on this machine (EAX %08lX, EDX "
                 "%08lX, which read as %02X %02X %02X %02X %02X %02X %02X %02X)",
                 static_cast<unsigned long>(cpuid->eax), static_cast<unsigned long>(cpuid->edx),
                 r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7]);
  }
}
