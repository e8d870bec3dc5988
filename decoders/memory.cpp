// Physical Memory Array (type 16), DSP0134 section 7.17, and Memory Device (type 17), section
// 7.18.
#include "decoders/memory.h"

#include <string.h>

#include "decoders/decoder_text.h"
#include "decoders/memory_layout.h"
#include "decoders/size_text.h"
#include "decoders/value_text.h"
#include "records/record_store.h"

namespace {

constexpr ValueText kLocations[] = {
    {0x01, "Other"},
    {0x02, "Unknown"},
    {0x03, "System Board Or Motherboard"},
    {0x04, "ISA Add-on Card"},
    {0x05, "EISA Add-on Card"},
    {0x06, "PCI Add-on Card"},
    {0x07, "MCA Add-on Card"},
    {0x08, "PCMCIA Add-on Card"},
    {0x09, "Proprietary Add-on Card"},
    {0x0A, "NuBus"},
    {0xA0, "PC-98/C20 Add-on Card"},
    {0xA1, "PC-98/C24 Add-on Card"},
    {0xA2, "PC-98/E Add-on Card"},
    {0xA3, "PC-98/Local Bus Add-on Card"},
    {0xA4, "CXL Flexbus 1.0"},
};

constexpr ValueText kUses[] = {
    {0x01, "Other"},        {0x02, "Unknown"},      {0x03, "System Memory"},
    {0x04, "Video Memory"}, {0x05, "Flash Memory"}, {0x06, "Non-volatile RAM"},
    {0x07, "Cache Memory"},
};

constexpr ValueText kFormFactors[] = {
    {0x01, "Other"},  {0x02, "Unknown"}, {0x03, "SIMM"},         {0x04, "SIP"},
    {0x05, "Chip"},   {0x06, "DIP"},     {0x07, "ZIP"},          {0x08, "Proprietary Card"},
    {0x09, "DIMM"},   {0x0A, "TSOP"},    {0x0B, "Row Of Chips"}, {0x0C, "RIMM"},
    {0x0D, "SODIMM"}, {0x0E, "SRIMM"},   {0x0F, "FB-DIMM"},      {0x10, "Die"},
};

constexpr ValueText kMemoryTypes[] = {
    {0x01, "Other"},
    {0x02, "Unknown"},
    {0x03, "DRAM"},
    {0x04, "EDRAM"},
    {0x05, "VRAM"},
    {0x06, "SRAM"},
    {0x07, "RAM"},
    {0x08, "ROM"},
    {0x09, "Flash"},
    {0x0A, "EEPROM"},
    {0x0B, "FEPROM"},
    {0x0C, "EPROM"},
    {0x0D, "CDRAM"},
    {0x0E, "3DRAM"},
    {0x0F, "SDRAM"},
    {0x10, "SGRAM"},
    {0x11, "RDRAM"},
    {0x12, "DDR"},
    {0x13, "DDR2"},
    {0x14, "DDR2 FB-DIMM"},
    {0x15, "Reserved"},
    {0x16, "Reserved"},
    {0x17, "Reserved"},
    {0x18, "DDR3"},
    {0x19, "FBD2"},
    {0x1A, "DDR4"},
    {0x1B, "LPDDR"},
    {0x1C, "LPDDR2"},
    {0x1D, "LPDDR3"},
    {0x1E, "LPDDR4"},
    {0x1F, "Logical non-volatile device"},
    {0x20, "HBM"},
    {0x21, "HBM2"},
    {0x22, "DDR5"},
    {0x23, "LPDDR5"},
};

static_assert(strictlyAscending(kLocations), "locations sorted and unique");
static_assert(strictlyAscending(kUses), "uses sorted and unique");
static_assert(strictlyAscending(kFormFactors), "form factors sorted and unique");
static_assert(strictlyAscending(kMemoryTypes), "memory types sorted and unique");

constexpr FieldText constantText(const char* text) {
  return {text, textLength(text)};
}

// A memory speed: the word, or its extended double word where the word defers to it; 0 is
// unknown.
uint32_t speedOf(uint16_t speed, uint32_t extended) {
  return speed == memory_device_field::kSpeedInExtendedField ? extended : speed;
}

}  // namespace

