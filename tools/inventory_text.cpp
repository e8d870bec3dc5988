#include "tools/inventory_text.h"

#include <string.h>

#include "tools/text_report.h"

namespace {

constexpr const char* kSizeUnits[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
constexpr int kSizeUnitCount = 6;

// "4 modules, 32 GB": the total in the largest unit that shows it whole.
void writeSizeTotal(FILE* out, const SizeTotal& total) {
  fprintf(out, "%lu module%s", total.modules, total.modules == 1 ? "" : "s");
  if (total.modules == total.unknown) {
    fputc('\n', out);
    return;
  }
  const uint64_t kilobytes = total.bytes >> 10;
  int unit = 0;
  while (unit + 1 < kSizeUnitCount && kilobytes % (uint64_t{1} << (10 * (unit + 1))) == 0 &&
         kilobytes != 0) {
    ++unit;
  }
  const uint64_t shown = kilobytes >> (10 * unit);
  const unsigned long high = static_cast<unsigned long>(shown / 1000000000u);
  const unsigned long low = static_cast<unsigned long>(shown % 1000000000u);
  if (high != 0) {
    fprintf(out, ", %lu%09lu %s", high, low, kSizeUnits[unit]);
  } else {
    fprintf(out, ", %lu %s", low, kSizeUnits[unit]);
  }
  if (total.unknown > 0) fprintf(out, " and %lu of unknown size", total.unknown);
  fputc('\n', out);
}

void writeHandle(FILE* out, uint16_t handle) {
  fprintf(out, " (handle 0x%04X)", static_cast<unsigned>(handle));
}

// "Processor 2 of 4 (handle 0x0401)", indented: the heading of one of count structures; with
// numberedAlone false a lone one is not numbered ("BIOS (handle 0x0000)").
void writeHeading(FILE* out, int indent, const char* name, size_t index, size_t count,
                  uint16_t handle, bool numberedAlone = true) {
  fprintf(out, "%*s%s", indent, "", name);
  if (count > 1 || numberedAlone) {
    fprintf(out, " %lu of %lu", static_cast<unsigned long>(index + 1),
            static_cast<unsigned long>(count));
  }
  writeHandle(out, handle);
}

// Every structure of a list under its heading, then what write adds; one line when there is none.
template <typename Entry, typename Write>
void writeEach(FILE* out, const GrowableArray<Entry>& list, const char* name, const char* noneLine,
               bool numberedAlone, Write write) {
  if (list.empty()) fputs(noneLine, out);
  for (size_t i = 0; i < list.size(); ++i) {
    fputc('\n', out);
    writeHeading(out, 0, name, i, list.size(), list[i].facts.handle, numberedAlone);
    write(list[i]);
  }
}

void writeTrimmed(FILE* out, const FieldText& text) {
  fwrite(text.text, 1, trimmedLength(text.text, text.length), out);
}

// A string of the structure as the package stores it; fallback where the structure is too short
// to name one.
void writeString(FILE* out, const FieldValue& value, const char* fallback) {
  writeTrimmed(out,
               value.text.text != nullptr ? value.text : FieldText{fallback, strlen(fallback)});
}

void writeBiosText(FILE* out, const Inventory& inventory) {
  writeEach(out, inventory.bios, "BIOS", "\nBIOS: none\n", false, [out](const InventoryBios& b) {
    fputc('\n', out);
    writeFactFields(out, 2, b.facts, kBiosFields);
  });
  writeEach(out, inventory.languages, "BIOS Language", "\nBIOS Language: none\n", false,
            [out](const InventoryLanguage& l) {
              fputc('\n', out);
              writeFactFields(out, 2, l.facts, kBiosLanguageFields);
            });
}

void writeProcessorsText(FILE* out, const Inventory& inventory) {
  writeEach(out, inventory.processors, "Processor", "\nProcessors: none\n", true,
            [out](const InventoryProcessor& p) {
              fputs(": ", out);
              FieldRoom room;
              writeString(out, processorSocket(p.facts, room), "(no socket designation)");
              const int populated = socketPopulated(p.facts);
              if (populated == 0) {
                fputs(", empty socket\n", out);
                return;
              }
              fputs(populated == 1 ? ", populated\n" : ", socket status unknown\n", out);
              writeFactFields(out, 2, p.facts, kProcessorFields);
            });
}

// The devices that belong to array (null: those that belong to none), indented under it.
void writeDevicesText(FILE* out, const Inventory& inventory, const InventoryArray* array,
                      int indent) {
  const Inventory::Devices devices = inventory.devicesOf(array);
  if (devices.count == 0) {
    fprintf(out, "%*sMemory Devices: none\n", indent, "");
    return;
  }
  size_t number = 0;
  bool afterEmptySlot = false;
  for (const InventoryDevice* d : devices) {
    const bool empty = deviceInstalled(d->facts) == 0;
    if (!empty || !afterEmptySlot) fputc('\n', out);
    afterEmptySlot = empty;
    writeHeading(out, indent, "Memory Device", number++, devices.count, d->facts.handle);
    if (empty) {
      fputs(": ", out);
      FieldRoom room;
      writeString(out, deviceLocator(d->facts, room), "(no locator)");
      fputs(", empty\n", out);
      continue;
    }
    fputc('\n', out);
    writeFactFields(out, indent + 2, d->facts, kMemoryDeviceFields);
  }
}

void writeMemoryText(FILE* out, const Inventory& inventory) {
  writeEach(out, inventory.arrays, "Physical Memory Array", "\nPhysical Memory Arrays: none\n",
            true, [out, &inventory](const InventoryArray& a) {
              fputc('\n', out);
              FieldRoom room;
              writeFieldValue(out, 2, "Use", arrayUse(a.facts, room), false);
              if (a.facts.holds(memory_array_field::kNumberOfDevices, 2)) {
                fprintf(out, "  Number Of Devices: %lu\n",
                        static_cast<unsigned long>(a.facts.numberOfDevices));
              } else {
                fputs("  Number Of Devices: (not set)\n", out);
              }
              writeFactFields(out, 2, a.facts, kMemoryArrayFields);
              writeDevicesText(out, inventory, &a, 2);
              fputs("\n  Installed: ", out);
              writeSizeTotal(out, installedIn(inventory, &a));
            });
  if (inventory.devicesOf(nullptr).count > 0) {
    fputs("\nMemory Devices naming no array of this table\n", out);
    writeDevicesText(out, inventory, nullptr, 2);
  }
}

// One line for the modules of each use of arrays other than System Memory.
void writeOtherArraysText(FILE* out, const Inventory& inventory) {
  GrowableArray<UseTotal> others;
  otherArrays(inventory, &others);
  for (const UseTotal& other : others) {
    bool named = false;
    const FieldText use = memoryUseText(other.use, &named);
    if (!other.useKnown) {
      fputs("In arrays that give no use: ", out);
    } else if (named) {
      fprintf(out, "In %s arrays: ", use.text);
    } else {
      fprintf(out, "In arrays of use %u: ", static_cast<unsigned>(other.use));
    }
    writeSizeTotal(out, other.total);
  }
}

}  // namespace

void writeVersionText(FILE* out, const SmbiosVersion& version) {
  if (version.known) {
    fprintf(out, "SMBIOS Version: %u.%u\n", version.major, version.minor);
  } else if (!version.read) {
    fputs("SMBIOS Version: (no table was read)\n", out);
  } else {
    fputs("SMBIOS Version: (not given: a bare structure table carries none)\n", out);
  }
}

void writeWalkText(FILE* out, const Inventory& inventory) {
  const InventoryWalk& walk = inventory.walk;
  if (walkReadWhole(walk)) return;
  fprintf(out, "Table: read only in part: the walk stopped at structure %lu",
          static_cast<unsigned long>(walk.structures) + 1);
  if (walk.counted > 0) fprintf(out, " of %ld announced", static_cast<long>(walk.counted));
  fprintf(out, " (%lu read)\n", static_cast<unsigned long>(walk.structures));
}

void writeInventoryText(FILE* out, const Inventory& inventory, const DiagnosticList& diagnostics) {
  writeWalkText(out, inventory);
  fputc('\n', out);
  writeVersionText(out, inventory.version);
  writeBiosText(out, inventory);
  writeProcessorsText(out, inventory);
  writeMemoryText(out, inventory);

  fprintf(out,
          "\nIn all: %lu processor%s (%lu populated), %lu memory array%s, %lu memory device%s; "
          "installed: ",
          static_cast<unsigned long>(inventory.processors.size()),
          inventory.processors.size() == 1 ? "" : "s", populatedCount(inventory),
          static_cast<unsigned long>(inventory.arrays.size()),
          inventory.arrays.size() == 1 ? "" : "s",
          static_cast<unsigned long>(inventory.devices.size()),
          inventory.devices.size() == 1 ? "" : "s");
  writeSizeTotal(out, systemMemory(inventory));
  writeOtherArraysText(out, inventory);
  diagnostics.writeText(out);
}
