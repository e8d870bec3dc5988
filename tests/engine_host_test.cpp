// engine-host run as its own process on the real module, with table files written here.
// POSIX processes; on Windows tests/windows/end_to_end.sh runs engine-host.exe under Wine.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/reader_fixture.h"
#include "tests/support/table_builder.h"
#include "tests/support/table_files.h"

namespace {

struct HostRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Files of this test process only: ctest runs tests side by side.
std::string scratch(const std::string& name) {
  return testing::TempDir() + "engine_host_" + std::to_string(getpid()) + "_" + name;
}

std::string slurp(const std::string& path) {
  const Bytes bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// A table file of the test, removed when it goes out of scope.
class TableFile {
 public:
  TableFile(const std::string& name, const Bytes& raw) : path_(scratch(name)) {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
  }
  ~TableFile() { std::remove(path_.c_str()); }
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;
  // The host's option serving this file.
  std::string option() const { return "--table '" + path_ + "' "; }

 private:
  std::string path_;
};

HostRun runHost(const std::string& args) {
  const std::string out = scratch("stdout");
  const std::string err = scratch("stderr");
  const std::string command =
      std::string("'") + ENGINE_HOST_PATH + "' " + args + " >'" + out + "' 2>'" + err + "'";
  const int status = system(command.c_str());
  HostRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = slurp(out);
  run.err = slurp(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return run;
}

const std::string kModule = std::string("'") + ZENTRIK_MODULE_PATH + "'";
const std::string kLogLine = "Log: Couldn't get the relevant information. Contact the author!!\n";

TEST(EngineHost, PrintsTheProcessorIdOfTheServedTable) {
  const TableFile table(
      "one_processor",
      rawBuffer(
          tableOf({Structure(4, 0x1A).bytes(0x08, {0xA7, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF}),
                   endOfTable()})));
  const HostRun run = runHost(table.option() + kModule + " QuorActor");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "A7 06 03 00 FF FB EB BF\n");
  EXPECT_EQ(run.err, "");
}

TEST(EngineHost, AnEmptyResultIsAnEmptyLineWithTheLogLine) {
  const TableFile noProcessor("no_processor",
                              rawBuffer(tableOf({Structure(0, 0x12), endOfTable()})));
  HostRun run = runHost(noProcessor.option() + kModule);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "\n");
  EXPECT_EQ(run.err, kLogLine);

  // As the zentrik tool does, the host refuses a file that holds no table, before loading.
  const TableFile empty("empty", {});
  run = runHost(empty.option() + kModule);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "engine-host: cannot read table file " + scratch("empty") + ": the file is empty\n");
}

// Every layout the zentrik tool reads, standard input and a table folder included, serves the
// same table; the result is alone on standard output, whatever the load writes there.
TEST(EngineHost, TakesEveryTableLayout) {
  const Bytes table =
      tableOf({Structure(4, 0x1A).bytes(0x08, {0xA7, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF}),
               Structure(16, 0x0F).u8(0x05, 3).u16(0x0D, 1),
               Structure(16, 0x0F).u8(0x05, 3).u16(0x0D, 1), endOfTable()});
  Bytes dump(0x20, 0);
  const char anchor[] = "_SM3_";
  std::copy(anchor, anchor + 5, dump.begin());
  dump[0x06] = 0x18;  // entry point length
  dump[0x07] = 3;     // version 3.2
  dump[0x08] = 2;
  dump[0x0C] = 0xFF;  // maximum size
  dump[0x10] = 0x20;  // table address
  const Bytes entryPoint(dump.begin(), dump.begin() + 0x18);
  dump.insert(dump.end(), table.begin(), table.end());
  const TableFile rsmb("layout.rsmb", rawBuffer(table));
  const TableFile bare("layout.dmi", table);
  const TableFile dumped("layout.bin", dump);
  const TempDir folder;
  folder.write("smbios_entry_point", entryPoint);
  folder.write("DMI", table);
  for (const std::string& option :
       {rsmb.option(), bare.option(), dumped.option(), dumped.option() + "--format dump ",
        "--table '" + folder.path("") + "' ", "--table - <" + rsmb.option().substr(8)}) {
    SCOPED_TRACE(option);
    const HostRun run = runHost(option + kModule);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "A7 06 03 00 FF FB EB BF\n");
    // The second array's message, which the load writes to standard output.
    EXPECT_EQ(run.err, "BiosReader: trying to over allocate!");
  }
}

