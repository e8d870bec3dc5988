// zentrik capture: any table input written in the rsmb layout, readable by its owner only, to a
// regular file only.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "tests/tool/tool.h"

namespace {

using CaptureCommand = ZentrikTool;

void expectOwnerOnly(const std::string& path) {
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// Any input layout becomes an rsmb capture, in a file of its owner's or on standard output; what
// was done is said on standard error.
TEST_F(CaptureCommand, WritesAnyInputAsRsmb) {
  const Bytes table = fixtureTable();
  TempDir dir;
  const std::string dump = dir.write(
      "table.bin", dumpFile(entryPoint32(2, 7, static_cast<uint16_t>(table.size()), 0x20), table));
  const std::string out = dir.path("out.rsmb");
  ProcessRun run = runTool({"capture", "--table", dump, out});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "zentrik: wrote " + std::to_string(8 + table.size()) +
                         " bytes in the rsmb layout to " + out + "\n");
  EXPECT_EQ(readFile(out), rawBuffer(table, 2, 7));
  expectOwnerOnly(out);

  run = runTool({"capture", "--table", "-", "-"}, dir.write("DMI", table));
  EXPECT_EQ(run.status, 0) << run.err;
  const Bytes raw = rawBuffer(table, 0, 0);
  EXPECT_EQ(run.out, std::string(raw.begin(), raw.end()));
  EXPECT_EQ(run.err, "zentrik: wrote " + std::to_string(8 + table.size()) +
                         " bytes in the rsmb layout to standard output\n");
}

// An OUT that is not a regular file is refused before any table is read, so also where this
// machine's cannot be, and stays as it was; so does what a link points to. A capture that fails
// while it writes leaves the file it was to replace as it was, and nothing beside it.
TEST_F(CaptureCommand, WritesOnlyARegularFileAndOnlyWhole) {
  TempDir dir;
  const std::string target = dir.write("target", Bytes(5, 7));
  for (const SpecialFile& file : specialFiles(dir)) {
    expectOneLineError(runTool({"capture", file.path}), file.kind);
  }
  EXPECT_EQ(readFile(target), Bytes(5, 7));

  ProcessSetUp tinyFiles;
  tinyFiles.tinyFiles = true;
  const ProcessRun failed =
      runTool({"capture", "--table", samplePath("desktop"), target}, tinyFiles);
  EXPECT_EQ(failed.status, 4);
  EXPECT_EQ(std::count(failed.err.begin(), failed.err.end(), '\n'), 1) << failed.err;
  EXPECT_EQ(readFile(target), Bytes(5, 7));
  for (const auto& entry : std::filesystem::directory_iterator(dir.path(""))) {
    EXPECT_EQ(entry.path().filename().string().rfind("target.", 0), std::string::npos);
  }
}

// Where this machine's table can be read, a capture reads back as the same records.
TEST_F(CaptureCommand, ReadsBackAsTheLiveRecords) {
  if (!liveTableReadable()) GTEST_SKIP() << "this machine's firmware table cannot be read";
  TempDir dir;
  const std::string out = dir.path("captured.rsmb");
  const ProcessRun capture = runTool({"capture", out});
  ASSERT_EQ(capture.status, 0) << capture.err;
  const ProcessRun live = runTool({"records", "--json"});
  const ProcessRun captured = runTool({"records", "--table", out, "--json"});
  EXPECT_EQ(live.status, 0);
  EXPECT_EQ(captured.out, live.out);
  expectOwnerOnly(out);
}

}  // namespace
