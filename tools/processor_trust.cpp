#include "tools/processor_trust.h"

#include <stdio.h>
#include <string.h>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#elif defined(_M_IX86) || defined(_M_X64)
#include <intrin.h>
#endif

#include "base/byte_reader.h"
#include "structures/string_texts.h"
#include "tablefile/text_format.h"
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

void appendTrimmed(TextBuffer* out, const char* text) {
  out->append(text, trimmedLength(text, strlen(text)));
}

const char* socketName(const InventoryProcessor& p) {
  return p.record.socketDesignation != nullptr ? p.record.socketDesignation : "a socket";
}

// The structure the ID comes from: the last one that stored this ID, as the load's last store
// wins.
const InventoryProcessor* sourceOf(const char* id, const Inventory& inventory) {
  const InventoryProcessor* source = nullptr;
  for (const InventoryProcessor& p : inventory.processors) {
    if (p.record.id != nullptr && strcmp(p.record.id, id) == 0) source = &p;
  }
  return source;
}

void warnEmptySocket(const InventoryProcessor& source, const Inventory& inventory,
                     ProcessorIdAssessment* out) {
  if (socketPopulated(source) != 0) return;
  TextBuffer* warning = out->warn("emptySocket");
  if (warning == nullptr) return;
  warning->append("the ID comes from ");
  appendTrimmed(warning, socketName(source));
  warning->append(", an empty socket");
  unsigned populated = 0;
  for (const InventoryProcessor& p : inventory.processors) {
    if (&p == &source || socketPopulated(p) != 1) continue;
    warning->append(populated == 0 ? ", while " : ", ");
    appendTrimmed(warning, socketName(p));
    if (p.record.id != nullptr) {
      warning->append(" (ID ");
      warning->append(p.record.id);
      warning->append(")");
    }
    ++populated;
  }
  if (populated > 0) warning->append(populated == 1 ? " is populated" : " are populated");
}

// Why the structure the ID comes from has no signature: the family it names has no ID layout
// the package decodes, or leaves it to a version string the package does not recognise.
void warnNoSignature(const InventoryProcessor& source, ProcessorIdAssessment* out) {
  const ProcessorRecord& r = source.record;
  if (r.signature != nullptr || r.family == nullptr) return;
  TextBuffer* warning = out->warn("noSignature");
  if (warning == nullptr) return;
  warning->append("no signature can be decoded from the ID: the firmware gives the family \"");
  appendTrimmed(warning, r.family);
  bool byVersion = false;
  for (const char* family : kFamiliesDecidedByVersion) byVersion |= strcmp(r.family, family) == 0;
  if (byVersion) {
    warning->append("\", which leaves the ID's layout to the version, and the version \"");
    appendTrimmed(warning, r.version != nullptr ? r.version : kNotSpecifiedText);
    warning->append("\" names no processor the package knows");
  } else {
    warning->append("\", whose ID layout the package does not decode");
  }
  warning->append("; the ID is still what script gets");
}

// A walk that stopped early may have lost the processor structure the ID should come from.
void warnDamagedTable(const Inventory& inventory, ProcessorIdAssessment* out) {
  const InventoryWalk& walk = inventory.walk;
  if (walk.end == kWalkComplete) return;
  TextBuffer* warning = out->warn("damagedTable");
  if (warning == nullptr) return;
  const unsigned long at = static_cast<unsigned long>(walk.structures) + 1;
  const long counted = static_cast<long>(walk.counted);
  if (walk.end == kWalkBrokenLength) {
    appendFormat(warning,
                 "the table is damaged: the walk stopped at structure %lu of %ld, whose length is "
                 "below its 4-byte header, so only the %lu structures before it were read",
                 at, counted, at - 1);
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
    const char* maker = system.manufacturer != nullptr ? system.manufacturer : "";
    const char* product = system.product != nullptr ? system.product : "";
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
    if (strstr(b.record.characteristics, kVirtualMachineText) != nullptr) {
      signs.append(signs.empty() ? "" : "; ");
      signs.append("the BIOS characteristics say \"");
      signs.append(kVirtualMachineText);
      signs.append("\"");
    }
    addNamedSigns(&signs, "the BIOS vendor is", b.record.vendor);
    addNamedSigns(&signs, "the BIOS version is", b.record.version);
    // Firmware always names itself; a table made up by a compatibility layer may not.
    const char* const names[] = {b.record.vendor, b.record.version, b.record.releaseDate};
    bool named = false;
    for (const char* name : names) named |= name != nullptr && strcmp(name, kNotSpecifiedText) != 0;
    if (b.record.present != 0 && !named) {
      signs.append(signs.empty() ? "" : "; ");
      signs.append("the BIOS names no vendor, version or release date");
    }
  }
  for (const InventoryProcessor& p : inventory.processors) {
    addNamedSigns(&signs, "the processor manufacturer is", p.record.manufacturer);
    addNamedSigns(&signs, "the processor version is", p.record.version);
  }
  // A table with a BIOS but without these is not a whole machine's, unless the walk lost them.
  if (!inventory.bios.empty() && inventory.processors.empty() && inventory.arrays.empty() &&
      inventory.devices.empty() && inventory.walk.end == kWalkComplete) {
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
  if (source != nullptr) {
    out->socket = source->record.socketDesignation;
    out->socketHandle = source->handle;
    out->signature = source->record.signature;
  }
  // The ID's registers from the structure itself: EAX, the signature, then EDX, the flags.
  const bool read = source != nullptr && source->numbers.idRead;
  uint32_t eax = 0;
  uint32_t edx = 0;
  if (read) {
    ByteReader idReader(source->numbers.id, sizeof source->numbers.id);
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
    if (!allZero && socketPopulated(*source) != 0) warnNoSignature(*source, out);
  }
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
