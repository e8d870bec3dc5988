// Where the one-time load's own output goes. The reader writes its diagnostics to standard output
// and standard error while it loads; the tool either keeps them to show them apart, or sends the
// standard output part to standard error so that standard output holds the result alone.
#pragma once

#include "base/text_buffer.h"

// Runs the load with standard output and standard error sent to temporary files, and hands back
// exactly what it wrote to each. False (with the reason on standard error) when the streams
// cannot be redirected; the load has not run then.
bool loadCapturing(TextBuffer* loadStdout, TextBuffer* loadStderr);

// Runs the load with its standard output sent to standard error, byte for byte and in the order
// it writes. Call before anything is written to standard output: it leaves standard output
// unbuffered.
void loadWithStdoutOnStderr();
