#include "tools/inventory.h"

#include <stdlib.h>
#include <string.h>

#include "base/raw_header.h"
#include "tools/json_writer.h"
#include "tools/record_fields.h"
#include "tools/text_report.h"

namespace {

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

// A copy of text of its own; null for null, and where memory ran out (*copied then false).
char* copyOf(const char* text, bool* copied) {
  if (text == nullptr) return nullptr;
  const size_t size = strlen(text) + 1;
  char* copy = static_cast<char*>(malloc(size));
  if (copy == nullptr) {
    *copied = false;
    return nullptr;
  }
  memcpy(copy, text, size);
  return copy;
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
    if (inventory.bios.push(InventoryBios{s->handle, record, s->numbers})) {
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
    kept = keep(&inventory.processors, InventoryProcessor{s->handle, *s->processor, s->numbers},
                &InventoryProcessor::record, kProcessorFields);
  } else if (s->memoryArray != nullptr) {
    kept = keep(&inventory.arrays,
                InventoryArray{s->handle, s->memoryUse, *s->memoryArray, s->numbers},
                &InventoryArray::record, kMemoryArrayFields);
  } else if (s->memoryDevice != nullptr) {
    kept = keep(&inventory.devices,
                InventoryDevice{s->handle, s->arrayHandle, *s->memoryDevice, s->numbers},
                &InventoryDevice::record, kMemoryDeviceFields);
  } else if (s->type == 1) {
    InventorySystem system = {s->handle, copyOf(s->systemManufacturer, &kept),
                              copyOf(s->systemProduct, &kept)};
    if (!inventory.systems.push(system)) {
      free(system.manufacturer);
      free(system.product);
      kept = false;
    }
  }
  if (!kept) inventory.failed = true;
}

// ---- Sizes ----

constexpr const char* kSizeUnits[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
constexpr int kSizeUnitCount = 6;

// The installed modules of a set of slots and their sizes added up.
struct SizeTotal {
  unsigned long modules = 0;
  unsigned long unknown = 0;  // modules whose size the structure does not give
  uint64_t bytes = 0;

  void add(const InventoryDevice& device) {
    if (device.numbers.installed != 1) return;
    ++modules;
    if (device.numbers.sizeBytes.known) {
      bytes += device.numbers.sizeBytes.value;
    } else {
      ++unknown;
    }
  }

  void add(const SizeTotal& other) {
    modules += other.modules;
    unknown += other.unknown;
    bytes += other.bytes;
  }

  // "4 modules, 32 GB": the total in the largest unit that shows it whole.
  void write(FILE* out) const {
    fprintf(out, "%lu module%s", modules, modules == 1 ? "" : "s");
    if (modules == unknown) {
      fputc('\n', out);
      return;
    }
    const uint64_t kilobytes = bytes >> 10;
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

  void writeJson(JsonWriter& json) const {
    json.open("installed", '{');
    json.unsignedNumber("modules", modules);
    json.unsigned64("bytes", bytes);
    json.unsignedNumber("modulesOfUnknownSize", unknown);
    json.close('}');
  }
};

// The devices that belong to array (null: those that belong to none), added up.
SizeTotal installedIn(const Inventory& inventory, const InventoryArray* array) {
  SizeTotal total;
  for (const InventoryDevice& d : inventory.devices) {
    if (inventory.arrayOf(d) == array) total.add(d);
  }
  return total;
}

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
                      int indent) {
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
    const bool empty = d.numbers.installed == 0;
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

void writeMemoryText(FILE* out, const Inventory& inventory) {
  writeEach(out, inventory.arrays, "Physical Memory Array", "\nPhysical Memory Arrays: none\n",
            true, [out, &inventory](const InventoryArray& a) {
              fputc('\n', out);
              fprintf(out, "  Use: %s\n", a.use != nullptr ? a.use : "(not set)");
              if (a.numbers.deviceSlots.known) {
                fprintf(out, "  Number Of Devices: %lu\n",
                        static_cast<unsigned long>(a.numbers.deviceSlots.value));
              } else {
                fputs("  Number Of Devices: (not set)\n", out);
              }
              writeFields(out, 2, a.record, kMemoryArrayFields);
              writeDevicesText(out, inventory, &a, 2);
              fputs("\n  Installed: ", out);
              installedIn(inventory, &a).write(out);
            });
  bool unattached = false;
  for (const InventoryDevice& d : inventory.devices) unattached |= inventory.arrayOf(d) == nullptr;
  if (unattached) {
    fputs("\nMemory Devices naming no array of this table\n", out);
    writeDevicesText(out, inventory, nullptr, 2);
  }
}

// ---- JSON ----

void jsonNumber(JsonWriter& json, const char* key, const InventoryNumber& number) {
  if (number.known) {
    json.unsigned64(key, number.value);
  } else {
    json.null(key);
  }
}

// A text that says the structure cannot tell is no value.
void jsonText(JsonWriter& json, const char* key, const char* text) {
  json.text(key, text != nullptr && strcmp(text, kUnknowableText) == 0 ? nullptr : text);
}

// A list text (items separated by line feeds) as an array of its items: null where the package
// says it cannot tell (unknown), empty where it says no item is set (none).
void jsonItems(JsonWriter& json, const char* key, const char* text, const char* unknown = nullptr,
               const char* none = nullptr) {
  if (text == nullptr || strcmp(text, kUnknowableText) == 0 ||
      (unknown != nullptr && strcmp(text, unknown) == 0)) {
    json.null(key);
    return;
  }
  json.open(key, '[');
  const bool empty = none != nullptr && strcmp(text, none) == 0;
  TextBuffer item;
  for (const char* start = text; !empty && *start != '\0';) {
    const char* end = strchr(start, '\n');
    if (end == nullptr) end = start + strlen(start);
    if (end > start) {
      item.clear();
      item.append(start, static_cast<size_t>(end - start));
      json.text(nullptr, item.text());
    }
    start = *end == '\n' ? end + 1 : end;
  }
  json.close(']');
}

void jsonPopulated(JsonWriter& json, const char* key, int state) {
  if (state < 0) {
    json.null(key);
  } else {
    json.boolean(key, state == 1);
  }
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

void jsonBios(JsonWriter& json, const InventoryBios& b) {
  const BiosRecord& r = b.record;
  json.text("vendor", r.vendor);
  json.text("version", r.version);
  json.text("releaseDate", r.releaseDate);
  jsonItems(json, "characteristics", r.present != 0 ? r.characteristics : nullptr);
  jsonNumber(json, "romSizeBytes", b.numbers.romSizeBytes);
}

void jsonLanguage(JsonWriter& json, const InventoryLanguage& l) {
  json.text("currentLanguage", l.record.currentLanguage);
  jsonItems(json, "installableLanguages", l.record.installableLanguages);
}

void jsonProcessor(JsonWriter& json, const InventoryProcessor& p) {
  const ProcessorRecord& r = p.record;
  const InventoryNumbers& n = p.numbers;
  jsonPopulated(json, "populated", socketPopulated(p));
  json.text("socketDesignation", r.socketDesignation);
  json.text("type", r.type);
  json.text("family", r.family);
  json.text("manufacturer", r.manufacturer);
  json.text("version", r.version);
  json.text("id", r.id);
  json.text("signature", r.signature);
  jsonItems(json, "flags", r.flags, kUnknownText, kNoneText);
  jsonNumber(json, "voltageMillivolts", n.voltageMillivolts);
  jsonNumber(json, "externalClockMHz", n.externalClockMHz);
  jsonNumber(json, "maxSpeedMHz", n.maxSpeedMHz);
  jsonNumber(json, "currentSpeedMHz", n.currentSpeedMHz);
  jsonText(json, "serialNumber", r.serialNumber);
  jsonText(json, "partNumber", r.partNumber);
  jsonText(json, "assetTag", r.assetTag);
  jsonNumber(json, "coreCount", n.coreCount);
  jsonNumber(json, "coresEnabled", n.coresEnabled);
  jsonNumber(json, "threadCount", n.threadCount);
  jsonItems(json, "characteristics", r.characteristics, nullptr, kNoneText);
}

void jsonDevice(JsonWriter& json, const InventoryDevice& device) {
  jsonStructure(json, device, [&json](const InventoryDevice& d) {
    const MemoryDeviceRecord& r = d.record;
    const InventoryNumbers& n = d.numbers;
    if (d.arrayHandle < 0) {
      json.null("arrayHandle");
    } else {
      json.unsignedNumber("arrayHandle", static_cast<unsigned long>(d.arrayHandle));
    }
    jsonPopulated(json, "installed", n.installed);
    json.text("locator", r.locator);
    json.text("bankLocator", r.bankLocator);
    json.text("formFactor", r.formFactor);
    json.text("type", r.type);
    jsonNumber(json, "sizeBytes", n.sizeBytes);
    jsonNumber(json, "speedMTs", n.speedMTs);
    jsonNumber(json, "configuredSpeedMTs", n.configuredSpeedMTs);
    jsonNumber(json, "configuredVoltageMillivolts", n.configuredMillivolts);
    json.text("manufacturer", r.manufacturer);
    json.text("serialNumber", r.serialNumber);
    json.text("partNumber", r.partNumber);
    json.text("assetTag", r.assetTag);
  });
}

void jsonArray(JsonWriter& json, const Inventory& inventory, const InventoryArray& a) {
  json.text("use", a.use);
  json.text("location", a.record.location);
  jsonNumber(json, "maximumCapacityBytes", a.numbers.maximumCapacityBytes);
  jsonNumber(json, "deviceSlots", a.numbers.deviceSlots);
  installedIn(inventory, &a).writeJson(json);
  json.open("devices", '[');
  for (const InventoryDevice& d : inventory.devices) {
    if (inventory.arrayOf(d) == &a) jsonDevice(json, d);
  }
  json.close(']');
}

unsigned long populatedCount(const Inventory& inventory) {
  unsigned long populated = 0;
  for (const InventoryProcessor& p : inventory.processors) populated += socketPopulated(p) == 1;
  return populated;
}

}  // namespace

int socketPopulated(const InventoryProcessor& processor) {
  return processor.numbers.populated;
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
  for (InventorySystem& s : systems) {
    free(s.manufacturer);
    free(s.product);
  }
}

bool Inventory::collect(const uint8_t* raw, size_t size) {
  RawHeader header;
  if (!readRawHeader(raw, size, &header)) return true;
  // SMBIOS begins at 2.0: a major version of 0 is an rsmb header made for a bare table.
  version = {true, header.major != 0, header.major, header.minor};
  // As the load: never beyond the bytes delivered.
  const uint32_t length = deliveredTableLength(header, size);
  if (!walkStructureInventory(raw + kRawHeaderSize, length, collectStructure, this, &walk)) {
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

void writeVersionText(FILE* out, const SmbiosVersion& version) {
  if (version.known) {
    fprintf(out, "SMBIOS Version: %u.%u\n", version.major, version.minor);
  } else if (!version.read) {
    fputs("SMBIOS Version: (no table was read)\n", out);
  } else {
    fputs("SMBIOS Version: (not given: a bare structure table carries none)\n", out);
  }
}

void writeVersionJson(JsonWriter& json, const SmbiosVersion& version) {
  if (!version.known) {
    json.null("smbiosVersion");
    return;
  }
  json.open("smbiosVersion", '{');
  json.unsignedNumber("major", version.major);
  json.unsignedNumber("minor", version.minor);
  json.close('}');
}

void writeInventoryText(FILE* out, const Inventory& inventory, const DiagnosticList& diagnostics) {
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
  SizeTotal machine;
  for (const InventoryDevice& d : inventory.devices) machine.add(d);
  machine.write(out);
  diagnostics.writeText(out);
}

void writeInventoryJson(FILE* out, const Inventory& inventory, const char* tableError,
                        const DiagnosticList& diagnostics) {
  JsonWriter json(out);
  json.open(nullptr, '{');
  json.boolean("tableRead", tableError == nullptr);
  json.text("tableError", tableError);
  writeVersionJson(json, inventory.version);
  jsonList(json, "bios", inventory.bios, [&json](const InventoryBios& b) { jsonBios(json, b); });
  jsonList(json, "biosLanguage", inventory.languages,
           [&json](const InventoryLanguage& l) { jsonLanguage(json, l); });
  jsonList(json, "processors", inventory.processors,
           [&json](const InventoryProcessor& p) { jsonProcessor(json, p); });
  jsonList(json, "memoryArrays", inventory.arrays,
           [&json, &inventory](const InventoryArray& a) { jsonArray(json, inventory, a); });
  json.open("unattachedDevices", '[');
  for (const InventoryDevice& d : inventory.devices) {
    if (inventory.arrayOf(d) == nullptr) jsonDevice(json, d);
  }
  json.close(']');

  json.open("totals", '{');
  json.unsignedNumber("processors", static_cast<unsigned long>(inventory.processors.size()));
  json.unsignedNumber("populatedSockets", populatedCount(inventory));
  json.unsignedNumber("memoryArrays", static_cast<unsigned long>(inventory.arrays.size()));
  json.unsignedNumber("memoryDevices", static_cast<unsigned long>(inventory.devices.size()));
  SizeTotal machine;
  for (const InventoryDevice& d : inventory.devices) machine.add(d);
  machine.writeJson(json);
  json.close('}');

  diagnostics.writeJson(json);
  json.close('}');
  json.finish();
}
