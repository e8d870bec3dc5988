// Where the one-time load's own output goes. The reader writes its diagnostics to standard output
// and standard error while it loads; the tool either keeps them to show them apart, or sends them
// to standard error so that standard output holds the result alone.
#pragma once

#include "base/text_buffer.h"

// Runs the load with standard output and standard error sent to temporary files, and hands back
// exactly what it wrote to each: true. False, after saying why on standard error, where they
// could not be captured: where no temporary file can be had, the load runs with what it writes
// passed to standard error as written.
bool loadCapturing(TextBuffer* loadStdout, TextBuffer* loadStderr);

// Runs the load with what it writes to either stream sent to standard error in the order it
// writes, with a line feed after each message that ends without one. Call
// unbufferStandardStreams() before anything is written to either stream.
void loadOntoStderr();
