// The text fields of each record, one table per record, in the record's order: the key programs
// read in JSON, the label people read, the member that holds the text, whether it is a list; and
// what the tool makes of one structure's facts for the same field, with the form and the key its
// JSON shows it under. The records' reports, the inventory's, the fuzz checks and the tests all
// read them. Plain C headers, so that programs built without the C++ standard library can include
// them.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "decoders/bios_facts.h"
#include "decoders/memory_facts.h"
#include "decoders/processor_facts.h"
#include "records/records.h"

enum class FieldKind : uint8_t {
  kText,
  kList,  // items separated by line feeds
};

// How the inventory's JSON shows a field of one structure.
enum class JsonForm : uint8_t {
  kHidden,  // not at all
  kString,  // a string of the table; null where the structure names none or one it does not have
  kName,    // an enumeration's name, or the value itself where the table has no name for it
  kNumber,  // a number, under a key of its own that names its unit; null where it is not given
  kText,    // the package's text as it stands
  kItems,   // the items of a list text, as an array
};

// One structure's field as the tool shows it.
struct FieldValue {
  // The package's text of the structure alone (what it would store from it, the structure's own
  // length the only gate); null where the structure does not hold the field or gives no text.
  FieldText text;
  const StringFact* string;  // kString: the string
  bool named;                // kName: text names the value
  bool known;                // kNumber: the structure gives the number
  uint64_t number;           // kName: the value; kNumber: the number
  // kItems: the separator of the items in text; and, where the items are the structure's
  // strings, how many it names (items) and how many of them it has (the rest are missing).
  char separator;
  unsigned items;
  unsigned found;
  // kItems: where the items are the texts of set bits, those parts, and text is none of them.
  BitTexts parts[3];
  size_t partCount;
};

// Room for every text a field makes, each in the work buffer of its own size.
union FieldRoom {
  RomSizePie romSize;
  char biosCharacteristics[kBiosCharacteristicsSize];
  VoltagePie voltage;
  FrequencyPie frequency;
  ProcessorCharacteristicsPie characteristics;
  CountPie count;
  ProcessorIdPie id;
  SignaturePie signature;
  FlagsPie flags;
  MemoryNumberPie memoryNumber;
};

template <typename Record, typename Facts>
struct RecordField {
  const char* key;
  const char* label;      // null: shown in JSON only
  char* Record::*member;  // null for the one text held inline: BiosRecord::characteristics
  FieldKind kind;
  JsonForm form;        // in the inventory's JSON
  const char* formKey;  // the inventory's key, where it is not key (a number's unit)
  int order;            // its place among the fields of the inventory's JSON object
  FieldValue (*value)(const Facts& facts, FieldRoom& room);
  // kItems: the package's texts that say it cannot tell (JSON null) and that no item is set (an
  // empty array); null where it has none.
  const char* unknownText;
  const char* noneText;

  const char* jsonKey() const { return formKey != nullptr ? formKey : key; }
};

// The record's text of a field.
template <typename Record, typename Facts>
const char* recordText(const Record& record, const RecordField<Record, Facts>& field) {
  return (record.*field.member);
}
template <typename Facts>
const char* recordText(const BiosRecord& record, const RecordField<BiosRecord, Facts>& field) {
  return field.member != nullptr ? record.*field.member : record.characteristics;
}

// ---- What each field makes of the facts (record_fields.cpp, and the templates below) ----

// Nothing: the structure does not hold the field.
inline constexpr FieldValue kNotHeld = {{nullptr, 0}, nullptr, false, false, 0, '\n', 0, 0, {}, 0};

inline FieldValue stringValue(bool held, const StringFact& string) {
  if (!held) return kNotHeld;
  FieldValue value = kNotHeld;
  value.text = string.asText();
  value.string = &string;
  return value;
}

inline FieldValue nameValue(bool held, unsigned code, FieldText (*lookup)(uint8_t, bool*)) {
  if (!held) return kNotHeld;
  FieldValue value = kNotHeld;
  value.text = lookup(static_cast<uint8_t>(code), &value.named);
  value.number = code;
  return value;
}

