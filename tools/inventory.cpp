#include "tools/inventory.h"

#include <stdlib.h>
#include <string.h>

#include "base/raw_header.h"
#include "reader/structure_inventory.h"
#include "tools/json_writer.h"
#include "tools/record_fields.h"
#include "tools/text_report.h"

namespace {

constexpr uint8_t kSocketPopulated = 0x40;  // Status byte, bit 6

// Replaces every text of the record with a copy of its own, so that it outlives the visit.
template <typename Record, size_t N>
bool copyTexts(Record* record, const Field<Record> (&fields)[N]) {
  bool copied = true;
  for (const Field<Record>& field : fields) {
    const char* text = record->*field.member;
    if (text == nullptr) continue;
    const size_t size = strlen(text) + 1;
    char* copy = static_cast<char*>(malloc(size));
    if (copy != nullptr) memcpy(copy, text, size);
    copied = copied && copy != nullptr;
    record->*field.member = copy;
  }
  return copied;
}

template <typename Record, size_t N>
void releaseTexts(Record* record, const Field<Record> (&fields)[N]) {
  for (const Field<Record>& field : fields) {
    free(record->*field.member);
    record->*field.member = nullptr;
  }
}

// Keeps a copy of the entry with texts of its own; an entry that cannot be kept is let go whole.
template <typename Entry, typename Record, size_t N>
bool keep(GrowableArray<Entry>* list, Entry entry, Record Entry::*record,
          const Field<Record> (&fields)[N]) {
  const bool copied = copyTexts(&(entry.*record), fields);
  if (list->push(entry)) return copied;
  releaseTexts(&(entry.*record), fields);
  return false;
}

void collectStructure(const InventoryStructure* s, void* context) {
  Inventory& inventory = *static_cast<Inventory*>(context);
  bool kept = true;
  if (s->bios != nullptr) {
    // ROM size is the one text outside the field list; the characteristics are inline.
    BiosRecord record = *s->bios;
    // Both copies are made even when the first fails, so that every text is ours to free.
    const bool fieldsCopied = copyTexts(&record, kBiosFields);
    const bool copied = copyTexts(&record, {kBiosRomSize}) && fieldsCopied;
    if (inventory.bios.push(InventoryBios{s->handle, record})) {
      kept = copied;
    } else {
      releaseTexts(&record, kBiosFields);
      releaseTexts(&record, {kBiosRomSize});
      kept = false;
    }
  } else if (s->biosLanguage != nullptr) {
    kept = keep(&inventory.languages, InventoryLanguage{s->handle, *s->biosLanguage},
                &InventoryLanguage::record, kBiosLanguageFields);
  } else if (s->processor != nullptr) {
    kept = keep(&inventory.processors, InventoryProcessor{s->handle, s->statusByte, *s->processor},
                &InventoryProcessor::record, kProcessorFields);
  } else if (s->memoryArray != nullptr) {
    kept = keep(&inventory.arrays, InventoryArray{s->handle, s->memoryUse, *s->memoryArray},
                &InventoryArray::record, kMemoryArrayFields);
  } else if (s->memoryDevice != nullptr) {
    kept = keep(&inventory.devices, InventoryDevice{s->handle, s->arrayHandle, *s->memoryDevice},
                &InventoryDevice::record, kMemoryDeviceFields);
  }
  if (!kept) inventory.failed = true;
}

// ---- Sizes ----

constexpr const char* kSizeUnits[] = {"kB", "MB", "GB", "TB", "PB"};
constexpr int kSizeUnitCount = 5;

// The installed modules of a set of slots and their sizes added up, in kB.
struct SizeTotal {
  unsigned long modules = 0;
  unsigned long unknown = 0;  // modules whose size text says no number
  uint64_t kilobytes = 0;

  void add(const MemoryDeviceRecord& device) {
    if (device.size == nullptr || isEmptySlot(device)) return;
    ++modules;
    // The size texts are "%lu %s", counted from kB up.
    char* end = nullptr;
    const unsigned long number = strtoul(device.size, &end, 10);
    for (int unit = 0; end != device.size && end[0] == ' ' && unit < kSizeUnitCount; ++unit) {
      if (strcmp(end + 1, kSizeUnits[unit]) == 0) {
        kilobytes += static_cast<uint64_t>(number) << (10 * unit);
        return;
      }
    }
    ++unknown;
  }

  // "4 modules, 32 GB": the total in the largest unit that shows it whole.
  void write(FILE* out) const {
    fprintf(out, "%lu module%s", modules, modules == 1 ? "" : "s");
    if (modules == unknown) {
      fputc('\n', out);
      return;
    }
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
    if (unknown > 0) fprintf(out, " and %lu of unknown size", unknown);
    fputc('\n', out);
  }
};

// ---- Text ----

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
    writeHeading(out, 0, name, i, list.size(), list[i].handle, numberedAlone);
    write(list[i]);
  }
}

