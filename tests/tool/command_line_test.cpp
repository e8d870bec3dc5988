// The zentrik command line: options, help, table inputs in every layout and those refused, exit
// statuses, and hostile table files, each ending in order.
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <random>

#include "base/limits.h"
#include "tests/tool/tool.h"

namespace {

using CommandLine = ZentrikTool;

TEST_F(CommandLine, EveryLayoutShowsTheSameRecords) {
  const Bytes table = fixtureTable();
  const auto length = static_cast<uint16_t>(table.size());
  TempDir dir;
  const std::string rsmb = dir.write("fixture.rsmb", rawBuffer(table));
  const std::string dump32 =
      dir.write("fixture32.bin", dumpFile(entryPoint32(2, 8, length, 0x20), table));
  const std::string dump64 =
      dir.write("fixture64.dmi", dumpFile(entryPoint64(3, 2, 0, 0xFFFF, 0x20), table));
  const std::string bare = dir.write("DMI", table);
  TempDir folder;
  folder.write("smbios_entry_point", entryPoint64(3, 2, 0, 0xFFFF, 0x7A000000));
  folder.write("DMI", table);
  const std::vector<std::vector<std::string>> runs = {
      {"--table", folder.path("")},
      {"--table", rsmb},
      {"--table", rsmb, "--format", "rsmb"},
      {"--table", dump32},
      {"--table=" + dump32, "--format=dump"},
      {"--table", dump64},
      {"--table", dump64, "--format", "dump"},
      {"--table", bare},
      {"--format", "raw", "--table", bare},
      {"--format", "bare", "--table", bare},
  };
  for (const auto& args : runs) {
    SCOPED_TRACE(args[1]);
    expectJsonMatchesLoad(args, rawBuffer(table));
  }
  // Standard input takes every layout as well.
  const ProcessRun fromFile = runTool({"records", "--json", "--table", dump64});
  const ProcessRun fromInput = runTool({"records", "--json", "--table", "-"}, dump64);
  EXPECT_EQ(fromInput.status, 0) << fromInput.err;
  EXPECT_EQ(fromInput.out, fromFile.out);
}

// An rsmb header that announces more than the file holds is served as it stands with --format
// rsmb; the reader then names the length it really had.
TEST_F(CommandLine, NamedRsmbKeepsTheAnnouncedLength) {
  TempDir dir;
  const Bytes raw = rawBufferAnnouncing(fixtureTable(), 5000);
  expectJsonMatchesLoad({"--table", dir.write("long.rsmb", raw), "--format", "rsmb"}, raw);
}

// A named layout that the file contradicts is read as asked, with one line that says so.
TEST_F(CommandLine, NamedLayoutThatTheFileContradicts) {
  TempDir dir;
  const std::string bare = dir.write("DMI", fixtureTable());
  const ProcessRun run = runTool({"records", "--table", bare, "--format", "rsmb"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "zentrik: " + bare +
                         ": read as an rsmb capture (8-byte header, then the table), as --format "
                         "asked, though --format auto would read it as a bare structure table\n");
  EXPECT_NE(run.out.find("\nBIOS: none\n"), std::string::npos) << "the header ate the BIOS";
}

// Nobody types a table into a terminal or reads one from it: both are refused at once.
TEST_F(CommandLine, TerminalsAreRefusedForTables) {
  ProcessSetUp onTerminal;
  onTerminal.terminal = true;
  const ProcessRun input = runTool({"records", "--table", "-"}, onTerminal);
  EXPECT_EQ(input.status, 2);
  EXPECT_EQ(input.err,
            "zentrik: standard input is a terminal: redirect a table file into it (--table - < "
            "table.rsmb)\n");
  const ProcessRun output = runTool({"capture", "--table", samplePath("desktop"), "-"}, onTerminal);
  EXPECT_EQ(output.status, 2);
  EXPECT_EQ(output.err.rfind("zentrik: standard output is a terminal: redirect it to a file", 0),
            0u)
      << output.err;
}

TEST_F(CommandLine, UnusableTableFilesAreRefusedBeforeLoading) {
  TempDir dir;
  const std::string missing = dir.path("missing.rsmb");
  const std::string empty = dir.write("empty.bin", {});
  const std::string outside =
      dir.write("outside.bin", dumpFile(entryPoint32(2, 7, 100, 0x10000), fixtureTable()));
  const std::string huge = dir.write("huge.bin", {});
  ASSERT_EQ(truncate(huge.c_str(), static_cast<off_t>(kLargestTableFile) + 1), 0);
  const std::string folder = dir.path("");
  const std::string notes = dir.write("notes.md", {'#', ' ', 'N', 'o', 't', 'e', 's', '\n'});
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"records", "--table", missing},
       "zentrik: " + missing + ": cannot open: No such file or directory\n"},
      {{"serial", "--table", missing},
       "zentrik: " + missing + ": cannot open: No such file or directory\n"},
      {{"records", "--table", folder},
       "zentrik: " + folder +
           ": is a folder without the smbios_entry_point and DMI that /sys/firmware/dmi/tables "
           "holds\n"},
      {{"serial", "--table", notes},
       "zentrik: " + notes +
           ": not an SMBIOS table: no entry point at its start, no rsmb header of its length, no "
           "whole structure (a --format loads it anyway)\n"},
      {{"records", "--table", empty, "--json"}, "zentrik: " + empty + ": the file is empty\n"},
      {{"records", "--table", outside},
       "zentrik: " + outside + ": the entry point's table address 0x10000 lies outside the file (" +
           std::to_string(0x20 + fixtureTable().size()) + " bytes)\n"},
      {{"records", "--table", huge}, "zentrik: " + huge + ": the file is larger than 64 MiB\n"},
      {{"records", "--table", empty, "--format", "dump"},
       "zentrik: " + empty + ": the file is empty\n"},
      {{"id", "--table", ""},
       "zentrik: the table input has an empty name: give a file, '-' or a folder\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[2]);
    const ProcessRun run = runTool(c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.err);
  }
}

