// The process-wide records the firmware reader fills from the SMBIOS table and the category codes
// that name them. Every decoded value is held as text: a pointer to a zero-terminated 8-bit text
// owned by the record, null until a decoder stores one.
#pragma once

#include <stdint.h>

// Category codes understood by getRecord (reader/reader.h); any other code gives null.
enum RecordCategory : uint32_t {
  kMemoryArrayCategory = 3,
  kBiosLanguageCategory = 4,
  kBiosCategory = 5,
  kProcessorCategory = 9,
  kMemoryDevicesCategory = 10,  // the address of memoryDevices, the pointer to the list
  kReservedCategory = 11,
};

constexpr int kBiosCharacteristicsSize = 9999;

// Texts the decoders store that say something of a field rather than give its value; the tools
// recognise them by these very texts.
// The size of a memory slot without a module.
inline constexpr char kEmptySlotText[] = "Seems Fake";
// Every field a Processor Information structure of the oldest layout ends before.
inline constexpr char kUnknowableText[] = "UnKnowable in this Machine";
// The processor's flags when its ID is not laid out as x86 feature flags, and a voltage byte that
// names no voltage.
inline constexpr char kUnknownText[] = "UNKNOWN";
// A list of flags or characteristics with none set.
inline constexpr char kNoneText[] = "None";
// The BIOS characteristic a virtual machine's firmware sets.
inline constexpr char kVirtualMachineText[] = "System is a virtual machine";

struct BiosRecord {
  int32_t present;
  char* vendor;
  char* version;
  char* releaseDate;
  char characteristics[kBiosCharacteristicsSize];  // inline text, items separated by line feeds
  char* romSize;
};

struct BiosLanguageRecord {
  int32_t present;
  char* currentLanguage;
  char* installableLanguages;
};

struct ProcessorRecord {
  int32_t present;
  char* socketDesignation;
  char* type;
  char* family;
  char* manufacturer;
  char* flags;
  char* version;
  char* voltage;
  char* externalClock;
  char* maxSpeed;
  char* currentSpeed;
  char* serialNumber;
  char* partNumber;
  char* assetTag;
  char* coreCount;
  char* coresEnabled;
  char* threadCount;
  char* characteristics;
  char* id;  // the eight processor ID bytes as "A9 06 03 00 FF FB EB BF"-style text
  char* signature;
};

struct MemoryArrayRecord {
  int32_t present;
  uint32_t deviceCount;  // entries of the memory device list a caller may read
  char* maximumCapacity;
  char* location;
};

struct MemoryDeviceRecord {
  int32_t present;
  char* formFactor;
  char* size;
  char* locator;
  char* type;
  char* bankLocator;
  char* manufacturer;
  char* serialNumber;
  char* partNumber;
  char* assetTag;
  char* speed;
  char* configuredMemorySpeed;
  char* configuredVoltage;
  char* reserved;
};

struct ReservedRecord {
  int32_t present;
  char* fields[3];
};
