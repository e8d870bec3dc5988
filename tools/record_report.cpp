#include "tools/record_report.h"

#include <cstdint>
#include <vector>

#include "reader/record_store.h"
#include "reader/records.h"

namespace {

// One text field of a record: its name in JSON, its label for people, and whether it holds a
// list of items separated by line feeds.
template <typename Record>
struct Field {
  const char* key;
  const char* label;
  char* Record::*member;
  bool list;
};

constexpr Field<BiosRecord> kBiosFields[] = {
    {"vendor", "Vendor", &BiosRecord::vendor, false},
    {"version", "Version", &BiosRecord::version, false},
    {"releaseDate", "Release Date", &BiosRecord::releaseDate, false},
};
constexpr Field<BiosRecord> kBiosRomSize = {"romSize", "ROM Size", &BiosRecord::romSize, false};

constexpr Field<BiosLanguageRecord> kBiosLanguageFields[] = {
    {"currentLanguage", "Currently Installed Language", &BiosLanguageRecord::currentLanguage,
     false},
    {"installableLanguages", "Installable Languages", &BiosLanguageRecord::installableLanguages,
     true},
};

constexpr Field<ProcessorRecord> kProcessorFields[] = {
    {"socketDesignation", "Socket Designation", &ProcessorRecord::socketDesignation, false},
    {"type", "Type", &ProcessorRecord::type, false},
    {"family", "Family", &ProcessorRecord::family, false},
    {"manufacturer", "Manufacturer", &ProcessorRecord::manufacturer, false},
    {"flags", "Flags", &ProcessorRecord::flags, true},
    {"version", "Version", &ProcessorRecord::version, false},
    {"voltage", "Voltage", &ProcessorRecord::voltage, false},
    {"externalClock", "External Clock", &ProcessorRecord::externalClock, false},
    {"maxSpeed", "Max Speed", &ProcessorRecord::maxSpeed, false},
    {"currentSpeed", "Current Speed", &ProcessorRecord::currentSpeed, false},
    {"serialNumber", "Serial Number", &ProcessorRecord::serialNumber, false},
    {"partNumber", "Part Number", &ProcessorRecord::partNumber, false},
    {"assetTag", "Asset Tag", &ProcessorRecord::assetTag, false},
    {"coreCount", "Core Count", &ProcessorRecord::coreCount, false},
    {"coresEnabled", "Cores Enabled", &ProcessorRecord::coresEnabled, false},
    {"threadCount", "Thread Count", &ProcessorRecord::threadCount, false},
    {"characteristics", "Characteristics", &ProcessorRecord::characteristics, true},
    {"id", "ID", &ProcessorRecord::id, false},
    {"signature", "Signature", &ProcessorRecord::signature, false},
};

constexpr Field<MemoryArrayRecord> kMemoryArrayFields[] = {
    {"maximumCapacity", "Maximum Capacity", &MemoryArrayRecord::maximumCapacity, false},
    {"location", "Location", &MemoryArrayRecord::location, false},
};

// `reserved` is filled by nothing; JSON shows it, the report for people leaves it out.
constexpr Field<MemoryDeviceRecord> kMemoryDeviceFields[] = {
    {"formFactor", "Form Factor", &MemoryDeviceRecord::formFactor, false},
    {"size", "Size", &MemoryDeviceRecord::size, false},
    {"locator", "Locator", &MemoryDeviceRecord::locator, false},
    {"type", "Type", &MemoryDeviceRecord::type, false},
    {"bankLocator", "Bank Locator", &MemoryDeviceRecord::bankLocator, false},
    {"manufacturer", "Manufacturer", &MemoryDeviceRecord::manufacturer, false},
    {"serialNumber", "Serial Number", &MemoryDeviceRecord::serialNumber, false},
    {"partNumber", "Part Number", &MemoryDeviceRecord::partNumber, false},
    {"assetTag", "Asset Tag", &MemoryDeviceRecord::assetTag, false},
    {"speed", "Speed", &MemoryDeviceRecord::speed, false},
    {"configuredMemorySpeed", "Configured Memory Speed", &MemoryDeviceRecord::configuredMemorySpeed,
     false},
    {"configuredVoltage", "Configured Voltage", &MemoryDeviceRecord::configuredVoltage, false},
    {"reserved", nullptr, &MemoryDeviceRecord::reserved, false},
};

const BiosRecord& bios() {
  return *static_cast<const BiosRecord*>(getRecord(kBiosCategory));
}
const BiosLanguageRecord& biosLanguage() {
  return *static_cast<const BiosLanguageRecord*>(getRecord(kBiosLanguageCategory));
}
const ProcessorRecord& processor() {
  return *static_cast<const ProcessorRecord*>(getRecord(kProcessorCategory));
}
const MemoryArrayRecord& memoryArray() {
  return *static_cast<const MemoryArrayRecord*>(getRecord(kMemoryArrayCategory));
}
const ReservedRecord& reserved() {
  return *static_cast<const ReservedRecord*>(getRecord(kReservedCategory));
}

// The entries a caller may read: the first deviceCount of the list, never more than it holds.
uint32_t readableDeviceCount() {
  const auto* list = *static_cast<MemoryDeviceRecord* const*>(getRecord(kMemoryDevicesCategory));
  if (list == nullptr) return 0;
  const uint32_t count = memoryArray().deviceCount;
  return count < memoryDeviceCapacity ? count : memoryDeviceCapacity;
}
const MemoryDeviceRecord& memoryDevice(uint32_t index) {
  return (*static_cast<MemoryDeviceRecord* const*>(getRecord(kMemoryDevicesCategory)))[index];
}

// ---- Text report ----

void writeValue(FILE* out, const char* label, const char* value, bool list) {
  if (value == nullptr) {
    fprintf(out, "  %s: (not set)\n", label);
    return;
  }
  const std::string text = value;
  if (!list && text.find('\n') == std::string::npos) {
    fprintf(out, "  %s: %s\n", label, value);
    return;
  }
  // Empty items (a part of a list with nothing in it) are left out.
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find('\n', start);
    const std::string item = text.substr(start, end == std::string::npos ? end : end - start);
    if (!item.empty()) items.push_back(item);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (items.empty()) {
    fprintf(out, "  %s: (none)\n", label);
    return;
  }
  fprintf(out, "  %s:\n", label);
  for (const std::string& item : items) fprintf(out, "    %s\n", item.c_str());
}

template <typename Record, size_t N>
void writeFields(FILE* out, const Record& record, const Field<Record> (&fields)[N]) {
  for (const Field<Record>& field : fields) {
    if (field.label != nullptr) writeValue(out, field.label, record.*field.member, field.list);
  }
}

// ---- JSON ----

class JsonWriter {
 public:
  explicit JsonWriter(FILE* out) : out_(out) {}

