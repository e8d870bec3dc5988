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

// Work buffers hold the longest text of their kind: ten digits and a unit.
constexpr size_t kNumberTextCapacity = 24;

void decodeMaximumCapacity(const StructureHeader* header) {
  namespace field = memory_array_field;
  if (memoryArrayRecord.present != 1) return;
  char** const record = &memoryArrayRecord.maximumCapacity;
  const uint32_t maximumCapacity = readU32Le(header, field::kMaximumCapacity);
  const bool extended = maximumCapacity == field::kCapacityInExtendedField;
  if (extended && !holdsField(header, field::kExtendedMaximumCapacity, 8)) {
    setTextField(record, "Capacity Unknown");
    return;
  }
  const SizeText size =
      extended ? sizeText(readU64Le(header, field::kExtendedMaximumCapacity), 0)  // bytes
               : sizeText(maximumCapacity, 1);                                    // kB
  setTextField(record, size.text, size.length);
}

}  // namespace

const char* memoryLocationText(uint8_t location) {
  return lookupText(kLocations, location);
}
const char* memoryUseText(uint8_t use) {
  return lookupText(kUses, use);
}
const char* memoryFormFactorText(uint8_t formFactor) {
  return lookupText(kFormFactors, formFactor);
}
const char* memoryTypeText(uint8_t type) {
  return lookupText(kMemoryTypes, type);
}

void memorySizeText(uint16_t size, char** field) {
  if (size == memory_device_field::kNoModule) {
    setTextField(field, kEmptySlotText);
  } else if (size == memory_device_field::kSizeUnknown) {
    setTextField(field, "Size Unknown");
  } else {
    uint32_t kilobytes = size & 0x7FFFu;
    if ((size & 0x8000) == 0) kilobytes *= 1024;  // the count is in MB
    const SizeText text = sizeText(kilobytes, 1);
    setTextField(field, text.text, text.length);
  }
}

void memoryExtendedSizeText(uint32_t extendedSize, char** field) {
  const uint32_t megabytes = extendedSize & 0x7FFFFFFF;
  char characteristicSizePie[kNumberTextCapacity];
  WorkText text(characteristicSizePie);
  if ((megabytes & 0x3FF) != 0) {
    text.decimal(megabytes).add(" MB");
  } else if ((megabytes & 0xFFC00) != 0) {
    text.decimal(megabytes >> 10).add(" GB");
  } else {
    text.decimal(megabytes >> 20).add(" TB");
  }
  text.store(field);
}

void memorySpeedText(uint16_t speed, uint32_t extendedSpeed, char** field) {
  char characteristicSpeed[kNumberTextCapacity];
  WorkText text(characteristicSpeed);
  constexpr uint16_t kExtended = memory_device_field::kSpeedInExtendedField;
  if (speed == kExtended && extendedSpeed != 0) {
    text.decimal(extendedSpeed).add(" MT/s");
  } else if (speed == kExtended || speed == 0) {
    text.add("Speed Unknown");
  } else {
    text.decimal(speed).add(" MT/s");
  }
  text.store(field);
}

void memoryVoltageText(uint16_t millivolts, char** field) {
  if (millivolts == 0) {
    setTextField(field, "NA");
    return;
  }
  // The volts as "%.1f V" (whole tenths) or "%g V" (anything finer) write the single-precision
  // quotient millivolts / 1000: below 65.536 V, six significant digits always show the exact
  // thousandths, so the digits can be written from the integer.
  char characteristicVoltage[kNumberTextCapacity];
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
  text.add(" V").store(field);
}

void decodeMemoryArray(const StructureHeader* header) {
  namespace field = memory_array_field;
  if (!holdsField(header, field::kNumberOfDevices, 2)) {
    memoryArrayRecord.deviceCount = 0;
    return;
  }
  char ramLingo[14];
  copyText(ramLingo, "System Memory");
  if (strcmp(memoryUseText(readU8(header, field::kUse)), ramLingo) == 0) {
    memoryArrayRecord.present = 1;
  }
  // Once a system memory array has been seen, every later array is stored too.
  if (memoryArrayRecord.present == 1) {
    setTextField(&memoryArrayRecord.location, memoryLocationText(readU8(header, field::kLocation)));
  }
  decodeMaximumCapacity(header);
  if (memoryArrayRecord.present == 1) {
    memoryArrayRecord.deviceCount = readU16Le(header, field::kNumberOfDevices);
  }
  allocateMemoryDevices();
}

void decodeMemoryDevice(const StructureHeader* header) {
  namespace field = memory_device_field;
  if (!holdsField(header, field::kTypeDetail, 2)) return;
  // No list, or every entry taken: there is nothing to fill, so the structure is dropped.
  if (memoryDevices == nullptr || deviceFillIndex >= memoryDeviceCapacity) return;
  MemoryDeviceRecord& device = memoryDevices[deviceFillIndex];
  ++deviceFillIndex;  // every structure that gets this far takes exactly one entry

  const uint16_t size = readU16Le(header, field::kSize);
  const bool installed = size != field::kNoModule;
  // Locator and bank locator always; manufacturer, serial number, asset tag and part number where
  // the structure holds them and a module is installed.
  const unsigned stringOffsets[] = {field::kDeviceLocator, field::kBankLocator,
                                    field::kManufacturer,  field::kSerialNumber,
                                    field::kAssetTag,      field::kPartNumber};
  FoundString strings[6];
  lookUpStringsAt(header, stringOffsets, strings,
                  holdsField(header, field::kPartNumber, 1) && installed ? 6 : 2);

  if (holdsField(header, field::kExtendedSize, 4) && size == field::kSizeInExtendedField) {
    memoryExtendedSizeText(readU32Le(header, field::kExtendedSize), &device.size);
  } else {
    memorySizeText(size, &device.size);
  }
  setTextField(&device.formFactor, memoryFormFactorText(readU8(header, field::kFormFactor)));
  setTextField(&device.locator, strings[0]);
  setTextField(&device.bankLocator, strings[1]);
  setTextField(&device.type, memoryTypeText(readU8(header, field::kMemoryType)));
  if (!holdsField(header, field::kSpeed, 2)) return;
  if (!installed) return;

  const bool hasExtendedSpeeds = holdsField(header, field::kExtendedConfiguredSpeed, 4);
  memorySpeedText(readU16Le(header, field::kSpeed),
                  hasExtendedSpeeds ? readU32Le(header, field::kExtendedSpeed) : 0, &device.speed);
  if (!holdsField(header, field::kPartNumber, 1)) return;

  setTextField(&device.manufacturer, strings[2]);
  setTextField(&device.serialNumber, strings[3]);
  setTextField(&device.assetTag, strings[4]);
  setTextField(&device.partNumber, strings[5]);
  if (!holdsField(header, field::kConfiguredSpeed, 2)) return;

  memorySpeedText(readU16Le(header, field::kConfiguredSpeed),
                  hasExtendedSpeeds ? readU32Le(header, field::kExtendedConfiguredSpeed) : 0,
                  &device.configuredMemorySpeed);
  if (!holdsField(header, field::kConfiguredVoltage, 2)) return;

  memoryVoltageText(readU16Le(header, field::kConfiguredVoltage), &device.configuredVoltage);
}
