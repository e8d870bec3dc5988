// The built zentrik tool as the command tests run it: its runs, the records its JSON must show,
// the hostile inputs it must end in order on. POSIX processes; on Windows
// tests/windows/end_to_end.sh runs zentrik.exe under Wine.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/json_reader.h"
#include "tests/support/process.h"
#include "tests/support/reader_fixture.h"
#include "tests/support/table_files.h"

// Runs the built tool with these arguments, standard input from the file input.
ProcessRun runTool(const std::vector<std::string>& args, const std::string& input = "/dev/null");
ProcessRun runTool(const std::vector<std::string>& args, const ProcessSetUp& setUp);

// The JSON the run printed; a failure where it printed none.
Json parsedRun(const ProcessRun& run);

bool liveTableReadable();

extern const std::string kNoProcessorId;

// A small machine: BIOS with a quote, a backslash and a tab in its strings, one processor, one
// array with two devices.
Bytes fixtureTable();

class ZentrikTool : public ReaderTest {
 protected:
  // Runs `records --json` with these arguments and compares every key and value with the records
  // this process loads from expectedRaw.
  void expectJsonMatchesLoad(const std::vector<std::string>& args, const Bytes& expectedRaw);
  static void expectJsonMatchesRecords(const Json& json, const LoadOutput& output);
};

// What a capture must never write to, made in dir, each with its kind as the tool names it: a
// character device like /dev/null (where this process may make one: root), a symbolic link to
// dir's file "target", a folder, a FIFO and a socket.
struct SpecialFile {
  std::string path;
  std::string kind;
};
std::vector<SpecialFile> specialFiles(const TempDir& dir);

// Records and diagnostics (exit 0), or one line on standard error and nothing loaded (exit 2);
// never a signal, never a hang.
void expectOrderlyEnd(const ProcessRun& run, const std::string& what);
void expectOneLineError(const ProcessRun& run, const std::string& what);

// Hostile table files: each run must end in order.
class ZentrikBadInput : public ::testing::Test {
 protected:
  static constexpr const char* kFormats[] = {"auto", "rsmb", "dump", "raw"};

  // Runs `records` on the bytes in every layout, in text and in JSON.
  void expectOrderlyInEveryLayout(const Bytes& bytes, const std::string& what);
  ProcessRun records(const Bytes& bytes, const char* format = "auto");

  TempDir dir_;
};
