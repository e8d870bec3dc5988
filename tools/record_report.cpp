#include "tools/record_report.h"

#include <stdint.h>
#include <string.h>

#include "reader/reader.h"
#include "tools/json_writer.h"
#include "tools/text_report.h"

namespace {

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

// The entries a caller may read: the first deviceCount of the list, which never counts more
// entries than the list holds (records/records.h).
uint32_t readableDeviceCount() {
  const auto* list = *static_cast<MemoryDeviceRecord* const*>(getRecord(kMemoryDevicesCategory));
  return list != nullptr ? memoryArray().deviceCount : 0;
}
const MemoryDeviceRecord& memoryDevice(uint32_t index) {
  return (*static_cast<MemoryDeviceRecord* const*>(getRecord(kMemoryDevicesCategory)))[index];
}

template <typename Record, typename Facts, size_t N>
void jsonFields(JsonWriter& json, const Record& record,
                const RecordField<Record, Facts> (&fields)[N]) {
  for (const auto& field : fields) json.text(field.key, recordText(record, field));
}

void writeDevices(FILE* out) {
  const uint32_t devices = readableDeviceCount();
  if (devices == 0) fputs("\nMemory Devices: none\n", out);
  bool afterEmptySlot = false;
  for (uint32_t i = 0; i < devices; ++i) {
    const MemoryDeviceRecord& device = memoryDevice(i);
    const unsigned long number = static_cast<unsigned long>(i + 1);
    const unsigned long total = static_cast<unsigned long>(devices);
    if (isEmptySlot(device)) {
      // A run of empty slots reads as one block.
      if (!afterEmptySlot) fputc('\n', out);
      fprintf(out, "Memory Device %lu of %lu: ", number, total);
      const char* locator = device.locator != nullptr ? device.locator : "(no locator)";
      fwrite(locator, 1, trimmedLength(locator, strlen(locator)), out);
      fputs(", empty\n", out);
      afterEmptySlot = true;
      continue;
    }
    afterEmptySlot = false;
    fprintf(out, "\nMemory Device %lu of %lu\n", number, total);
    writeFields(out, 2, device, kMemoryDeviceFields);
  }
}

}  // namespace

void writeTextReport(FILE* out, const DiagnosticList& diagnostics) {
  if (bios().present == 0) {
    fputs("\nBIOS: none\n", out);
  } else {
    fputs("\nBIOS\n", out);
    writeFields(out, 2, bios(), kBiosFields);
  }

  if (allUnset(biosLanguage(), kBiosLanguageFields)) {
    fputs("\nBIOS Language: none\n", out);
  } else {
    fputs("\nBIOS Language\n", out);
    writeFields(out, 2, biosLanguage(), kBiosLanguageFields);
  }

  if (allUnset(processor(), kProcessorFields)) {
    fputs("\nProcessor: none\n", out);
  } else {
    fputs("\nProcessor\n", out);
    writeFields(out, 2, processor(), kProcessorFields);
  }

  if (memoryArray().present == 0 && memoryArray().deviceCount == 0 &&
      allUnset(memoryArray(), kMemoryArrayFields)) {
    fputs("\nPhysical Memory Array: none\n", out);
  } else {
    fputs("\nPhysical Memory Array\n", out);
    fprintf(out, "  Number Of Devices: %lu\n",
            static_cast<unsigned long>(memoryArray().deviceCount));
    writeFields(out, 2, memoryArray(), kMemoryArrayFields);
  }

  writeDevices(out);
  diagnostics.writeText(out);
}

void writeJsonReport(FILE* out, const char* loadStdout, const char* loadStderr) {
  JsonWriter json(out);
  json.open(nullptr, '{');

  json.open("diagnostics", '{');
  json.text("stdout", loadStdout);
  json.text("stderr", loadStderr);
  json.close('}');

  json.open("bios", '{');
  json.number("present", bios().present);
  jsonFields(json, bios(), kBiosFields);
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
  json.unsignedNumber("deviceCount", memoryArray().deviceCount);
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
  json.finish();
}
