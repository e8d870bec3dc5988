// The table a command reads: a table input, served to the reader in place of the live firmware,
// or this machine's; and, for the inventory and id, the load with its messages and every
// structure of the same table.
#pragma once

#include "base/text_buffer.h"
#include "tools/command_line.h"
#include "tools/diagnostics.h"
#include "tools/inventory.h"

// The table the command reads, in the rsmb layout: the table input (then also served to the
// reader in place of the live firmware), or this machine's. False (after printing the reason)
// when a table input cannot be used; nothing is loaded then. A live table that cannot be read
// leaves *raw empty; the load then says why.
bool obtainTable(const Options& options, TextBuffer* raw);

// After the load: why this machine's table could not be read, or null when it could (or when a
// table input was served).
const char* liveTableError();

// Says on standard error why this machine's table could not be read; false when it could not.
bool reportLiveFailure();

// What the inventory and id commands share: the table, the load with its messages, every
// structure's facts.
struct Examined {
  explicit Examined(Inventory::Keep keep) : inventory(keep) {}

  TextBuffer raw;
  LoadMessages load;
  Inventory inventory;
};

// Reads the table, loads it with its messages and its structures' facts observed. Returns -1 to
// go on, or the exit code.
int examine(const Options& options, Examined* e);
