// The text fields of each record: the key programs read in JSON, the label people read, and
// whether the text is a list of items separated by line feeds. The records and the inventory
// show the same fields under the same names.
#pragma once

#include <stddef.h>

#include "records/records.h"

template <typename Record>
struct Field {
  const char* key;
  const char* label;  // null: shown in JSON only
  char* Record::*member;
  bool list;
};

// Vendor, version and release date; the inline characteristics text and the ROM size follow.
inline constexpr Field<BiosRecord> kBiosFields[] = {
    {"vendor", "Vendor", &BiosRecord::vendor, false},
    {"version", "Version", &BiosRecord::version, false},
    {"releaseDate", "Release Date", &BiosRecord::releaseDate, false},
};
inline constexpr Field<BiosRecord> kBiosRomSize = {"romSize", "ROM Size", &BiosRecord::romSize,
                                                   false};

inline constexpr Field<BiosLanguageRecord> kBiosLanguageFields[] = {
    {"currentLanguage", "Currently Installed Language", &BiosLanguageRecord::currentLanguage,
     false},
    {"installableLanguages", "Installable Languages", &BiosLanguageRecord::installableLanguages,
     true},
};

inline constexpr Field<ProcessorRecord> kProcessorFields[] = {
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

inline constexpr Field<MemoryArrayRecord> kMemoryArrayFields[] = {
    {"maximumCapacity", "Maximum Capacity", &MemoryArrayRecord::maximumCapacity, false},
    {"location", "Location", &MemoryArrayRecord::location, false},
};

// `reserved` is filled by nothing; JSON shows it, the report for people leaves it out.
inline constexpr Field<MemoryDeviceRecord> kMemoryDeviceFields[] = {
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
