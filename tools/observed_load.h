// The one-time load run with what it reads and writes observed (reader/load_observer.h): every
// structure's facts for the inventory, every message for the reports; nothing is captured from a
// standard stream.
#pragma once

#include "tools/diagnostics.h"
#include "tools/inventory.h"

// Runs the load (the first getRecord of the process) with every structure's facts collected in
// inventory and every message kept in messages; either may be null (a null messages leaves the
// messages to the streams). Says on standard error where memory ran out for some of them.
void runObservedLoad(LoadMessages* messages, Inventory* inventory);

// Runs the load with every message it writes, to either stream, sent to standard error in the
// order written, each on a line of its own.
void runLoadOntoStderr();
