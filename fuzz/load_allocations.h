// Lets one process run the load again and again without piling up memory. The design keeps the
// texts, the raw table and the memory device list of its one load until the process ends; a
// fuzzer runs millions of loads in one process, so each run gives them back.
#pragma once

// Frees the record store's text arena, the memory device list and the raw table, and puts the
// records and the reader back to their state before any load.
void releaseLoad();