// A string number at offset, and an enumeration of one byte at offset with the table that names
// its values.
template <typename Facts, StringFact Facts::*member, unsigned offset>
FieldValue stringAt(const Facts& facts, FieldRoom&) {
  return stringValue(facts.holds(offset, 1), facts.*member);
}
template <typename Facts, uint8_t Facts::*member, unsigned offset,
          FieldText (*lookup)(uint8_t, bool*)>
FieldValue nameAt(const Facts& facts, FieldRoom&) {
  return nameValue(facts.holds(offset, 1), facts.*member, lookup);
}

// The string and enumeration fields.
inline constexpr auto biosVendor = stringAt<BiosFacts, &BiosFacts::vendor, bios_field::kVendor>;
inline constexpr auto biosVersion = stringAt<BiosFacts, &BiosFacts::version, bios_field::kVersion>;
inline constexpr auto biosReleaseDate =
    stringAt<BiosFacts, &BiosFacts::releaseDate, bios_field::kReleaseDate>;
inline constexpr auto processorSocket = stringAt<ProcessorFacts, &ProcessorFacts::socketDesignation,
                                                 processor_field::kSocketDesignation>;
inline constexpr auto processorType =
    nameAt<ProcessorFacts, &ProcessorFacts::type, processor_field::kType, processorTypeText>;
inline constexpr auto processorManufacturer =
    stringAt<ProcessorFacts, &ProcessorFacts::manufacturer, processor_field::kManufacturer>;
inline constexpr auto processorVersion =
    stringAt<ProcessorFacts, &ProcessorFacts::version, processor_field::kVersion>;
inline constexpr auto processorSerialNumber =
    stringAt<ProcessorFacts, &ProcessorFacts::serialNumber, processor_field::kSerialNumber>;
inline constexpr auto processorPartNumber =
    stringAt<ProcessorFacts, &ProcessorFacts::partNumber, processor_field::kPartNumber>;
inline constexpr auto processorAssetTag =
    stringAt<ProcessorFacts, &ProcessorFacts::assetTag, processor_field::kAssetTag>;
inline constexpr auto arrayLocation = nameAt<MemoryArrayFacts, &MemoryArrayFacts::location,
                                             memory_array_field::kLocation, memoryLocationText>;
inline constexpr auto deviceFormFactor =
    nameAt<MemoryDeviceFacts, &MemoryDeviceFacts::formFactor, memory_device_field::kFormFactor,
           memoryFormFactorText>;
inline constexpr auto deviceType = nameAt<MemoryDeviceFacts, &MemoryDeviceFacts::memoryType,
                                          memory_device_field::kMemoryType, memoryTypeText>;
inline constexpr auto deviceLocator =
    stringAt<MemoryDeviceFacts, &MemoryDeviceFacts::locator, memory_device_field::kDeviceLocator>;
inline constexpr auto deviceBankLocator =
    stringAt<MemoryDeviceFacts, &MemoryDeviceFacts::bankLocator, memory_device_field::kBankLocator>;
inline constexpr auto deviceManufacturer =
    stringAt<MemoryDeviceFacts, &MemoryDeviceFacts::manufacturer,
             memory_device_field::kManufacturer>;
inline constexpr auto deviceSerialNumber =
    stringAt<MemoryDeviceFacts, &MemoryDeviceFacts::serialNumber,
             memory_device_field::kSerialNumber>;
inline constexpr auto devicePartNumber =
    stringAt<MemoryDeviceFacts, &MemoryDeviceFacts::partNumber, memory_device_field::kPartNumber>;
inline constexpr auto deviceAssetTag =
    stringAt<MemoryDeviceFacts, &MemoryDeviceFacts::assetTag, memory_device_field::kAssetTag>;

FieldValue biosCharacteristics(const BiosFacts& bios, FieldRoom& room);
FieldValue biosRomSize(const BiosFacts& bios, FieldRoom& room);

FieldValue currentLanguage(const BiosLanguageFacts& language, FieldRoom& room);
FieldValue installableLanguages(const BiosLanguageFacts& language, FieldRoom& room);

