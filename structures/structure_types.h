// The structure types the house reads by their number, written here and nowhere else.
#pragma once

#include <stdint.h>

enum StructureType : uint8_t {
  kBiosInformationType = 0,
  kSystemInformationType = 1,
  kProcessorInformationType = 4,
  kBiosLanguageType = 13,
  kPhysicalMemoryArrayType = 16,
  kMemoryDeviceType = 17,
  kManagementDeviceThresholdType = 34,
  kInactiveType = 126,
  kEndOfTableType = 127,
};