FieldText memoryLocationText(uint8_t location, bool* named) {
  return lookupField(kLocations, location, named);
}
FieldText memoryUseText(uint8_t use, bool* named) {
  return lookupField(kUses, use, named);
}
FieldText memoryFormFactorText(uint8_t formFactor, bool* named) {
  return lookupField(kFormFactors, formFactor, named);
}
FieldText memoryTypeText(uint8_t type, bool* named) {
  return lookupField(kMemoryTypes, type, named);
}

FieldText maximumCapacityText(const MemoryArrayFacts& array, MemoryNumberPie& sizeInformation) {
  namespace field = memory_array_field;
  if (!array.holds(field::kMaximumCapacity, 4)) return {nullptr, 0};
  const bool extended = array.maximumCapacity == field::kCapacityInExtendedField;
  if (extended && !array.holds(field::kExtendedMaximumCapacity, 8)) {
    return constantText("Capacity Unknown");
  }
  return extended ? sizeText(array.extendedMaximumCapacity, 0, sizeInformation)  // bytes
                  : sizeText(array.maximumCapacity, 1, sizeInformation);         // kB
}

bool maximumCapacityBytes(const MemoryArrayFacts& array, uint64_t* bytes) {
  namespace field = memory_array_field;
  if (array.maximumCapacity != field::kCapacityInExtendedField) {
    *bytes = uint64_t{array.maximumCapacity} << 10;
    return true;
  }
  if (!array.holds(field::kExtendedMaximumCapacity, 8)) return false;
  *bytes = array.extendedMaximumCapacity;
  return true;
}

FieldText memorySizeText(uint16_t size, MemoryNumberPie& characteristicSizePie) {
  if (size == memory_device_field::kNoModule) return constantText(kEmptySlotText);
  if (size == memory_device_field::kSizeUnknown) return constantText("Size Unknown");
  uint32_t kilobytes = size & 0x7FFFu;
  if ((size & 0x8000) == 0) kilobytes *= 1024;  // the count is in MB
  return sizeText(kilobytes, 1, characteristicSizePie);
}

FieldText memoryExtendedSizeText(uint32_t extendedSize, MemoryNumberPie& characteristicSizePie) {
  const uint32_t megabytes = extendedSize & 0x7FFFFFFF;
  WorkText text(characteristicSizePie);
  if ((megabytes & 0x3FF) != 0) {
    text.decimal(megabytes).add(" MB");
  } else if ((megabytes & 0xFFC00) != 0) {
    text.decimal(megabytes >> 10).add(" GB");
  } else {
    text.decimal(megabytes >> 20).add(" TB");
  }
  return text.result();
}

FieldText memorySpeedText(uint16_t speed, uint32_t extendedSpeed,
                          MemoryNumberPie& characteristicSpeed) {
  constexpr uint16_t kExtended = memory_device_field::kSpeedInExtendedField;
  if ((speed == kExtended && extendedSpeed == 0) || speed == 0) {
    return constantText("Speed Unknown");
  }
  return WorkText(characteristicSpeed).decimal(speedOf(speed, extendedSpeed)).add(" MT/s").result();
}

FieldText memoryVoltageText(uint16_t millivolts, MemoryNumberPie& characteristicVoltage) {
  if (millivolts == 0) return constantText("NA");
  // The volts as "%.1f V" (whole tenths) or "%g V" (anything finer) write the single-precision
  // quotient millivolts / 1000: below 65.536 V, six significant digits always show the exact
  // thousandths, so the digits can be written from the integer.
  WorkText text(characteristicVoltage);
  text.decimal(millivolts / 1000u).add('.');
  const unsigned thousandths = millivolts % 1000u;
  if (millivolts % 100 == 0) {
    text.decimal(thousandths / 100);
  } else {
    char digits[3] = {static_cast<char>('0' + thousandths / 100),
                      static_cast<char>('0' + thousandths / 10 % 10),
                      static_cast<char>('0' + thousandths % 10)};
    text.add(digits, digits[2] != '0' ? 3 : 2);  // "%g" drops trailing zeros
  }
  return text.add(" V").result();
}

