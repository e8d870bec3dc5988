#include "tools/inventory_json.h"

#include <string.h>

#include "decoders/record_fields.h"
#include "tools/text_report.h"

namespace {

void writeSizeTotal(JsonWriter& json, const char* key, const SizeTotal& total) {
  json.open(key, '{');
  json.unsignedNumber("modules", total.modules);
  json.unsigned64("bytes", total.bytes);
  json.unsignedNumber("modulesOfUnknownSize", total.unknown);
  json.close('}');
}

void jsonPopulated(JsonWriter& json, const char* key, int state) {
  if (state < 0) {
    json.null(key);
  } else {
    json.boolean(key, state == 1);
  }
}

bool textIs(const FieldText& text, const char* wanted) {
  return wanted != nullptr && text.length == strlen(wanted) &&
         memcmp(text.text, wanted, text.length) == 0;
}

// Where the structure stands and what it is, for what the tool finds in it.
struct Origin {
  uint32_t position;
  uint8_t type;
  uint16_t handle;
  unsigned strings;  // the strings its set holds, where one it names is missing
};

// One field of one structure, in the form its table gives it: no placeholder of the package
// (null instead), a value without a name as the value itself, numbers as numbers.
template <typename Record, typename Facts>
void jsonField(JsonWriter& json, const RecordField<Record, Facts>& field, const FieldValue& value,
               const Origin& origin, DiagnosticList& diagnostics) {
  const char* const key = field.jsonKey();
  switch (field.form) {
    case JsonForm::kHidden:
      return;
    case JsonForm::kString:
      if (value.string != nullptr && value.string->missing()) {
        diagnostics.addBadStringNumber(origin.position, origin.type, origin.handle, field.label,
                                       value.string->number, origin.strings);
      }
      if (value.string == nullptr || value.string->none() || value.string->missing()) {
        json.null(key);
      } else {
        json.text(key, value.text.text, value.text.length);
      }
      return;
    case JsonForm::kName:
      if (value.text.text == nullptr) {
        json.null(key);
      } else if (value.named) {
        json.text(key, value.text.text, value.text.length);
      } else {
        json.unsigned64(key, value.number);
      }
      return;
    case JsonForm::kNumber:
      if (value.known) {
        json.unsigned64(key, value.number);
      } else {
        json.null(key);
      }
      return;
    case JsonForm::kText:
      json.text(key, value.text.text, value.text.length);
      return;
    case JsonForm::kItems:
      if (value.text.text == nullptr || textIs(value.text, field.unknownText)) {
        json.null(key);
        return;
      }
      json.open(key, '[');
      for (size_t p = 0; p < value.partCount; ++p) {
        value.parts[p].forEach([&json](const ValueText& item) {
          json.text(nullptr, item.text, item.length, item.plain);
        });
      }
      if (value.partCount == 0 && !textIs(value.text, field.noneText) &&
          (value.separator != '\0' || value.found > 0)) {
        const char* const end = value.text.text + value.text.length;
        for (const char* item = value.text.text; item <= end;) {
          const char* next = findByte(item, static_cast<size_t>(end - item), value.separator);
          if (next == nullptr) next = end;
          if (next > item) json.text(nullptr, item, static_cast<size_t>(next - item));
          item = next + 1;
        }
      }
      // The strings it names that its set does not have.
      for (unsigned k = value.found; k < value.items; ++k) {
        diagnostics.addBadStringNumber(origin.position, origin.type, origin.handle, field.label,
                                       k + 1, origin.strings);
        json.null(nullptr);
      }
      json.close(']');
      return;
  }
}

// Every shown field of one structure, in the order of the inventory's JSON.
template <const auto& kFields, typename Facts>
void jsonFields(JsonWriter& json, const Facts& facts, const Origin& origin,
                DiagnosticList& diagnostics) {
  static constexpr auto kOrder = jsonOrder(kFields);
  FieldRoom room;
  for (size_t i = 0; i < kOrder.shown; ++i) {
    const auto& field = *kOrder.of[i];
    jsonField(json, field, field.value(facts, room), origin, diagnostics);
  }
}

template <typename Facts>
unsigned stringsHeld(const Facts& facts) {
  return facts.stringsHeld;
}
unsigned stringsHeld(const MemoryArrayFacts&) {
  return 0;  // it names none
}

template <typename Facts>
Origin originOf(const Inventoried<Facts>& entry, uint8_t type) {
  return {entry.position, type, entry.facts.handle, stringsHeld(entry.facts)};
}

class InventoryJson {
 public:
  InventoryJson(JsonWriter& json, const Inventory& inventory, DiagnosticList& diagnostics)
      : json_(json), inventory_(inventory), diagnostics_(diagnostics) {}

  void bios(const InventoryBios& b) {
    jsonFields<kBiosFields>(json_, b.facts, originOf(b, kBiosInformationType), diagnostics_);
  }

