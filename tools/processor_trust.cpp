#include "tools/processor_trust.h"

#include <stdio.h>
#include <string.h>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#elif defined(_M_IX86) || defined(_M_X64)
#include <intrin.h>
#endif

#include "base/byte_reader.h"
#include "tools/text_format.h"

const char kProcessorIdNote[] =
    "The processor ID is the processor model's signature and feature flags, shared by every "
    "machine with the same processor model: it is not a per-machine serial number.";

namespace {

constexpr char kAllZero[] = "00 00 00 00 00 00 00 00";

// Names that virtual machines and their firmware put into the BIOS and processor strings.
constexpr const char* kVirtualMachineNames[] = {
    "QEMU",      "KVM",     "Bochs",           "BOCHS",      "SeaBIOS",
    "OVMF",      "VMware",  "VirtualBox",      "innotek",    "Xen",
    "Parallels", "Hyper-V", "Virtual Machine", "Amazon EC2", "Google Compute Engine",
};

constexpr char kVirtualMachineBit[] = "System is a virtual machine";
constexpr char kNotSpecified[] = "Not Specified";

// The eight bytes of an ID text of eight hexadecimal pairs; false for any other text.
bool parseId(const char* text, uint8_t bytes[8]) {
  if (strlen(text) != 23) return false;
  for (int i = 0; i < 8; ++i) {
    unsigned value = 0;
    for (int k = 0; k < 2; ++k) {
      const char c = text[i * 3 + k];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                               : -1;
      if (digit < 0) return false;
      value = value * 16 + static_cast<unsigned>(digit);
    }
    if (i < 7 && text[i * 3 + 2] != ' ') return false;
    bytes[i] = static_cast<uint8_t>(value);
  }
  return true;
}

void appendTrimmed(TextBuffer* out, const char* text) {
  size_t length = strlen(text);
  while (length > 0 && text[length - 1] == ' ') --length;
  out->append(text, length);
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
                     TextBuffer* warnings) {
  if (socketPopulated(source) != 0) return;
  warnings->append("the ID comes from ");
  appendTrimmed(warnings, socketName(source));
  warnings->append(", an empty socket");
  unsigned populated = 0;
  for (const InventoryProcessor& p : inventory.processors) {
    if (&p == &source || socketPopulated(p) != 1) continue;
    warnings->append(populated == 0 ? ", while " : ", ");
    appendTrimmed(warnings, socketName(p));
    if (p.record.id != nullptr) {
      warnings->append(" (ID ");
      warnings->append(p.record.id);
      warnings->append(")");
    }
    ++populated;
  }
  if (populated > 0) warnings->append(populated == 1 ? " is populated" : " are populated");
  warnings->append("\n");
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

// False when memory ran out for the signs.
bool warnSynthesised(const Inventory& inventory, TextBuffer* warnings) {
  TextBuffer signs;
  for (const InventoryBios& b : inventory.bios) {
    if (strstr(b.record.characteristics, kVirtualMachineBit) != nullptr) {
      signs.append(signs.empty() ? "" : "; ");
      signs.append("the BIOS characteristics say \"System is a virtual machine\"");
    }
    addNamedSigns(&signs, "the BIOS vendor is", b.record.vendor);
    addNamedSigns(&signs, "the BIOS version is", b.record.version);
    // Firmware always names itself; a table made up by a compatibility layer may not.
    const char* const names[] = {b.record.vendor, b.record.version, b.record.releaseDate};
    bool named = false;
    for (const char* name : names) named |= name != nullptr && strcmp(name, kNotSpecified) != 0;
    if (b.record.present != 0 && !named) {
      signs.append(signs.empty() ? "" : "; ");
      signs.append("the BIOS names no vendor, version or release date");
    }
  }
  for (const InventoryProcessor& p : inventory.processors) {
    addNamedSigns(&signs, "the processor manufacturer is", p.record.manufacturer);
    addNamedSigns(&signs, "the processor version is", p.record.version);
  }
  // A table with a BIOS but without these is not a whole machine's.
  if (!inventory.bios.empty() && inventory.processors.empty() && inventory.arrays.empty() &&
      inventory.devices.empty()) {
    signs.append(signs.empty() ? "" : "; ");
    signs.append("the table has no processor and no memory structure");
  }
  if (signs.failed()) return false;
  if (signs.empty()) return true;
  warnings->append("the table looks synthesised by a virtual machine or a compatibility layer: ");
  warnings->append(signs.text());
  warnings->append("\n");
  return true;
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

bool assessProcessorId(const char* id, const Inventory& inventory, const CpuidLeaf1* cpuid,
                       ProcessorIdAssessment* out) {
  out->id = id;
  if (id == nullptr) {
    out->warnings.append(
        "the table has no usable processor structure: GetCPUSerialNumber returns an empty "
        "string\n");
    return warnSynthesised(inventory, &out->warnings) && !out->warnings.failed();
  }
  const InventoryProcessor* source = sourceOf(id, inventory);
  if (source != nullptr) {
    out->socket = source->record.socketDesignation;
    out->signature = source->record.signature;
  }
  uint8_t bytes[8];
  uint32_t eax = 0;
  uint32_t edx = 0;
  ByteReader idReader(bytes, sizeof bytes);
  const bool parsed = parseId(id, bytes) && idReader.readU32Le(&eax) && idReader.readU32Le(&edx);
  if (parsed) {
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

  if (strcmp(id, kAllZero) == 0) {
    out->warnings.append("the ID is all zero: the firmware names no processor model here\n");
  }
  if (source != nullptr) warnEmptySocket(*source, inventory, &out->warnings);
  const bool complete = warnSynthesised(inventory, &out->warnings);
  if (cpuid != nullptr && parsed && (cpuid->eax != eax || cpuid->edx != edx)) {
    // The registers as the ID's bytes would hold them.
    uint8_t r[8];
    ByteWriter registers(r, sizeof r);
    registers.writeU32Le(cpuid->eax);
    registers.writeU32Le(cpuid->edx);
    appendFormat(&out->warnings,
                 "the ID differs from what CPUID leaf 1 reports on this machine (EAX %08lX, EDX "
                 "%08lX, which read as %02X %02X %02X %02X %02X %02X %02X %02X)\n",
                 static_cast<unsigned long>(cpuid->eax), static_cast<unsigned long>(cpuid->edx),
                 r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7]);
  }
  return complete && !out->warnings.failed();
}