  void open(const char* key, char bracket) {
    prefix(key);
    fputc(bracket, out_);
    ++depth_;
    first_ = true;
  }
  void close(char bracket) {
    --depth_;
    if (!first_) newline();
    fputc(bracket, out_);
    first_ = false;
  }
  void number(const char* key, long long value) {
    prefix(key);
    fprintf(out_, "%lld", value);
  }
  void text(const char* key, const char* value) {
    prefix(key);
    fputs(value == nullptr ? "null" : jsonString(value).c_str(), out_);
  }

 private:
  void newline() {
    fputc('\n', out_);
    for (int i = 0; i < depth_; ++i) fputs("  ", out_);
  }
  void prefix(const char* key) {
    if (depth_ > 0) {
      if (!first_) fputc(',', out_);
      newline();
    }
    first_ = false;
    if (key != nullptr) fprintf(out_, "%s: ", jsonString(key).c_str());
  }

  FILE* out_;
  int depth_ = 0;
  bool first_ = true;
};

template <typename Record, size_t N>
void jsonFields(JsonWriter& json, const Record& record, const Field<Record> (&fields)[N]) {
  for (const Field<Record>& field : fields) json.text(field.key, record.*field.member);
}

}  // namespace

void writeTextReport(FILE* out) {
  fputs("\nBIOS\n", out);
  writeFields(out, bios(), kBiosFields);
  writeValue(out, "Characteristics", bios().characteristics, true);
  writeValue(out, kBiosRomSize.label, bios().*kBiosRomSize.member, false);

  fputs("\nBIOS Language\n", out);
  writeFields(out, biosLanguage(), kBiosLanguageFields);

  fputs("\nProcessor\n", out);
  writeFields(out, processor(), kProcessorFields);

  fputs("\nPhysical Memory Array\n", out);
  fprintf(out, "  Number Of Devices: %lu\n", static_cast<unsigned long>(memoryArray().deviceCount));
  writeFields(out, memoryArray(), kMemoryArrayFields);

  const uint32_t devices = readableDeviceCount();
  if (devices == 0) fputs("\nMemory Devices: none\n", out);
  for (uint32_t i = 0; i < devices; ++i) {
    fprintf(out, "\nMemory Device %lu of %lu\n", static_cast<unsigned long>(i + 1),
            static_cast<unsigned long>(devices));
    writeFields(out, memoryDevice(i), kMemoryDeviceFields);
  }
}

void writeJsonReport(FILE* out, const std::string& loadStdout, const std::string& loadStderr) {
  JsonWriter json(out);
  json.open(nullptr, '{');

  json.open("diagnostics", '{');
  json.text("stdout", loadStdout.c_str());
  json.text("stderr", loadStderr.c_str());
  json.close('}');

  json.open("bios", '{');
  json.number("present", bios().present);
  jsonFields(json, bios(), kBiosFields);
  json.text("characteristics", bios().characteristics);
  json.text(kBiosRomSize.key, bios().*kBiosRomSize.member);
  json.close('}');

  json.open("biosLanguage", '{');
  json.number("present", biosLanguage().present);
  jsonFields(json, biosLanguage(), kBiosLanguageFields);
  json.close('}');

  json.open("processor", '{');
  json.number("present", processor().present);
  jsonFields(json, processor(), kProcessorFields);
  json.close('}');

  json.open("memoryArray", '{');
  json.number("present", memoryArray().present);
  json.number("deviceCount", memoryArray().deviceCount);
  jsonFields(json, memoryArray(), kMemoryArrayFields);
  json.close('}');

  json.open("memoryDevices", '[');
  const uint32_t devices = readableDeviceCount();
  for (uint32_t i = 0; i < devices; ++i) {
    json.open(nullptr, '{');
    json.number("present", memoryDevice(i).present);
    jsonFields(json, memoryDevice(i), kMemoryDeviceFields);
    json.close('}');
  }
  json.close(']');

  json.open("reserved", '{');
  json.number("present", reserved().present);
  json.open("fields", '[');
  for (const char* field : reserved().fields) json.text(nullptr, field);
  json.close(']');
  json.close('}');

  json.close('}');
  fputc('\n', out);
}

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (byte < 0x20 || byte > 0x7E) {
          char escaped[8];
          snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}
