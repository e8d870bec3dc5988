// engine-host run as its own process on the real module, with table files written here.
// POSIX processes; on Windows tests/windows/end_to_end.sh runs engine-host.exe under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/reader_fixture.h"
#include "tests/support/table_files.h"

namespace {

const std::string kLogLine = "Log: Couldn't get the relevant information. Contact the author!!\n";

ProcessRun runHost(std::vector<std::string> args, const std::string& input = "/dev/null") {
  args.insert(args.begin(), ENGINE_HOST_PATH);
  ProcessSetUp setUp;
  setUp.input = input;
  return runProcess(args, setUp);
}

// The host's options serving this table file, then the module.
std::vector<std::string> serving(const std::string& path) {
  return {"--table", path, ZENTRIK_MODULE_PATH};
}

class EngineHost : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(EngineHost, PrintsTheProcessorIdOfTheServedTable) {
  const std::string table = dir_.write(
      "one_processor",
      rawBuffer(
          tableOf({Structure(4, 0x1A).bytes(0x08, {0xA7, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF}),
                   endOfTable()})));
  const ProcessRun run = runHost({"--table", table, ZENTRIK_MODULE_PATH, "QuorActor"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "A7 06 03 00 FF FB EB BF\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(EngineHost, AnEmptyResultIsAnEmptyLineWithTheLogLine) {
  ProcessRun run = runHost(
      serving(dir_.write("no_processor", rawBuffer(tableOf({Structure(0, 0x12), endOfTable()})))));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "\n");
  EXPECT_EQ(run.err, kLogLine);

  // As the zentrik tool does, the host refuses a file that holds no table, before loading.
  const std::string empty = dir_.write("empty", {});
  run = runHost(serving(empty));
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "engine-host: cannot read table file " + empty + ": the file is empty\n");
}

// Every layout the zentrik tool reads, standard input and a table folder included, serves the
// same table; the result is alone on standard output, whatever the load writes there.
TEST_F(EngineHost, TakesEveryTableLayout) {
  const Bytes table =
      tableOf({Structure(4, 0x1A).bytes(0x08, {0xA7, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF}),
               Structure(16, 0x0F).u8(0x05, 3).u16(0x0D, 1),
               Structure(16, 0x0F).u8(0x05, 3).u16(0x0D, 1), endOfTable()});
  const Bytes entryPoint = entryPoint64(3, 2, 0, 0xFF, 0x20);
  const std::string rsmb = dir_.write("layout.rsmb", rawBuffer(table));
  const std::string dumped = dir_.write("layout.bin", dumpFile(entryPoint, table));
  const TempDir folder;
  folder.write("smbios_entry_point", entryPoint);
  folder.write("DMI", table);
  const struct {
    std::vector<std::string> options;
    std::string input;
  } cases[] = {
      {{"--table", rsmb}, "/dev/null"},
      {{"--table", dir_.write("layout.dmi", table)}, "/dev/null"},
      {{"--table", dumped}, "/dev/null"},
      {{"--table", dumped, "--format", "dump"}, "/dev/null"},
      {{"--table", folder.path("")}, "/dev/null"},
      {{"--table", "-"}, rsmb},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options[1]);
    std::vector<std::string> args = c.options;
    args.push_back(ZENTRIK_MODULE_PATH);
    const ProcessRun run = runHost(args, c.input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "A7 06 03 00 FF FB EB BF\n");
    // The second array's message, which the load writes to standard output.
    EXPECT_EQ(run.err, "BiosReader: trying to over allocate!");
  }
}

TEST_F(EngineHost, HelpIsNoError) {
  const ProcessRun run = runHost({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("usage: engine-host [--table IN", 0), 0u) << run.out;
  EXPECT_EQ(run.err, "");
}

TEST_F(EngineHost, NamesWhatIsMissingInOneLine) {
  const std::string served = dir_.write("end_only", rawBuffer(tableOf({endOfTable()})));
  const std::string module = ZENTRIK_MODULE_PATH;
  const struct {
    std::vector<std::string> args;
    int status;
    std::string errStart;
  } cases[] = {
      {{}, 2, "usage: engine-host"},
      {{"--bogus", module}, 2, "usage: engine-host"},
      {{"--table", served, dir_.path("no_such_module.so")}, 1, "engine-host: cannot load module "},
      // A table input refused is a usage error, as in the zentrik tool.
      {serving(dir_.path("no_such_table")), 2, "engine-host: cannot read table file "},
      // A folder opens but cannot be read: no empty table is served in its place.
      {serving(dir_.path("")), 2, "engine-host: cannot read table file "},
      {{"--table", served, module, "Pawn"},
       1,
       "engine-host: module " + module + " has no export autoclassAPawn"},
      {{"--table", served, module, "QuorActor", "GetName"},
       1,
       "engine-host: module " + module + " has no export intAQuorActorexecGetName"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.errStart);
    const ProcessRun run = runHost(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(c.errStart, 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
}

// This machine's table, where it cannot be read: the native answers as without a table, and the
// host says why and ends with exit status 3.
TEST_F(EngineHost, UnreadableLiveTable) {
  if (!readFile("/sys/firmware/dmi/tables/DMI").empty()) {
    GTEST_SKIP() << "this machine's firmware table is readable";
  }
  const ProcessRun run = runHost({ZENTRIK_MODULE_PATH});
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.out, "\n");
  EXPECT_EQ(run.err.rfind(kLogLine + "engine-host: cannot read the live firmware table: ", 0), 0u)
      << run.err;
}

// Real machines' tables as the platform would deliver them. The dual-socket server's second
// processor structure describes an empty socket; being the last, its zero ID is the answer.
TEST_F(EngineHost, ReadsRealMachineTables) {
  SKIP_WITHOUT_SHARED_TABLES();
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
    const ProcessRun run =
        runHost(serving(dir_.write("real", rawBuffer(readFile(sharedTable(c.file))))));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, c.out);
    // The broken table's diagnostics come first; the log line ends the output.
    const size_t tail = std::min(run.err.size(), c.err.size());
    EXPECT_EQ(c.err.empty() ? run.err : run.err.substr(run.err.size() - tail), c.err) << run.err;
  }
}

}  // namespace
