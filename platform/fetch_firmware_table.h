// The whole raw SMBIOS data by the two-call protocol of GetSystemFirmwareTable, for the reader's
// one load and for the tools that need the live table's bytes themselves.
#pragma once

#include <stdint.h>

namespace platform {

// Asks for the size, allocates one heap block of exactly that size and has it filled. Returns
// the block, which the caller frees, with *delivered the bytes the second call really copied (0
// when it claims more than the block holds); null with *delivered 0 when the first call says 0
// or the block cannot be had. firmwareTableError says why the table could not be had.
uint8_t* fetchFirmwareTable(uint32_t* delivered);

}  // namespace platform