TEST_F(CommandLine, UnreadableFileIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  TempDir dir;
  const std::string locked = dir.write("locked.rsmb", rawBuffer(fixtureTable()));
  ASSERT_EQ(chmod(locked.c_str(), 0), 0);
  const ProcessRun run = runTool({"records", "--table", locked});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "zentrik: " + locked + ": cannot open: Permission denied\n");
}

TEST_F(CommandLine, UsageErrors) {
  const struct {
    std::vector<std::string> args;
    std::string err;  // then a line on where to find help
  } cases[] = {
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"records", "--bogus"}, "unknown option '--bogus'"},
      {{"records", "--table"}, "option '--table' needs a value"},
      {{"records", "--table", "x", "--format", "xml"},
       "unknown table format 'xml' (auto, rsmb, dump, raw or bare)"},
      {{"serial", "--format", "raw"}, "--format needs --table IN"},
      {{"serial", "--json"}, "unknown option '--json'"},
      {{"records", "extra"}, "unexpected argument 'extra'"},
      {{"capture"}, "capture needs the file to write (OUT, or '-')"},
      {{"capture", "a", "b"}, "unexpected argument 'b'"},
      {{"capture", "--json", "x"}, "unknown option '--json'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const ProcessRun run = runTool(c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    const std::string help = c.args[0] == "frobnicate" ? "--help" : c.args[0] + " --help";
    EXPECT_EQ(run.err, "zentrik: " + c.err + "\nTry 'zentrik " + help + "'.\n");
  }
  // No command at all: the help, on standard error.
  const ProcessRun bare = runTool({});
  EXPECT_EQ(bare.status, 2);
  EXPECT_EQ(bare.out, "");
  EXPECT_EQ(bare.err.rfind("Usage: zentrik COMMAND", 0), 0u);
}