FieldText deviceSizeText(const MemoryDeviceFacts& device, MemoryNumberPie& pie) {
  namespace field = memory_device_field;
  if (!device.holds(field::kSize, 2)) return {nullptr, 0};
  if (device.holds(field::kExtendedSize, 4) && device.size == field::kSizeInExtendedField) {
    return memoryExtendedSizeText(device.extendedSize, pie);
  }
  return memorySizeText(device.size, pie);
}

FieldText deviceSpeedText(const MemoryDeviceFacts& device, MemoryNumberPie& pie) {
  if (!device.holds(memory_device_field::kSpeed, 2)) return {nullptr, 0};
  return memorySpeedText(device.speed, device.extendedSpeed, pie);
}

FieldText deviceConfiguredSpeedText(const MemoryDeviceFacts& device, MemoryNumberPie& pie) {
  if (!device.holds(memory_device_field::kConfiguredSpeed, 2)) return {nullptr, 0};
  return memorySpeedText(device.configuredSpeed, device.extendedConfiguredSpeed, pie);
}

int deviceInstalled(const MemoryDeviceFacts& device) {
  if (!device.holds(memory_device_field::kSize, 2)) return -1;
  return device.size != memory_device_field::kNoModule ? 1 : 0;
}

bool deviceSizeBytes(const MemoryDeviceFacts& device, uint64_t* bytes) {
  namespace field = memory_device_field;
  const uint16_t size = device.size;
  if (size == field::kSizeInExtendedField && device.holds(field::kExtendedSize, 4)) {
    *bytes = uint64_t{device.extendedSize & 0x7FFFFFFFu} << 20;
    return true;
  }
  if (size == field::kNoModule || size == field::kSizeUnknown) return false;
  *bytes = uint64_t{size & 0x7FFFu} << ((size & 0x8000) != 0 ? 10 : 20);
  return true;
}

uint32_t deviceSpeedMTs(const MemoryDeviceFacts& device) {
  if (!device.holds(memory_device_field::kSpeed, 2)) return 0;
  return speedOf(device.speed, device.extendedSpeed);
}

uint32_t deviceConfiguredSpeedMTs(const MemoryDeviceFacts& device) {
  if (!device.holds(memory_device_field::kConfiguredSpeed, 2)) return 0;
  return speedOf(device.configuredSpeed, device.extendedConfiguredSpeed);
}

void readMemoryArrayFacts(const StructureHeader* header, MemoryArrayFacts* array) {
  namespace field = memory_array_field;
  array->handle = header->handle;
  array->length = header->length;
  array->location = fieldAt<uint8_t>(header, field::kLocation);
  array->use = fieldAt<uint8_t>(header, field::kUse);
  array->numberOfDevices = fieldAt<uint16_t>(header, field::kNumberOfDevices);
  array->maximumCapacity = fieldAt<uint32_t>(header, field::kMaximumCapacity);
  array->extendedMaximumCapacity = fieldAt<uint64_t>(header, field::kExtendedMaximumCapacity);
}