FieldValue processorFamily(const ProcessorFacts& processor, FieldRoom& room);
FieldValue processorFlags(const ProcessorFacts& processor, FieldRoom& room);
FieldValue processorVoltage(const ProcessorFacts& processor, FieldRoom& room);
FieldValue processorExternalClock(const ProcessorFacts& processor, FieldRoom& room);
FieldValue processorMaxSpeed(const ProcessorFacts& processor, FieldRoom& room);
FieldValue processorCurrentSpeed(const ProcessorFacts& processor, FieldRoom& room);
FieldValue processorCoreCount(const ProcessorFacts& processor, FieldRoom& room);
FieldValue processorCoresEnabled(const ProcessorFacts& processor, FieldRoom& room);
FieldValue processorThreadCount(const ProcessorFacts& processor, FieldRoom& room);
FieldValue processorCharacteristics(const ProcessorFacts& processor, FieldRoom& room);
FieldValue processorId(const ProcessorFacts& processor, FieldRoom& room);
FieldValue processorSignature(const ProcessorFacts& processor, FieldRoom& room);

FieldValue arrayMaximumCapacity(const MemoryArrayFacts& array, FieldRoom& room);
// Not a record field: the array's Use.
inline constexpr auto arrayUse =
    nameAt<MemoryArrayFacts, &MemoryArrayFacts::use, memory_array_field::kUse, memoryUseText>;
// Not a record field: the array's Use.

FieldValue deviceSize(const MemoryDeviceFacts& device, FieldRoom& room);
FieldValue deviceSpeed(const MemoryDeviceFacts& device, FieldRoom& room);
FieldValue deviceConfiguredSpeed(const MemoryDeviceFacts& device, FieldRoom& room);
FieldValue deviceConfiguredVoltage(const MemoryDeviceFacts& device, FieldRoom& room);
FieldValue deviceReserved(const MemoryDeviceFacts& device, FieldRoom& room);

// ---- The tables ----

using BiosField = RecordField<BiosRecord, BiosFacts>;
inline constexpr BiosField kBiosFields[] = {
    {"vendor", "Vendor", &BiosRecord::vendor, FieldKind::kText, JsonForm::kString, nullptr, 0,
     biosVendor, nullptr, nullptr},
    {"version", "Version", &BiosRecord::version, FieldKind::kText, JsonForm::kString, nullptr, 1,
     biosVersion, nullptr, nullptr},
    {"releaseDate", "Release Date", &BiosRecord::releaseDate, FieldKind::kText, JsonForm::kString,
     nullptr, 2, biosReleaseDate, nullptr, nullptr},
    {"characteristics", "Characteristics", nullptr, FieldKind::kList, JsonForm::kItems, nullptr, 3,
     biosCharacteristics, nullptr, nullptr},
    {"romSize", "ROM Size", &BiosRecord::romSize, FieldKind::kText, JsonForm::kNumber,
     "romSizeBytes", 4, biosRomSize, nullptr, nullptr},
};

using BiosLanguageField = RecordField<BiosLanguageRecord, BiosLanguageFacts>;
inline constexpr BiosLanguageField kBiosLanguageFields[] = {
    {"currentLanguage", "Currently Installed Language", &BiosLanguageRecord::currentLanguage,
     FieldKind::kText, JsonForm::kString, nullptr, 0, currentLanguage, nullptr, nullptr},
    {"installableLanguages", "Installable Languages", &BiosLanguageRecord::installableLanguages,
     FieldKind::kList, JsonForm::kItems, nullptr, 1, installableLanguages, nullptr, nullptr},
};

