// Physical Memory Array (type 16) and Memory Device (type 17): their facts, and the package's
// records of them.
#pragma once

#include "decoders/memory_facts.h"
#include "structures/structure.h"

void readMemoryArrayFacts(const StructureHeader* header, MemoryArrayFacts* array);
void readMemoryDeviceFacts(const StructureHeader* header, MemoryDeviceFacts* device);

void storeMemoryArrayRecord(const MemoryArrayFacts& array);
// Fills the next entry of the memory device list; a structure with no entry left is dropped.
void storeMemoryDeviceRecord(const MemoryDeviceFacts& device);
// Whether it would fill one: long enough, and an entry left.
bool memoryDeviceRecordStored(const StructureHeader* header);