void writeTrimmed(FILE* out, const char* text) {
  fwrite(text, 1, trimmedLength(text, strlen(text)), out);
}

void writeBiosText(FILE* out, const Inventory& inventory) {
  writeEach(out, inventory.bios, "BIOS", "\nBIOS: none\n", false, [out](const InventoryBios& b) {
    fputc('\n', out);
    if (b.record.present == 0) {
      fputs("  (too short for the package to read)\n", out);
      return;
    }
    writeFields(out, 2, b.record, kBiosFields);
    writeValue(out, 2, "Characteristics", b.record.characteristics, true);
    writeValue(out, 2, kBiosRomSize.label, b.record.*kBiosRomSize.member, false);
  });
  writeEach(out, inventory.languages, "BIOS Language", "\nBIOS Language: none\n", false,
            [out](const InventoryLanguage& l) {
              fputc('\n', out);
              writeFields(out, 2, l.record, kBiosLanguageFields);
            });
}

void writeProcessorsText(FILE* out, const Inventory& inventory) {
  writeEach(out, inventory.processors, "Processor", "\nProcessors: none\n", true,
            [out](const InventoryProcessor& p) {
              fputs(": ", out);
              writeTrimmed(out, p.record.socketDesignation != nullptr ? p.record.socketDesignation
                                                                      : "(no socket designation)");
              const int populated = socketPopulated(p);
              if (populated == 0) {
                fputs(", empty socket\n", out);
                return;
              }
              fputs(populated == 1 ? ", populated\n" : ", socket status unknown\n", out);
              if (allUnset(p.record, kProcessorFields)) {
                fputs("  (too short for the package to read)\n", out);
              } else {
                writeFields(out, 2, p.record, kProcessorFields);
              }
            });
}

// The devices that belong to array (null: those that belong to none), indented under it.
void writeDevicesText(FILE* out, const Inventory& inventory, const InventoryArray* array,
                      int indent, SizeTotal* total) {
  size_t count = 0;
  for (const InventoryDevice& d : inventory.devices) count += inventory.arrayOf(d) == array;
  if (count == 0) {
    fprintf(out, "%*sMemory Devices: none\n", indent, "");
    return;
  }
  size_t number = 0;
  bool afterEmptySlot = false;
  for (const InventoryDevice& d : inventory.devices) {
    if (inventory.arrayOf(d) != array) continue;
    total->add(d.record);
    const bool empty = isEmptySlot(d.record);
    if (!empty || !afterEmptySlot) fputc('\n', out);
    afterEmptySlot = empty;
    writeHeading(out, indent, "Memory Device", number++, count, d.handle);
    if (empty) {
      fputs(": ", out);
      writeTrimmed(out, d.record.locator != nullptr ? d.record.locator : "(no locator)");
      fputs(", empty\n", out);
      continue;
    }
    fputc('\n', out);
    writeFields(out, indent + 2, d.record, kMemoryDeviceFields);
  }
}

void writeMemoryText(FILE* out, const Inventory& inventory, SizeTotal* machine) {
  writeEach(out, inventory.arrays, "Physical Memory Array", "\nPhysical Memory Arrays: none\n",
            true, [out, &inventory, machine](const InventoryArray& a) {
              fputc('\n', out);
              fprintf(out, "  Use: %s\n", a.use != nullptr ? a.use : "(not set)");
              fprintf(out, "  Number Of Devices: %lu\n",
                      static_cast<unsigned long>(a.record.deviceCount));
              writeFields(out, 2, a.record, kMemoryArrayFields);
              SizeTotal total;
              writeDevicesText(out, inventory, &a, 2, &total);
              fputs("\n  Installed: ", out);
              total.write(out);
              machine->modules += total.modules;
              machine->unknown += total.unknown;
              machine->kilobytes += total.kilobytes;
            });
  bool unattached = false;
  for (const InventoryDevice& d : inventory.devices) unattached |= inventory.arrayOf(d) == nullptr;
  if (unattached) {
    fputs("\nMemory Devices naming no array of this table\n", out);
    writeDevicesText(out, inventory, nullptr, 2, machine);
  }
}

// ---- JSON ----

template <typename Record, size_t N>
void jsonFields(JsonWriter& json, const Record& record, const Field<Record> (&fields)[N]) {
  for (const Field<Record>& field : fields) json.text(field.key, record.*field.member);
}

// One structure's object: its handle, then what write adds.
template <typename Entry, typename Write>
void jsonStructure(JsonWriter& json, const Entry& entry, Write write) {
  json.open(nullptr, '{');
  json.unsignedNumber("handle", entry.handle);
  write(entry);
  json.close('}');
}

template <typename Entry, typename Write>
void jsonList(JsonWriter& json, const char* key, const GrowableArray<Entry>& list, Write write) {
  json.open(key, '[');
  for (const Entry& entry : list) jsonStructure(json, entry, write);
  json.close(']');
}