TEST_F(CommandLine, HelpAndVersion) {
  const struct {
    std::vector<std::string> args;
    std::string start;
  } cases[] = {
      {{"--help"}, "Usage: zentrik COMMAND [OPTIONS]\n"},
      {{"records", "--help"}, "Usage: zentrik records [--table IN]"},
      {{"serial", "--help"}, "Usage: zentrik serial [--table IN]"},
      {{"capture", "--help"}, "Usage: zentrik capture [--table IN]"},
      {{"inventory", "--help"}, "Usage: zentrik inventory [--table IN]"},
      {{"id", "--help"}, "Usage: zentrik id [--table IN]"},
      // --help wins over anything else on the line; -h is its short name, before or after the
      // command.
      {{"records", "--table", "/nonexistent", "--help"}, "Usage: zentrik records"},
      {{"-h"}, "Usage: zentrik COMMAND [OPTIONS]\n"},
      {{"serial", "-h"}, "Usage: zentrik serial [--table IN]"},
      {{"--version"}, "zentrik 0."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const ProcessRun run = runTool(c.args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind(c.start, 0), 0u) << run.out;
    EXPECT_EQ(run.err, "");
  }
}

// Where this machine's table cannot be read, every command says why and ends with exit status
// 3; records still prints the records, in their reset state, and the JSON of inventory and id
// says so where scripts can test it.
TEST_F(CommandLine, UnreadableLiveTable) {
  if (liveTableReadable()) GTEST_SKIP() << "this machine's firmware table is readable";
  const std::string why = "zentrik: cannot read this machine's firmware table: cannot open ";

  TempDir dir;
  const ProcessRun reset = runTool({"records", "--table", dir.write("nothing.dmi", endOfTable())});
  ASSERT_EQ(reset.status, 0);

  const ProcessRun text = runTool({"records"});
  EXPECT_EQ(text.status, 3);
  EXPECT_EQ(text.out, reset.out);
  EXPECT_EQ(text.err.rfind(why, 0), 0u) << text.err;
  EXPECT_EQ(std::count(text.err.begin(), text.err.end(), '\n'), 1);

  const ProcessRun json = runTool({"records", "--json"});
  EXPECT_EQ(json.status, 3);
  EXPECT_EQ(json.err, text.err);
  expectJsonMatchesRecords(parsedRun(json), LoadOutput{});  // never loaded here: the reset state

  for (const char* command : {"inventory", "id"}) {
    SCOPED_TRACE(command);
    const ProcessRun run = runTool({command, "--json"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err, text.err);
    const Json report = parsedRun(run);
    EXPECT_EQ(report["tableRead"].kind, Json::Kind::Bool);
    EXPECT_FALSE(report["tableRead"].boolean);
    EXPECT_EQ(report["tableError"].text.rfind("cannot open ", 0), 0u) << report["tableError"].text;
    EXPECT_EQ(report["walk"].kind, Json::Kind::Null);
  }
  const ProcessRun id = runTool({"id"});
  EXPECT_EQ(id.status, 3);
  EXPECT_NE(id.out.find("\nWarning: this machine's firmware table could not be read ("),
            std::string::npos)
      << id.out;

  const ProcessRun serial = runTool({"serial"});
  EXPECT_EQ(serial.status, 3);
  EXPECT_EQ(serial.out, "");
  EXPECT_EQ(serial.err, text.err + kNoProcessorId);

  const std::string out = dir.path("captured.rsmb");
  const ProcessRun capture = runTool({"capture", out});
  EXPECT_EQ(capture.status, 3);
  EXPECT_EQ(capture.err, text.err);
  EXPECT_FALSE(std::filesystem::exists(out));
}

// Standard output on a full device: a command that writes there says so in one line and ends
// with 4 in place of 0 and 1, while 2 and 3 stand; where it writes nothing there, nothing
// changes. On a pipe nobody reads, SIGPIPE ends it without a word.
TEST_F(CommandLine, FailedWritesToStandardOutput) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full on this machine";
  const std::string table = samplePath("desktop");
  TempDir dir;
  const std::string host = ENGINE_HOST_PATH;
  const std::string module = ZENTRIK_MODULE_PATH;
  const bool live = liveTableReadable();
  const struct {
    std::vector<std::string> command;  // zentrik's arguments, or engine-host's whole line
    int status;
    bool wrote;  // it wrote to standard output, and so says it could not
  } cases[] = {
      {{"serial", "--table", table}, 4, true},
      {{"records", "--table", table}, 4, true},
      {{"records", "--json", "--table", table}, 4, true},
      {{"inventory", "--table", table}, 4, true},
      {{"inventory", "--json", "--table", table}, 4, true},
      {{"id", "--table", table}, 4, true},
      {{"id", "--json", "--table", table}, 4, true},
      {{"capture", "--table", table, "-"}, 4, true},
      {{"--help"}, 4, true},
      {{"capture", "--help"}, 4, true},
      {{"--version"}, 4, true},
      {{host, "--table", table, module}, 4, true},
      {{host, "--help"}, 4, true},
      {{"serial", "--table", dir.write("none.dmi", endOfTable())}, 1, false},  // nothing to write
      {{"capture", "--table", table, dir.path("out.rsmb")}, 0, false},
      {{"records", "--bogus"}, 2, false},
      {{"records"}, live ? 4 : 3, true},  // the reset records, where the table is unreadable
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& word : c.command) line += word + " ";
    SCOPED_TRACE(line);
    ProcessSetUp setUp;
    setUp.output = "/dev/full";
    const bool isHost = c.command[0] == host;
    const ProcessRun run = isHost ? runProcess(c.command, setUp) : runTool(c.command, setUp);
    EXPECT_EQ(run.status, c.status) << run.err;
    const std::string said = std::string(isHost ? "engine-host" : "zentrik") +
                             ": cannot write to standard output: No space left on device\n";
    const size_t at = run.err.find(said);
    EXPECT_EQ(at != std::string::npos, c.wrote) << run.err;
    EXPECT_EQ(at, run.err.rfind(said)) << "said twice: " << run.err;
  }
  ProcessSetUp closedPipe;
  closedPipe.closedPipe = true;
  const ProcessRun piped = runTool({"records", "--table", table}, closedPipe);
  EXPECT_EQ(piped.signal, SIGPIPE);
  EXPECT_EQ(piped.err, "");
}

