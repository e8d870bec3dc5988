#include "fuzz/record_checks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "platform/serving/served_firmware_table.h"
#include "reader/reader.h"
#include "reader/structure_inventory.h"
#include "records/record_store.h"

namespace {

// Every text is a fixed text, a number, or made of the table's strings: the installable languages
// join up to 255 of them, each at most "<BAD INDEX>" where it is missing. Anything longer than
// the table and that can only be a text that ran on past its end.
constexpr size_t kLongestMadeText = 255 * sizeof "<BAD INDEX>" + 9999;
size_t longestText = kLongestMadeText;

[[noreturn]] void fail(const char* field, const char* problem) {
  fprintf(stderr, "record check failed: %s: %s\n", field, problem);
  abort();
}

// Null, or a terminated text of printable bytes and line feeds (the item separator).
void checkText(const char* text, const char* field) {
  if (text == nullptr) return;
  for (size_t n = 0; text[n] != '\0'; ++n) {
    if (n >= longestText) fail(field, "text longer than the table could make");
    const auto c = static_cast<unsigned char>(text[n]);
    if (c != '\n' && (c < 0x20 || c > 0x7E)) fail(field, "unprintable byte");
  }
}

void checkFlag(int32_t present, int32_t highest, const char* field) {
  if (present < 0 || present > highest) fail(field, "present flag out of range");
}

template <typename Record>
struct TextField {
  const char* name;
  char* Record::*member;
};

constexpr TextField<BiosRecord> kBiosTexts[] = {
    {"bios.vendor", &BiosRecord::vendor},
    {"bios.version", &BiosRecord::version},
    {"bios.releaseDate", &BiosRecord::releaseDate},
    {"bios.romSize", &BiosRecord::romSize},
};

constexpr TextField<BiosLanguageRecord> kBiosLanguageTexts[] = {
    {"biosLanguage.currentLanguage", &BiosLanguageRecord::currentLanguage},
    {"biosLanguage.installableLanguages", &BiosLanguageRecord::installableLanguages},
};

constexpr TextField<ProcessorRecord> kProcessorTexts[] = {
    {"processor.socketDesignation", &ProcessorRecord::socketDesignation},
    {"processor.type", &ProcessorRecord::type},
    {"processor.family", &ProcessorRecord::family},
    {"processor.manufacturer", &ProcessorRecord::manufacturer},
    {"processor.flags", &ProcessorRecord::flags},
    {"processor.version", &ProcessorRecord::version},
    {"processor.voltage", &ProcessorRecord::voltage},
    {"processor.externalClock", &ProcessorRecord::externalClock},
    {"processor.maxSpeed", &ProcessorRecord::maxSpeed},
    {"processor.currentSpeed", &ProcessorRecord::currentSpeed},
    {"processor.serialNumber", &ProcessorRecord::serialNumber},
    {"processor.partNumber", &ProcessorRecord::partNumber},
    {"processor.assetTag", &ProcessorRecord::assetTag},
    {"processor.coreCount", &ProcessorRecord::coreCount},
    {"processor.coresEnabled", &ProcessorRecord::coresEnabled},
    {"processor.threadCount", &ProcessorRecord::threadCount},
    {"processor.characteristics", &ProcessorRecord::characteristics},
    {"processor.id", &ProcessorRecord::id},
    {"processor.signature", &ProcessorRecord::signature},
};

constexpr TextField<MemoryArrayRecord> kMemoryArrayTexts[] = {
    {"memoryArray.maximumCapacity", &MemoryArrayRecord::maximumCapacity},
    {"memoryArray.location", &MemoryArrayRecord::location},
};

constexpr TextField<MemoryDeviceRecord> kMemoryDeviceTexts[] = {
    {"memoryDevice.formFactor", &MemoryDeviceRecord::formFactor},
    {"memoryDevice.size", &MemoryDeviceRecord::size},
    {"memoryDevice.locator", &MemoryDeviceRecord::locator},
    {"memoryDevice.type", &MemoryDeviceRecord::type},
    {"memoryDevice.bankLocator", &MemoryDeviceRecord::bankLocator},
    {"memoryDevice.manufacturer", &MemoryDeviceRecord::manufacturer},
    {"memoryDevice.serialNumber", &MemoryDeviceRecord::serialNumber},
    {"memoryDevice.partNumber", &MemoryDeviceRecord::partNumber},
    {"memoryDevice.assetTag", &MemoryDeviceRecord::assetTag},
    {"memoryDevice.speed", &MemoryDeviceRecord::speed},
    {"memoryDevice.configuredMemorySpeed", &MemoryDeviceRecord::configuredMemorySpeed},
    {"memoryDevice.configuredVoltage", &MemoryDeviceRecord::configuredVoltage},
    {"memoryDevice.reserved", &MemoryDeviceRecord::reserved},
};

template <typename Record, size_t N>
void checkTexts(const Record& record, const TextField<Record> (&fields)[N]) {
  for (const TextField<Record>& field : fields) checkText(record.*field.member, field.name);
}

// Eight upper-case hexadecimal byte pairs separated by single blanks: what script receives.
void checkProcessorId(const char* id) {
  if (id == nullptr) return;
  if (strlen(id) != 23) fail("processor.id", "not 23 characters");
  for (size_t i = 0; i < 23; ++i) {
    const char c = id[i];
    const bool ok = i % 3 == 2 ? c == ' ' : ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
    if (!ok) fail("processor.id", "not eight upper-case hexadecimal pairs");
  }
}

template <typename Record>
const Record& recordOf(uint32_t code) {
  void* record = getRecord(code);
  if (record == nullptr) fail("getRecord", "null for a category that has a record");
  if (getRecord(code) != record) fail("getRecord", "a second call gave another address");
  return *static_cast<const Record*>(record);
}

}  // namespace

