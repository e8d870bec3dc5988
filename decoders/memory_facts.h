// What a Physical Memory Array (type 16) or Memory Device (type 17) structure holds, and the
// texts the package makes of it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "decoders/facts.h"
#include "decoders/memory_layout.h"

struct MemoryArrayFacts {
  uint16_t handle;
  uint8_t length;
  uint8_t location;
  uint8_t use;
  uint16_t numberOfDevices;
  uint32_t maximumCapacity;
  uint64_t extendedMaximumCapacity;

  bool holds(unsigned offset, unsigned size) const { return holdsBytes(length, offset, size); }
};

struct MemoryDeviceFacts {
  uint16_t handle;
  uint8_t length;
  uint8_t formFactor;
  uint8_t memoryType;
  uint8_t stringsHeld;  // the strings of its set, where one of those below is missing
  uint16_t arrayHandle;
  uint16_t size;
  uint16_t speed;
  uint16_t configuredSpeed;
  uint16_t configuredVoltage;
  uint32_t extendedSize;
  uint32_t extendedSpeed;
  uint32_t extendedConfiguredSpeed;
  StringFact locator;
  StringFact bankLocator;
  StringFact manufacturer;
  StringFact serialNumber;
  StringFact assetTag;
  StringFact partNumber;

  bool holds(unsigned offset, unsigned size) const { return holdsBytes(length, offset, size); }
};

// Enumeration values to their static texts; "<OUT OF SPEC>" for values outside the tables, and
// *named, when not null, false then.
FieldText memoryLocationText(uint8_t location, bool* named = nullptr);
FieldText memoryUseText(uint8_t use, bool* named = nullptr);
FieldText memoryFormFactorText(uint8_t formFactor, bool* named = nullptr);
FieldText memoryTypeText(uint8_t type, bool* named = nullptr);

// Work buffers hold the longest text of their kind: ten digits and a unit.
using MemoryNumberPie = char[24];

// The maximum capacity text of an array: "Capacity Unknown" where the capacity defers to an
// extended capacity that the structure does not hold. Null where it ends before the capacity.
FieldText maximumCapacityText(const MemoryArrayFacts& array, MemoryNumberPie& sizeInformation);
// The capacity in bytes, of a structure that holds the capacity; false where it gives none.
bool maximumCapacityBytes(const MemoryArrayFacts& array, uint64_t* bytes);

// The texts of one value each.
FieldText memorySizeText(uint16_t size, MemoryNumberPie& characteristicSizePie);
FieldText memoryExtendedSizeText(uint32_t extendedSize, MemoryNumberPie& characteristicSizePie);
FieldText memorySpeedText(uint16_t speed, uint32_t extendedSpeed,
                          MemoryNumberPie& characteristicSpeed);
FieldText memoryVoltageText(uint16_t millivolts, MemoryNumberPie& characteristicVoltage);

// The texts of a device, as the package stores them: its size (the extended size where the size
// defers to it and the structure holds it), its speed and configured speed (their extended
// values where the structure holds both). Null where the structure ends before the field.
FieldText deviceSizeText(const MemoryDeviceFacts& device, MemoryNumberPie& pie);
FieldText deviceSpeedText(const MemoryDeviceFacts& device, MemoryNumberPie& pie);
FieldText deviceConfiguredSpeedText(const MemoryDeviceFacts& device, MemoryNumberPie& pie);

// Whether a module is in the slot: 1 yes, 0 no, -1 the structure ends before its size.
int deviceInstalled(const MemoryDeviceFacts& device);
// The module's size in bytes, of a structure that holds the size; false where it gives none (no
// module, unknown).
bool deviceSizeBytes(const MemoryDeviceFacts& device, uint64_t* bytes);
// A speed in MT/s; 0 where the structure does not give it (or says unknown).
uint32_t deviceSpeedMTs(const MemoryDeviceFacts& device);
uint32_t deviceConfiguredSpeedMTs(const MemoryDeviceFacts& device);