TEST(EngineHost, HelpIsNoError) {
  const HostRun run = runHost("--help");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out.rfind("usage: engine-host [--table IN", 0), 0u) << run.out;
  EXPECT_EQ(run.err, "");
}

TEST(EngineHost, NamesWhatIsMissingInOneLine) {
  const TableFile table("end_only", rawBuffer(tableOf({endOfTable()})));
  const std::string served = table.option();
  const struct {
    std::string args;
    int exitCode;
    std::string errStart;
  } cases[] = {
      {"", 2, "usage: engine-host"},
      {"--bogus " + kModule, 2, "usage: engine-host"},
      {served + "'" + scratch("no_such_module.so") + "'", 1, "engine-host: cannot load module "},
      // A table input refused is a usage error, as in the zentrik tool.
      {"--table '" + scratch("no_such_table") + "' " + kModule, 2,
       "engine-host: cannot read table file "},
      // A folder opens but cannot be read: no empty table is served in its place.
      {"--table '" + testing::TempDir() + "' " + kModule, 2,
       "engine-host: cannot read table file "},
      {served + kModule + " Pawn", 1,
       std::string("engine-host: module ") + ZENTRIK_MODULE_PATH + " has no export autoclassAPawn"},
      {served + kModule + " QuorActor GetName", 1,
       std::string("engine-host: module ") + ZENTRIK_MODULE_PATH +
           " has no export intAQuorActorexecGetName"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const HostRun run = runHost(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(c.errStart, 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
}

// This machine's table, where it cannot be read: the native answers as without a table, and the
// host says why and ends with exit status 3.
TEST(EngineHost, UnreadableLiveTable) {
  FILE* live = fopen("/sys/firmware/dmi/tables/DMI", "rb");
  if (live != nullptr) {
    fclose(live);
    GTEST_SKIP() << "this machine's firmware table is readable";
  }
  const HostRun run = runHost(kModule);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, "\n");
  EXPECT_EQ(run.err.rfind(kLogLine + "engine-host: cannot read the live firmware table: ", 0), 0u)
      << run.err;
}

// Real machines' tables as the platform would deliver them. The dual-socket server's second
// processor structure describes an empty socket; being the last, its zero ID is the answer.
TEST(EngineHost, ReadsRealMachineTables) {
  const std::string folder = ZENTRIK_SHARED_TABLES;
  const struct {
    const char* file;
    std::string out;
    std::string err;
  } cases[] = {
      {"fwupd-sysfs-T440s.DMI", "51 06 04 00 FF FB EB BF\n", ""},
      {"gosmbios-Dell-PowerEdge-R630-Dual-Xeon.dmi", "00 00 00 00 00 00 00 00\n", ""},
      {"gosmbios-HyperV.dmi", "\n", kLogLine},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Bytes table = readFile(folder + "/" + c.file);
    if (table.empty()) GTEST_SKIP() << "no real machine tables in " << folder;
    const TableFile served("real", rawBuffer(table));
    const HostRun run = runHost(served.option() + kModule);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, c.out);
    if (c.err.empty()) {
      EXPECT_EQ(run.err, "");
    } else {  // the broken table's diagnostics come first; the log line ends the output
      EXPECT_TRUE(run.err.size() >= c.err.size() &&
                  run.err.compare(run.err.size() - c.err.size(), c.err.size(), c.err) == 0)
          << run.err;
    }
  }
}

}  // namespace
#endif  // _WIN32