void jsonDevice(JsonWriter& json, const InventoryDevice& device) {
  jsonStructure(json, device, [&json](const InventoryDevice& d) {
    if (d.arrayHandle < 0) {
      json.null("arrayHandle");
    } else {
      json.unsignedNumber("arrayHandle", static_cast<unsigned long>(d.arrayHandle));
    }
    json.number("present", d.record.present);
    jsonFields(json, d.record, kMemoryDeviceFields);
  });
}

}  // namespace

int socketPopulated(const InventoryProcessor& processor) {
  if (processor.statusByte < 0) return -1;
  return (processor.statusByte & kSocketPopulated) != 0 ? 1 : 0;
}

Inventory::~Inventory() {
  for (InventoryBios& b : bios) {
    releaseTexts(&b.record, kBiosFields);
    releaseTexts(&b.record, {kBiosRomSize});
  }
  for (InventoryLanguage& l : languages) releaseTexts(&l.record, kBiosLanguageFields);
  for (InventoryProcessor& p : processors) releaseTexts(&p.record, kProcessorFields);
  for (InventoryArray& a : arrays) releaseTexts(&a.record, kMemoryArrayFields);
  for (InventoryDevice& d : devices) releaseTexts(&d.record, kMemoryDeviceFields);
}

bool Inventory::collect(const uint8_t* raw, size_t size) {
  RawHeader header;
  if (!readRawHeader(raw, size, &header)) return true;
  // As the load: never beyond the bytes delivered.
  const uint32_t length = deliveredTableLength(header, size);
  if (!walkStructureInventory(raw + kRawHeaderSize, length, collectStructure, this)) {
    failed = true;
  }
  return !failed;
}

const InventoryArray* Inventory::arrayOf(const InventoryDevice& device) const {
  if (device.arrayHandle < 0) return nullptr;
  for (const InventoryArray& a : arrays) {
    if (a.handle == device.arrayHandle) return &a;
  }
  return nullptr;
}

void writeInventoryText(FILE* out, const Inventory& inventory, const char* loadStdout,
                        const char* loadStderr) {
  writeBiosText(out, inventory);
  writeProcessorsText(out, inventory);
  SizeTotal machine;
  writeMemoryText(out, inventory, &machine);

  unsigned long populated = 0;
  for (const InventoryProcessor& p : inventory.processors) populated += socketPopulated(p) == 1;
  fprintf(out,
          "\nIn all: %lu processor%s (%lu populated), %lu memory array%s, %lu memory device%s; "
          "installed: ",
          static_cast<unsigned long>(inventory.processors.size()),
          inventory.processors.size() == 1 ? "" : "s", populated,
          static_cast<unsigned long>(inventory.arrays.size()),
          inventory.arrays.size() == 1 ? "" : "s",
          static_cast<unsigned long>(inventory.devices.size()),
          inventory.devices.size() == 1 ? "" : "s");
  machine.write(out);
  writeDiagnostics(out, loadStdout, loadStderr);
}

void writeInventoryJson(FILE* out, const Inventory& inventory, const char* loadStdout,
                        const char* loadStderr) {
  JsonWriter json(out);
  json.open(nullptr, '{');

  jsonList(json, "bios", inventory.bios, [&json](const InventoryBios& b) {
    json.number("present", b.record.present);
    jsonFields(json, b.record, kBiosFields);
    json.text("characteristics", b.record.characteristics);
    json.text(kBiosRomSize.key, b.record.*kBiosRomSize.member);
  });
  jsonList(json, "biosLanguage", inventory.languages, [&json](const InventoryLanguage& l) {
    json.number("present", l.record.present);
    jsonFields(json, l.record, kBiosLanguageFields);
  });
  jsonList(json, "processors", inventory.processors, [&json](const InventoryProcessor& p) {
    const int populated = socketPopulated(p);
    if (populated < 0) {
      json.null("populated");
    } else {
      json.boolean("populated", populated == 1);
    }
    json.number("present", p.record.present);
    jsonFields(json, p.record, kProcessorFields);
  });
  jsonList(json, "memoryArrays", inventory.arrays, [&json, &inventory](const InventoryArray& a) {
    json.text("use", a.use);
    json.number("present", a.record.present);
    json.unsignedNumber("deviceCount", a.record.deviceCount);
    jsonFields(json, a.record, kMemoryArrayFields);
    json.open("devices", '[');
    for (const InventoryDevice& d : inventory.devices) {
      if (inventory.arrayOf(d) == &a) jsonDevice(json, d);
    }
    json.close(']');
  });

  json.open("unattachedDevices", '[');
  for (const InventoryDevice& d : inventory.devices) {
    if (inventory.arrayOf(d) == nullptr) jsonDevice(json, d);
  }
  json.close(']');

  json.open("diagnostics", '{');
  json.text("stdout", loadStdout);
  json.text("stderr", loadStderr);
  json.close('}');

  json.close('}');
  json.finish();
}
