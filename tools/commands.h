// The commands of zentrik, one unit each: each takes the arguments after its name and returns the
// exit status.
#pragma once

int runRecords(int argc, char** argv);
int runInventory(int argc, char** argv);
int runId(int argc, char** argv);
int runSerial(int argc, char** argv);
int runCapture(int argc, char** argv);
