#include "tools/command_table.h"

#include <stdio.h>
#include <stdlib.h>

#include "platform/fetch_firmware_table.h"
#include "platform/firmware_table.h"
#include "platform/serving/served_firmware_table.h"

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

void loadObserved(LoadMessages* messages) {
  messages->load();
  // The load has run; some of its messages are lost, not the records.
  if (messages->failed()) fputs("zentrik: not enough memory for the reader's messages\n", stderr);
}

int examine(const Options& options, Examined* e, Inventory::Keep keep) {
  if (!obtainTable(options, &e->raw)) return kExitUsage;
  loadObserved(&e->load);
  if (!e->inventory.collect(e->raw.mutableBytes(), e->raw.size(), keep)) {
    fputs("zentrik: not enough memory for the inventory\n", stderr);
    return kExitNoTable;
  }
  return -1;
}