using ProcessorField = RecordField<ProcessorRecord, ProcessorFacts>;
inline constexpr ProcessorField kProcessorFields[] = {
    {"socketDesignation", "Socket Designation", &ProcessorRecord::socketDesignation,
     FieldKind::kText, JsonForm::kString, nullptr, 0, processorSocket, nullptr, nullptr},
    {"type", "Type", &ProcessorRecord::type, FieldKind::kText, JsonForm::kName, nullptr, 1,
     processorType, nullptr, nullptr},
    {"family", "Family", &ProcessorRecord::family, FieldKind::kText, JsonForm::kName, nullptr, 2,
     processorFamily, nullptr, nullptr},
    {"manufacturer", "Manufacturer", &ProcessorRecord::manufacturer, FieldKind::kText,
     JsonForm::kString, nullptr, 3, processorManufacturer, nullptr, nullptr},
    {"flags", "Flags", &ProcessorRecord::flags, FieldKind::kList, JsonForm::kItems, nullptr, 7,
     processorFlags, kUnknownText, kNoneText},
    {"version", "Version", &ProcessorRecord::version, FieldKind::kText, JsonForm::kString, nullptr,
     4, processorVersion, nullptr, nullptr},
    {"voltage", "Voltage", &ProcessorRecord::voltage, FieldKind::kText, JsonForm::kNumber,
     "voltageMillivolts", 8, processorVoltage, nullptr, nullptr},
    {"externalClock", "External Clock", &ProcessorRecord::externalClock, FieldKind::kText,
     JsonForm::kNumber, "externalClockMHz", 9, processorExternalClock, nullptr, nullptr},
    {"maxSpeed", "Max Speed", &ProcessorRecord::maxSpeed, FieldKind::kText, JsonForm::kNumber,
     "maxSpeedMHz", 10, processorMaxSpeed, nullptr, nullptr},
    {"currentSpeed", "Current Speed", &ProcessorRecord::currentSpeed, FieldKind::kText,
     JsonForm::kNumber, "currentSpeedMHz", 11, processorCurrentSpeed, nullptr, nullptr},
    {"serialNumber", "Serial Number", &ProcessorRecord::serialNumber, FieldKind::kText,
     JsonForm::kString, nullptr, 12, processorSerialNumber, nullptr, nullptr},
    {"partNumber", "Part Number", &ProcessorRecord::partNumber, FieldKind::kText, JsonForm::kString,
     nullptr, 13, processorPartNumber, nullptr, nullptr},
    {"assetTag", "Asset Tag", &ProcessorRecord::assetTag, FieldKind::kText, JsonForm::kString,
     nullptr, 14, processorAssetTag, nullptr, nullptr},
    {"coreCount", "Core Count", &ProcessorRecord::coreCount, FieldKind::kText, JsonForm::kNumber,
     nullptr, 15, processorCoreCount, nullptr, nullptr},
    {"coresEnabled", "Cores Enabled", &ProcessorRecord::coresEnabled, FieldKind::kText,
     JsonForm::kNumber, nullptr, 16, processorCoresEnabled, nullptr, nullptr},
    {"threadCount", "Thread Count", &ProcessorRecord::threadCount, FieldKind::kText,
     JsonForm::kNumber, nullptr, 17, processorThreadCount, nullptr, nullptr},
    {"characteristics", "Characteristics", &ProcessorRecord::characteristics, FieldKind::kList,
     JsonForm::kItems, nullptr, 18, processorCharacteristics, nullptr, kNoneText},
    {"id", "ID", &ProcessorRecord::id, FieldKind::kText, JsonForm::kText, nullptr, 5, processorId,
     nullptr, nullptr},
    {"signature", "Signature", &ProcessorRecord::signature, FieldKind::kText, JsonForm::kText,
     nullptr, 6, processorSignature, nullptr, nullptr},
};

using MemoryArrayField = RecordField<MemoryArrayRecord, MemoryArrayFacts>;
inline constexpr MemoryArrayField kMemoryArrayFields[] = {
    {"maximumCapacity", "Maximum Capacity", &MemoryArrayRecord::maximumCapacity, FieldKind::kText,
     JsonForm::kNumber, "maximumCapacityBytes", 1, arrayMaximumCapacity, nullptr, nullptr},
    {"location", "Location", &MemoryArrayRecord::location, FieldKind::kText, JsonForm::kName,
     nullptr, 0, arrayLocation, nullptr, nullptr},
};