// ---- Hostile table files: records (exit 0) or a one-line error (exit 2), nothing else ----

TEST_F(ZentrikBadInput, EmptyMissingAndUnreadableFiles) {
  for (const char* format : kFormats) {
    expectOneLineError(records({}, format), std::string("empty file, ") + format);
  }
  expectOneLineError(runTool({"records", "--table", dir_.path("missing")}), "missing file");
  expectOneLineError(runTool({"records", "--table", dir_.path("")}), "a folder");
  expectOneLineError(runTool({"serial", "--table", dir_.path("missing")}), "serial, missing");
}

TEST_F(ZentrikBadInput, RandomBytes) {
  std::mt19937 random(20261209);
  for (size_t size : {1, 3, 4, 8, 9, 24, 31, 32, 100, 4096, 65536}) {
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    expectOrderlyInEveryLayout(bytes, std::to_string(size) + " random bytes");
    // The same behind each entry point anchor.
    for (const std::string anchor : {"_SM_", "_SM3_"}) {
      if (size < anchor.size()) continue;
      std::copy(anchor.begin(), anchor.end(), bytes.begin());
      expectOrderlyInEveryLayout(bytes, std::to_string(size) + " random bytes behind " + anchor);
    }
  }
}

Bytes desktopTable() {
  return tableOf({Structure(0, 0x1A).u8(0x04, 1).str("Vendor"),
                  Structure(4, 0x30).u8(0x06, 0xC6).u64(0x08, 0xBFEBFBFF000306A9ull).str("CPU0"),
                  Structure(16, 0x17).u8(0x05, 3).u16(0x0D, 2),
                  Structure(17, 0x28).u16(0x0C, 0x2000).str("DIMM_A1"), endOfTable()});
}

TEST_F(ZentrikBadInput, EntryPointsPointingOutsideTheFile) {
  const Bytes table = desktopTable();
  const auto size = static_cast<uint16_t>(table.size());
  const struct {
    const char* name;
    Bytes entryPoint;
  } cases[] = {
      {"_SM_ address far beyond the file", entryPoint32(2, 7, size, 0x7FFFFFF0u)},
      {"_SM_ address just past the end", entryPoint32(2, 7, size, 0x20 + size + 1)},
      {"_SM3_ address far beyond the file", entryPoint64(3, 5, 0, size, 0xFFFFFFFFFFFFFFF0ull)},
      {"_SM3_ address just past the end", entryPoint64(3, 5, 0, size, 0x20 + size + 1)},
  };
  for (const auto& c : cases) {
    const Bytes file = dumpFile(c.entryPoint, table);
    expectOneLineError(records(file, "dump"), c.name);
    expectOrderlyEnd(records(file), std::string(c.name) + ", auto");
  }
}

TEST_F(ZentrikBadInput, LengthsOfAllOnes) {
  const Bytes table = desktopTable();
  expectOrderlyInEveryLayout(rawBufferAnnouncing(table, 0xFFFFFFFFu), "rsmb header 0xFFFFFFFF");
  expectOrderlyInEveryLayout(dumpFile(entryPoint32(2, 7, 0xFFFF, 0x20), table), "_SM_ 0xFFFF");
  expectOrderlyInEveryLayout(dumpFile(entryPoint64(3, 5, 0, 0xFFFFFFFFu, 0x20), table),
                             "_SM3_ 0xFFFFFFFF");
}

TEST_F(ZentrikBadInput, FilesOverTheSizeLimit) {
  const std::string path = dir_.write("huge", {});
  // Sparse: the size is what counts, not the bytes.
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(kLargestTableFile) + 1), 0);
  for (const char* format : kFormats) {
    expectOneLineError(runTool({"records", "--table", path, "--format", format}),
                       std::string("64 MiB + 1, ") + format);
  }
  expectOneLineError(runTool({"serial", "--table", path}), "64 MiB + 1, serial");
}

}  // namespace
