#include "tools/command_table.h"

#include <stdio.h>
#include <stdlib.h>

#include "platform/fetch_firmware_table.h"
#include "platform/firmware_table.h"
#include "platform/serving/served_firmware_table.h"
#include "tools/observed_load.h"

bool obtainTable(const Options& options, TextBuffer* raw) {
  if (options.table != nullptr) {
    TextBuffer error;
    TextBuffer notice;
    if (!readTableInput(options.table, options.format, raw, &error, &notice)) {
      fprintf(stderr, "zentrik: %s\n", error.text());
      return false;
    }
    if (!notice.empty()) fprintf(stderr, "zentrik: %s\n", notice.text());
    platform::serveRawTable(raw->bytes(), raw->size());
    return true;
  }
  uint32_t delivered = 0;
  uint8_t* live = platform::fetchFirmwareTable(&delivered);
  raw->append(live, delivered);
  free(live);
  return true;
}

const char* liveTableError() {
  const char* why = platform::firmwareTableError();
  return why[0] != '\0' ? why : nullptr;
}

bool reportLiveFailure() {
  const char* why = liveTableError();
  if (why == nullptr) return true;
  fflush(stdout);
  fprintf(stderr, "zentrik: cannot read this machine's firmware table: %s\n", why);
  return false;
}

int examine(const Options& options, Examined* e) {
  if (!obtainTable(options, &e->raw)) return kExitUsage;
  runObservedLoad(&e->load, &e->inventory);
  if (!e->inventory.finish(e->raw.bytes(), e->raw.size())) {
    fputs("zentrik: not enough memory for the inventory\n", stderr);
    return kExitNoTable;
  }
  return -1;
}
