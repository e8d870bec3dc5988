// The one-time load behind getRecord: fetch the raw table from the platform, count and walk it.
#pragma once

#include <stdint.h>

// The raw buffer as the platform delivered it: the 8-byte header and the structure table.
struct RawTable {
  uint8_t* data;  // null when nothing could be fetched
  uint32_t size;  // bytes actually delivered
};

void loadRecords();
RawTable fetchRawTable();
int32_t countStructures(const uint8_t* start, uint32_t length);
