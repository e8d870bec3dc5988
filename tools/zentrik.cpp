// zentrik: shows what the firmware reader finds on this machine.
#include <cstdio>

#include "platform/firmware_table.h"
#include "reader/records.h"

int main() {
  const auto* processor = static_cast<const ProcessorRecord*>(getRecord(kProcessorCategory));
  const auto* bios = static_cast<const BiosRecord*>(getRecord(kBiosCategory));
  if (platform::firmwareTableError()[0] != '\0') {
    fprintf(stderr, "zentrik: live firmware table unavailable: %s\n",
            platform::firmwareTableError());
  }
  printf("BIOS vendor: %s\n", bios->vendor != nullptr ? bios->vendor : "(not set)");
  printf("Processor ID: %s\n", processor->id != nullptr ? processor->id : "(not set)");
  return 0;
}