void readMemoryDeviceFacts(const StructureHeader* header, MemoryDeviceFacts* device) {
  namespace field = memory_device_field;
  MemoryDeviceFacts& d = *device;
  d.handle = header->handle;
  d.length = header->length;
  d.formFactor = fieldAt<uint8_t>(header, field::kFormFactor);
  d.memoryType = fieldAt<uint8_t>(header, field::kMemoryType);
  d.arrayHandle = fieldAt<uint16_t>(header, field::kArrayHandle);
  d.size = fieldAt<uint16_t>(header, field::kSize);
  d.speed = fieldAt<uint16_t>(header, field::kSpeed);
  d.configuredSpeed = fieldAt<uint16_t>(header, field::kConfiguredSpeed);
  d.configuredVoltage = fieldAt<uint16_t>(header, field::kConfiguredVoltage);
  d.extendedSize = fieldAt<uint32_t>(header, field::kExtendedSize);
  // The extended speeds count only where the structure holds both of them.
  const bool extendedSpeeds = holdsBytes(header->length, field::kExtendedConfiguredSpeed, 4);
  d.extendedSpeed = extendedSpeeds ? fieldAt<uint32_t>(header, field::kExtendedSpeed) : 0;
  d.extendedConfiguredSpeed =
      extendedSpeeds ? fieldAt<uint32_t>(header, field::kExtendedConfiguredSpeed) : 0;
  const StringField strings[] = {
      {field::kDeviceLocator, &d.locator},     {field::kBankLocator, &d.bankLocator},
      {field::kManufacturer, &d.manufacturer}, {field::kSerialNumber, &d.serialNumber},
      {field::kAssetTag, &d.assetTag},         {field::kPartNumber, &d.partNumber}};
  d.stringsHeld = static_cast<uint8_t>(resolveStringsAt(header, strings));
}

void storeMemoryArrayRecord(const MemoryArrayFacts& array) {
  if (!array.holds(memory_array_field::kNumberOfDevices, 2)) {
    memoryArrayRecord.deviceCount = 0;
    return;
  }
  char ramLingo[14];
  copyText(ramLingo, "System Memory");
  if (strcmp(memoryUseText(array.use).text, ramLingo) == 0) memoryArrayRecord.present = 1;
  // Once a system memory array has been seen, every later array is stored too.
  if (memoryArrayRecord.present == 1) {
    setTextField(&memoryArrayRecord.location, memoryLocationText(array.location));
    MemoryNumberPie sizeInformation;
    setTextField(&memoryArrayRecord.maximumCapacity, maximumCapacityText(array, sizeInformation));
    memoryArrayRecord.deviceCount = array.numberOfDevices;
  }
  allocateMemoryDevices();
}

bool memoryDeviceRecordStored(const StructureHeader* header) {
  return holdsField(header, memory_device_field::kTypeDetail, 2) && memoryDevices != nullptr &&
         deviceFillIndex < memoryDeviceCapacity;
}

void storeMemoryDeviceRecord(const MemoryDeviceFacts& device) {
  namespace field = memory_device_field;
  if (!device.holds(field::kTypeDetail, 2)) return;
  // No list, or every entry taken: there is nothing to fill, so the structure is dropped.
  if (memoryDevices == nullptr || deviceFillIndex >= memoryDeviceCapacity) return;
  MemoryDeviceRecord& record = memoryDevices[deviceFillIndex];
  ++deviceFillIndex;  // every structure that gets this far takes exactly one entry

  MemoryNumberPie pie;
  setTextField(&record.size, deviceSizeText(device, pie));
  setTextField(&record.formFactor, memoryFormFactorText(device.formFactor));
  setTextField(&record.locator, device.locator.asText());
  setTextField(&record.bankLocator, device.bankLocator.asText());
  setTextField(&record.type, memoryTypeText(device.memoryType));
  // Speed, strings, configured speed and voltage where the structure holds them and a module is
  // installed.
  if (!device.holds(field::kSpeed, 2)) return;
  if (device.size == field::kNoModule) return;
  setTextField(&record.speed, deviceSpeedText(device, pie));
  if (!device.holds(field::kPartNumber, 1)) return;

  setTextField(&record.manufacturer, device.manufacturer.asText());
  setTextField(&record.serialNumber, device.serialNumber.asText());
  setTextField(&record.assetTag, device.assetTag.asText());
  setTextField(&record.partNumber, device.partNumber.asText());
  if (!device.holds(field::kConfiguredSpeed, 2)) return;

  setTextField(&record.configuredMemorySpeed, deviceConfiguredSpeedText(device, pie));
  if (!device.holds(field::kConfiguredVoltage, 2)) return;

  setTextField(&record.configuredVoltage, memoryVoltageText(device.configuredVoltage, pie));
}
