#include "fuzz/record_checks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "decoders/record_fields.h"
#include "decoders/structure_facts.h"
#include "platform/serving/served_firmware_table.h"
#include "reader/reader.h"
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

template <typename Record, typename Facts, size_t N>
void checkTexts(const Record& record, const RecordField<Record, Facts> (&fields)[N]) {
  for (const auto& field : fields) checkText(recordText(record, field), field.key);
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
  if (memchr(bios.characteristics, 0, sizeof bios.characteristics) == nullptr) {
    fail("bios.characteristics", "not terminated inside the record");
  }
  checkTexts(bios, kBiosFields);

  const auto& language = recordOf<BiosLanguageRecord>(kBiosLanguageCategory);
  checkFlag(language.present, 0, "biosLanguage.present");
  checkTexts(language, kBiosLanguageFields);

  const auto& processor = recordOf<ProcessorRecord>(kProcessorCategory);
  checkFlag(processor.present, 0, "processor.present");
  checkTexts(processor, kProcessorFields);
  checkProcessorId(processor.id);

  const auto& array = recordOf<MemoryArrayRecord>(kMemoryArrayCategory);
  checkFlag(array.present, 1, "memoryArray.present");
  checkTexts(array, kMemoryArrayFields);

  // A caller reads deviceCount entries of the list: every one of them must exist.
  const MemoryDeviceRecord* list = recordOf<MemoryDeviceRecord*>(kMemoryDevicesCategory);
  if (array.deviceCount > 0 && list == nullptr) fail("memoryDevices", "null with deviceCount > 0");
  if (array.deviceCount > memoryDeviceCapacity) fail("memoryDevices", "shorter than deviceCount");
  if (deviceFillIndex > memoryDeviceCapacity) fail("deviceFillIndex", "beyond the list");
  for (uint32_t i = 0; i < array.deviceCount; ++i) {
    checkFlag(list[i].present, 0, "memoryDevice.present");
    checkTexts(list[i], kMemoryDeviceFields);
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

namespace {

// Every field of one structure's facts: a text that stays inside its buffer and the table, the
// numbers beside it only where the structure gives them.
template <const auto& kFields, typename Facts>
void checkFactFields(const Facts& facts) {
  FieldRoom room;
  for (const auto& field : kFields) {
    const FieldValue value = field.value(facts, room);
    if (value.text.text == nullptr) {
      if (value.known) fail(field.key, "a number without a text");
      continue;
    }
    if (value.text.length >= longestText) fail(field.key, "text longer than the table could make");
    for (size_t i = 0; i < value.text.length; ++i) {
      const auto c = static_cast<unsigned char>(value.text.text[i]);
      if (c != value.separator && c != '\n' && (c < 0x20 || c > 0x7E)) {
        fail(field.key, "unprintable byte");
      }
    }
    if (value.found > value.items) fail(field.key, "more strings found than named");
  }
}

// What the tool reads of the facts beyond the records' fields: -1 (not said) exactly where the
// structure ends before the field it is read from.
void checkToolReadings(const StructureFacts& facts) {
  if (facts.type == kBiosInformationType && biosSaysVirtualMachine(facts.bios) &&
      !facts.bios.holds(bios_field::kExtensionByte2, 1)) {
    fail("bios", "a virtual machine said by a byte it does not hold");
  }
  if (facts.type == kProcessorInformationType &&
      (socketPopulated(facts.processor) == -1) !=
          !facts.processor.holds(processor_field::kStatus, 1)) {
    fail("processor", "populated said by a status it does not hold");
  }
  if (facts.type == kMemoryDeviceType &&
      (deviceInstalled(facts.memoryDevice) == -1) !=
          !facts.memoryDevice.holds(memory_device_field::kSize, 2)) {
    fail("memory device", "installed said by a size it does not hold");
  }
}

}  // namespace

void checkStructureFacts(const StructureFacts* facts, size_t rawBytes) {
  longestText = rawBytes + kLongestMadeText;
  checkToolReadings(*facts);
  switch (facts->type) {
    case kBiosInformationType:
      return checkFactFields<kBiosFields>(facts->bios);
    case kBiosLanguageType:
      return checkFactFields<kBiosLanguageFields>(facts->biosLanguage);
    case kProcessorInformationType:
      return checkFactFields<kProcessorFields>(facts->processor);
    case kPhysicalMemoryArrayType:
      return checkFactFields<kMemoryArrayFields>(facts->memoryArray);
    case kMemoryDeviceType:
      return checkFactFields<kMemoryDeviceFields>(facts->memoryDevice);
  }
}
