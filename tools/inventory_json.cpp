#include "tools/inventory_json.h"

#include <string.h>

#include "tools/record_fields.h"

namespace {

void writeSizeTotal(JsonWriter& json, const SizeTotal& total) {
  json.open("installed", '{');
  json.unsignedNumber("modules", total.modules);
  json.unsigned64("bytes", total.bytes);
  json.unsignedNumber("modulesOfUnknownSize", total.unknown);
  json.close('}');
}

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
  writeSizeTotal(json, installedIn(inventory, &a));
  json.open("devices", '[');
  for (const InventoryDevice& d : inventory.devices) {
    if (inventory.arrayOf(d) == &a) jsonDevice(json, d);
  }
  json.close(']');
}

}  // namespace

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

void writeWalkJson(JsonWriter& json, const Inventory& inventory) {
  if (!inventory.version.read) {
    json.null("walk");
    return;
  }
  // By WalkEnd.
  static constexpr const char* kEnds[] = {"complete", "brokenLength", "truncated"};
  const InventoryWalk& walk = inventory.walk;
  json.open("walk", '{');
  json.boolean("complete", walk.end == kWalkComplete);
  json.text("end", kEnds[walk.end]);
  if (walk.end == kWalkComplete) {
    json.null("stoppedAt");
  } else {
    json.unsignedNumber("stoppedAt", static_cast<unsigned long>(walk.structures) + 1);
  }
  if (walk.counted > 0) {
    json.unsignedNumber("announced", static_cast<unsigned long>(walk.counted));
  } else {
    json.null("announced");
  }
  json.unsignedNumber("read", static_cast<unsigned long>(walk.structures));
  json.close('}');
}

void writeInventoryJson(FILE* out, const Inventory& inventory, const char* tableError,
                        const DiagnosticList& diagnostics) {
  JsonWriter json(out);
  json.open(nullptr, '{');
  json.boolean("tableRead", tableError == nullptr);
  json.text("tableError", tableError);
  writeVersionJson(json, inventory.version);
  writeWalkJson(json, inventory);
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
  writeSizeTotal(json, installedInAll(inventory));
  json.close('}');

  diagnostics.writeJson(json);
  json.close('}');
  json.finish();
}