// `reserved` is filled by nothing; the records' JSON shows it, no report for people does.
using MemoryDeviceField = RecordField<MemoryDeviceRecord, MemoryDeviceFacts>;
inline constexpr MemoryDeviceField kMemoryDeviceFields[] = {
    {"formFactor", "Form Factor", &MemoryDeviceRecord::formFactor, FieldKind::kText,
     JsonForm::kName, nullptr, 2, deviceFormFactor, nullptr, nullptr},
    {"size", "Size", &MemoryDeviceRecord::size, FieldKind::kText, JsonForm::kNumber, "sizeBytes", 4,
     deviceSize, nullptr, nullptr},
    {"locator", "Locator", &MemoryDeviceRecord::locator, FieldKind::kText, JsonForm::kString,
     nullptr, 0, deviceLocator, nullptr, nullptr},
    {"type", "Type", &MemoryDeviceRecord::type, FieldKind::kText, JsonForm::kName, nullptr, 3,
     deviceType, nullptr, nullptr},
    {"bankLocator", "Bank Locator", &MemoryDeviceRecord::bankLocator, FieldKind::kText,
     JsonForm::kString, nullptr, 1, deviceBankLocator, nullptr, nullptr},
    {"manufacturer", "Manufacturer", &MemoryDeviceRecord::manufacturer, FieldKind::kText,
     JsonForm::kString, nullptr, 8, deviceManufacturer, nullptr, nullptr},
    {"serialNumber", "Serial Number", &MemoryDeviceRecord::serialNumber, FieldKind::kText,
     JsonForm::kString, nullptr, 9, deviceSerialNumber, nullptr, nullptr},
    {"partNumber", "Part Number", &MemoryDeviceRecord::partNumber, FieldKind::kText,
     JsonForm::kString, nullptr, 10, devicePartNumber, nullptr, nullptr},
    {"assetTag", "Asset Tag", &MemoryDeviceRecord::assetTag, FieldKind::kText, JsonForm::kString,
     nullptr, 11, deviceAssetTag, nullptr, nullptr},
    {"speed", "Speed", &MemoryDeviceRecord::speed, FieldKind::kText, JsonForm::kNumber, "speedMTs",
     5, deviceSpeed, nullptr, nullptr},
    {"configuredMemorySpeed", "Configured Memory Speed", &MemoryDeviceRecord::configuredMemorySpeed,
     FieldKind::kText, JsonForm::kNumber, "configuredSpeedMTs", 6, deviceConfiguredSpeed, nullptr,
     nullptr},
    {"configuredVoltage", "Configured Voltage", &MemoryDeviceRecord::configuredVoltage,
     FieldKind::kText, JsonForm::kNumber, "configuredVoltageMillivolts", 7, deviceConfiguredVoltage,
     nullptr, nullptr},
    {"reserved", nullptr, &MemoryDeviceRecord::reserved, FieldKind::kText, JsonForm::kHidden,
     nullptr, -1, deviceReserved, nullptr, nullptr},
};

// The fields of a table in the order of the inventory's JSON object, and the check, when
// compiled, that every shown field has its own place there.
template <typename Record, typename Facts, size_t N>
struct FieldOrder {
  const RecordField<Record, Facts>* of[N];
  size_t shown;
};
template <typename Record, typename Facts, size_t N>
constexpr FieldOrder<Record, Facts, N> jsonOrder(const RecordField<Record, Facts> (&fields)[N]) {
  FieldOrder<Record, Facts, N> order{};
  for (const auto& field : fields) {
    if (field.order < 0) continue;
    if (static_cast<size_t>(field.order) >= N || order.of[field.order] != nullptr) return {};
    order.of[field.order] = &field;
    ++order.shown;
  }
  for (size_t i = 0; i < order.shown; ++i) {
    if (order.of[i] == nullptr) return {};
  }
  return order;
}
template <typename Record, typename Facts, size_t N>
constexpr bool placesInOrder(const RecordField<Record, Facts> (&fields)[N]) {
  size_t hidden = 0;
  for (const auto& field : fields) hidden += field.order < 0;
  return jsonOrder(fields).shown + hidden == N;
}
static_assert(placesInOrder(kBiosFields) && placesInOrder(kBiosLanguageFields) &&
                  placesInOrder(kProcessorFields) && placesInOrder(kMemoryArrayFields) &&
                  placesInOrder(kMemoryDeviceFields),
              "every shown field has a place of its own in the inventory's JSON");
