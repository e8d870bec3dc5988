// Lets one process run the load again and again without piling up memory. The design keeps the
// text copies, the raw table and the memory device list of its one load until the process ends;
// a fuzzer runs millions of loads in one process, so each run gives them back.
#pragma once

#include <cstddef>

// Frees every text copy setTextField made since the last call, the memory device list and the
// raw table, and puts the records and the reader back to their state before any load.
void releaseLoad();

// The walk that decodes structures one by one frees the copies it makes itself: these let a
// harness drop them from the list again, so that releaseLoad frees each copy once.
size_t textCopyCount();
void forgetTextCopiesFrom(size_t count);
