// The record objects themselves and the text operations every decoder fills them with. Only the
// load and the decoders write here; callers read the records through getRecord.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "base/compiler.h"
#include "reader/records.h"

extern BiosRecord biosRecord;
extern BiosLanguageRecord biosLanguageRecord;
extern ProcessorRecord processorRecord;
extern MemoryArrayRecord memoryArrayRecord;
extern ReservedRecord reservedRecord;
extern MemoryDeviceRecord* memoryDevices;  // null until allocateMemoryDevices creates the list
extern uint32_t memoryDeviceCapacity;      // entries the list really has
extern uint32_t deviceFillIndex;           // next entry the Memory Device decoder fills

// Puts every record back to its empty state. Releases nothing.
void resetRecords();

// Stores a private heap copy of text in *field; the earlier copy stays allocated. When memory
// cannot be had the field keeps its earlier value.
void setTextField(char** field, const char* text);

// Writes separator and text behind the end of destination. No capacity is tested: callers
// guarantee the room.
void appendWithSeparator(char* destination, const char* text, char separator);
void appendLine(char* destination, const char* text);
void copyText(char* destination, const char* text);

// printf into buffer, never writing more than capacity bytes (NUL included). Returns the length
// the whole text needs, as snprintf does, so a caller can tell that it did not fit.
int formatText(char* buffer, size_t capacity, const char* format, ...) ZENTRIK_PRINTF_FORMAT(3, 4);

// Gives the memory device list deviceCount cleared entries and restarts the fill position.
// A second call writes "BiosReader: trying to over allocate!" to standard output and keeps the
// list, growing it when deviceCount asks for more entries than it has.
void allocateMemoryDevices();