void checkLoadedRecords(size_t rawBytes) {
  longestText = rawBytes + kLongestMadeText;
  const uint32_t platformCalls = platform::firmwareTableCallCount();
  if (platformCalls > 2) fail("load", "more than two platform calls");

  const auto& bios = recordOf<BiosRecord>(kBiosCategory);
  checkFlag(bios.present, 1, "bios.present");
  checkTexts(bios, kBiosTexts);
  if (memchr(bios.characteristics, 0, sizeof bios.characteristics) == nullptr) {
    fail("bios.characteristics", "not terminated inside the record");
  }
  checkText(bios.characteristics, "bios.characteristics");

  const auto& language = recordOf<BiosLanguageRecord>(kBiosLanguageCategory);
  checkFlag(language.present, 0, "biosLanguage.present");
  checkTexts(language, kBiosLanguageTexts);

  const auto& processor = recordOf<ProcessorRecord>(kProcessorCategory);
  checkFlag(processor.present, 0, "processor.present");
  checkTexts(processor, kProcessorTexts);
  checkProcessorId(processor.id);

  const auto& array = recordOf<MemoryArrayRecord>(kMemoryArrayCategory);
  checkFlag(array.present, 1, "memoryArray.present");
  checkTexts(array, kMemoryArrayTexts);

  // A caller reads deviceCount entries of the list: every one of them must exist.
  const MemoryDeviceRecord* list = recordOf<MemoryDeviceRecord*>(kMemoryDevicesCategory);
  if (array.deviceCount > 0 && list == nullptr) fail("memoryDevices", "null with deviceCount > 0");
  if (array.deviceCount > memoryDeviceCapacity) fail("memoryDevices", "shorter than deviceCount");
  if (deviceFillIndex > memoryDeviceCapacity) fail("deviceFillIndex", "beyond the list");
  for (uint32_t i = 0; i < array.deviceCount; ++i) {
    checkFlag(list[i].present, 0, "memoryDevice.present");
    checkTexts(list[i], kMemoryDeviceTexts);
  }

  const auto& reserved = recordOf<ReservedRecord>(kReservedCategory);
  if (reserved.present != 0) fail("reserved.present", "set");
  for (const char* field : reserved.fields) {
    if (field != nullptr) fail("reserved.fields", "set");
  }

  for (uint32_t code : {0u, 1u, 2u, 6u, 7u, 8u, 12u, 0xFFFFFFFFu}) {
    if (getRecord(code) != nullptr) fail("getRecord", "a record for an unknown category");
  }
  if (platform::firmwareTableCallCount() != platformCalls) fail("getRecord", "loaded again");
}

void checkInventoryStructure(const InventoryStructure* s) {
  if (s->bios != nullptr) {
    checkTexts(*s->bios, kBiosTexts);
    checkText(s->bios->characteristics, "bios.characteristics");
  }
  if (s->biosLanguage != nullptr) checkTexts(*s->biosLanguage, kBiosLanguageTexts);
  if (s->processor != nullptr) {
    checkTexts(*s->processor, kProcessorTexts);
    checkProcessorId(s->processor->id);
  }
  if (s->memoryArray != nullptr) checkTexts(*s->memoryArray, kMemoryArrayTexts);
  if (s->memoryDevice != nullptr) checkTexts(*s->memoryDevice, kMemoryDeviceTexts);
  if (s->type == 4 && s->statusByte > 0xFF) fail("inventory.statusByte", "not a byte");
}