  void language(const InventoryLanguage& l) {
    jsonFields<kBiosLanguageFields>(json_, l.facts, originOf(l, kBiosLanguageType), diagnostics_);
  }

  void processor(const InventoryProcessor& p) {
    jsonPopulated(json_, "populated", socketPopulated(p.facts));
    jsonFields<kProcessorFields>(json_, p.facts, originOf(p, kProcessorInformationType),
                                 diagnostics_);
  }

  void device(const InventoryDevice& d) {
    json_.open(nullptr, '{');
    json_.unsignedNumber("handle", d.facts.handle);
    if (!d.facts.holds(memory_device_field::kArrayHandle, 2)) {
      json_.null("arrayHandle");
    } else {
      json_.unsignedNumber("arrayHandle", d.facts.arrayHandle);
    }
    jsonPopulated(json_, "installed", deviceInstalled(d.facts));
    jsonFields<kMemoryDeviceFields>(json_, d.facts, originOf(d, kMemoryDeviceType), diagnostics_);
    json_.close('}');
  }

  void devices(const char* key, const InventoryArray* array) {
    json_.open(key, '[');
    for (const InventoryDevice* d : inventory_.devicesOf(array)) device(*d);
    json_.close(']');
  }

  void array(const InventoryArray& a) {
    const Origin origin = originOf(a, kPhysicalMemoryArrayType);
    FieldRoom room;
    jsonField(json_, kArrayUseField, arrayUse(a.facts, room), origin, diagnostics_);
    jsonFields<kMemoryArrayFields>(json_, a.facts, origin, diagnostics_);
    if (a.facts.holds(memory_array_field::kNumberOfDevices, 2)) {
      json_.unsignedNumber("deviceSlots", a.facts.numberOfDevices);
    } else {
      json_.null("deviceSlots");
    }
    writeSizeTotal(json_, "installed", installedIn(inventory_, &a));
    devices("devices", &a);
  }

  template <typename Entry, typename Write>
  void list(const char* key, const GrowableArray<Entry>& entries, Write write) {
    json_.open(key, '[');
    for (const Entry& entry : entries) {
      json_.open(nullptr, '{');
      json_.unsignedNumber("handle", entry.facts.handle);
      (this->*write)(entry);
      json_.close('}');
    }
    json_.close(']');
  }

  void totals() {
    json_.open("totals", '{');
    json_.unsignedNumber("processors", static_cast<unsigned long>(inventory_.processors.size()));
    json_.unsignedNumber("populatedSockets", populatedCount(inventory_));
    json_.unsignedNumber("memoryArrays", static_cast<unsigned long>(inventory_.arrays.size()));
    json_.unsignedNumber("memoryDevices", static_cast<unsigned long>(inventory_.devices.size()));
    writeSizeTotal(json_, "systemMemory", systemMemory(inventory_));
    GrowableArray<UseTotal> others;
    otherArrays(inventory_, &others);
    json_.open("otherArrays", '[');
    for (const UseTotal& other : others) {
      json_.open(nullptr, '{');
      bool named = false;
      const FieldText use = memoryUseText(other.use, &named);
      if (!other.useKnown) {
        json_.null("use");
      } else if (named) {
        json_.text("use", use.text, use.length);
      } else {
        json_.unsignedNumber("use", other.use);
      }
      json_.unsignedNumber("modules", other.total.modules);
      json_.unsigned64("bytes", other.total.bytes);
      json_.close('}');
    }
    json_.close(']');
    json_.close('}');
  }

 private:
  // The array's Use, shown as the record fields are; it is no field of the package's record.
  static constexpr MemoryArrayField kArrayUseField = {
      "use",   "Use", nullptr,  FieldKind::kText, JsonForm::kName,
      nullptr, 0,     arrayUse, nullptr,          nullptr};

  JsonWriter& json_;
  const Inventory& inventory_;
  DiagnosticList& diagnostics_;
};

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
  json.boolean("complete", walkReadWhole(walk));
  json.text("end", walkStoppedAtCount(walk) ? "countLimit" : kEnds[walk.end]);
  if (walkReadWhole(walk)) {
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
                        DiagnosticList& diagnostics) {
  JsonWriter json(out);
  InventoryJson writer(json, inventory, diagnostics);
  json.open(nullptr, '{');
  json.boolean("tableRead", tableError == nullptr);
  json.text("tableError", tableError);
  writeVersionJson(json, inventory.version);
  writeWalkJson(json, inventory);
  writer.list("bios", inventory.bios, &InventoryJson::bios);
  writer.list("biosLanguage", inventory.languages, &InventoryJson::language);
  writer.list("processors", inventory.processors, &InventoryJson::processor);
  writer.list("memoryArrays", inventory.arrays, &InventoryJson::array);
  writer.devices("unattachedDevices", nullptr);
  writer.totals();
  diagnostics.writeJson(json);
  json.close('}');
  json.finish();
}
