// The zentrik command line, run as a program: its JSON parsed back and compared with the records
// the reader holds for the same table in this process, its diagnostics, errors and exit codes.
// POSIX processes; on Windows tests/windows/end_to_end.sh runs zentrik.exe under Wine.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/json_reader.h"
#include "tests/support/reader_fixture.h"
#include "tests/support/table_builder.h"
#include "tests/support/table_files.h"

namespace {

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

std::string quoted(const std::string& arg) {
  std::string out = "'";
  for (const char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string slurp(const std::string& path) {
  const Bytes bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// Runs the built tool with these arguments and collects its two streams and exit status.
ToolRun runTool(const std::vector<std::string>& args) {
  static const TempDir streams;
  std::string command = quoted(ZENTRIK_TOOL);
  for (const std::string& arg : args) command += " " + quoted(arg);
  command +=
      " >" + quoted(streams.path("out")) + " 2>" + quoted(streams.path("err")) + " </dev/null";
  const int raw = system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(streams.path("out")),
          slurp(streams.path("err"))};
}

bool liveTableReadable() {
  FILE* file = fopen("/sys/firmware/dmi/tables/DMI", "rb");
  if (file == nullptr) return false;
  fclose(file);
  return true;
}

const std::string kNoProcessorId = "Couldn't get the relevant information. Contact the author!!\n";

class ZentrikTool : public ReaderTest {
 protected:
  // Runs `records --json` on the file and compares every key and value with the records this
  // process loads from expectedRaw.
  void expectJsonMatchesLoad(const std::vector<std::string>& args, const Bytes& expectedRaw) {
    std::vector<std::string> all = {"records"};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back("--json");
    const ToolRun run = runTool(all);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    Json json;
    std::string error;
    ASSERT_TRUE(parseJson(run.out, &json, &error)) << error << "\n" << run.out;
    freshReader();
    const LoadOutput output = load(expectedRaw);
    expectJsonMatchesRecords(json, output);
  }

  static void expectText(const Json& value, const char* field, const char* key) {
    SCOPED_TRACE(key);
    if (field == nullptr) {
      EXPECT_EQ(value.kind, Json::Kind::Null);
    } else {
      EXPECT_EQ(value.kind, Json::Kind::String);
      EXPECT_EQ(value.text, field);
    }
  }

  static void expectNumber(const Json& value, int64_t expected) {
    EXPECT_EQ(value.kind, Json::Kind::Number);
    EXPECT_EQ(value.number, expected);
  }

  static void expectJsonMatchesRecords(const Json& json, const LoadOutput& output) {
    using Keys = std::vector<std::string>;
    ASSERT_EQ(json.kind, Json::Kind::Object);
    EXPECT_EQ(json.keys(), (Keys{"diagnostics", "bios", "biosLanguage", "processor", "memoryArray",
                                 "memoryDevices", "reserved"}));
    EXPECT_EQ(json["diagnostics"].keys(), (Keys{"stdout", "stderr"}));
    expectText(json["diagnostics"]["stdout"], output.out.c_str(), "stdout");
    expectText(json["diagnostics"]["stderr"], output.err.c_str(), "stderr");

    const Json& b = json["bios"];
    EXPECT_EQ(b.keys(),
              (Keys{"present", "vendor", "version", "releaseDate", "characteristics", "romSize"}));
    expectNumber(b["present"], bios().present);
    expectText(b["vendor"], bios().vendor, "vendor");
    expectText(b["version"], bios().version, "version");
    expectText(b["releaseDate"], bios().releaseDate, "releaseDate");
    expectText(b["characteristics"], bios().characteristics, "characteristics");
    expectText(b["romSize"], bios().romSize, "romSize");

    const Json& l = json["biosLanguage"];
    EXPECT_EQ(l.keys(), (Keys{"present", "currentLanguage", "installableLanguages"}));
    expectNumber(l["present"], biosLanguage().present);
    expectText(l["currentLanguage"], biosLanguage().currentLanguage, "currentLanguage");
    expectText(l["installableLanguages"], biosLanguage().installableLanguages,
               "installableLanguages");

    const Json& p = json["processor"];
    const ProcessorRecord& r = processor();
    const std::pair<const char*, const char*> processorFields[] = {
        {"socketDesignation", r.socketDesignation},
        {"type", r.type},
        {"family", r.family},
        {"manufacturer", r.manufacturer},
        {"flags", r.flags},
        {"version", r.version},
        {"voltage", r.voltage},
        {"externalClock", r.externalClock},
        {"maxSpeed", r.maxSpeed},
        {"currentSpeed", r.currentSpeed},
        {"serialNumber", r.serialNumber},
        {"partNumber", r.partNumber},
        {"assetTag", r.assetTag},
        {"coreCount", r.coreCount},
        {"coresEnabled", r.coresEnabled},
        {"threadCount", r.threadCount},
        {"characteristics", r.characteristics},
        {"id", r.id},
        {"signature", r.signature},
    };
    Keys processorKeys = {"present"};
    for (const auto& f : processorFields) processorKeys.push_back(f.first);
    EXPECT_EQ(p.keys(), processorKeys);
    expectNumber(p["present"], r.present);
    for (const auto& f : processorFields) expectText(p[f.first], f.second, f.first);

    const Json& a = json["memoryArray"];
    EXPECT_EQ(a.keys(), (Keys{"present", "deviceCount", "maximumCapacity", "location"}));
    expectNumber(a["present"], memoryArray().present);
    expectNumber(a["deviceCount"], memoryArray().deviceCount);
    expectText(a["maximumCapacity"], memoryArray().maximumCapacity, "maximumCapacity");
    expectText(a["location"], memoryArray().location, "location");

    const Json& list = json["memoryDevices"];
    ASSERT_EQ(list.kind, Json::Kind::Array);
    const uint32_t readable =
        devices() == nullptr ? 0 : std::min(memoryArray().deviceCount, memoryDeviceCapacity);
    ASSERT_EQ(list.items.size(), readable);
    for (uint32_t i = 0; i < readable; ++i) {
      SCOPED_TRACE("memory device " + std::to_string(i));
      const MemoryDeviceRecord& d = devices()[i];
      const std::pair<const char*, const char*> deviceFields[] = {
          {"formFactor", d.formFactor},
          {"size", d.size},
          {"locator", d.locator},
          {"type", d.type},
          {"bankLocator", d.bankLocator},
          {"manufacturer", d.manufacturer},
          {"serialNumber", d.serialNumber},
          {"partNumber", d.partNumber},
          {"assetTag", d.assetTag},
          {"speed", d.speed},
          {"configuredMemorySpeed", d.configuredMemorySpeed},
          {"configuredVoltage", d.configuredVoltage},
          {"reserved", d.reserved},
      };
      Keys deviceKeys = {"present"};
      for (const auto& f : deviceFields) deviceKeys.push_back(f.first);
      EXPECT_EQ(list.items[i].keys(), deviceKeys);
      expectNumber(list.items[i]["present"], d.present);
      for (const auto& f : deviceFields) expectText(list.items[i][f.first], f.second, f.first);
    }

    const Json& reserved = json["reserved"];
    EXPECT_EQ(reserved.keys(), (Keys{"present", "fields"}));
    expectNumber(reserved["present"], 0);
    ASSERT_EQ(reserved["fields"].items.size(), 3u);
    for (const Json& field : reserved["fields"].items) EXPECT_EQ(field.kind, Json::Kind::Null);
  }
};

// A small machine: BIOS with a quote, a backslash and a tab in its strings, one processor, one
// array with two devices.
Bytes fixtureTable() {
  return tableOf({
      Structure(0, 0x18)
          .u8(0x04, 1)
          .u8(0x05, 2)
          .u8(0x08, 3)
          .u8(0x09, 0x0F)
          .u64(0x0A, 0x90)
          .u8(0x12, 0x01)
          .str("Fixture \"Quoted\" Vendor")
          .str("C:\\bios\tv2")
          .str("01/02/2003"),
      Structure(4, 0x30)
          .u8(0x04, 1)
          .u8(0x06, 0xC6)
          .u8(0x07, 2)
          .bytes(0x08, {0xA9, 0x06, 0x03, 0x00, 0xFF, 0xFB, 0xEB, 0xBF})
          .u8(0x10, 3)
          .u8(0x23, 4)
          .u8(0x25, 8)
          .str("CPU0")
          .str("Intel(R) Corporation")
          .str("Intel(R) Core(TM) i7-3770"),
      Structure(13, 0x16).u8(0x04, 2).u8(0x15, 2).str("en|US|iso8859-1").str("de|DE|iso8859-1"),
      Structure(16, 0x17).u8(0x04, 0x03).u8(0x05, 0x03).u32(0x07, 0x02000000).u16(0x0D, 2),
      Structure(17, 0x28).u16(0x0C, 0x2000).u8(0x0E, 0x09).u8(0x10, 1).u8(0x12, 0x1A).str("A1"),
      Structure(17, 0x28).u16(0x0C, 0x2000).u8(0x0E, 0x09).u8(0x10, 1).u8(0x12, 0x1A).str("B1"),
      endOfTable(),
  });
}

TEST_F(ZentrikTool, EveryLayoutShowsTheSameRecords) {
  const Bytes table = fixtureTable();
  const auto length = static_cast<uint16_t>(table.size());
  TempDir dir;
  const std::string rsmb = dir.write("fixture.rsmb", rawBuffer(table));
  const std::string dump32 =
      dir.write("fixture32.bin", dumpFile(entryPoint32(2, 8, length, 0x20), table));
  const std::string dump64 =
      dir.write("fixture64.dmi", dumpFile(entryPoint64(3, 2, 0, 0xFFFF, 0x20), table));
  const std::string bare = dir.write("DMI", table);
  const std::vector<std::vector<std::string>> runs = {
      {"--table", rsmb},   {"--table", rsmb, "--format", "rsmb"},
      {"--table", dump32}, {"--table=" + dump32, "--format=dump"},
      {"--table", dump64}, {"--table", dump64, "--format", "dump"},
      {"--table", bare},   {"--format", "raw", "--table", bare},
  };
  for (const auto& args : runs) {
    SCOPED_TRACE(args[1]);
    expectJsonMatchesLoad(args, rawBuffer(table));
  }
}

// A raw header that announces more than the file holds is served as it stands with --format
// rsmb; the reader then names the length it really had.
TEST_F(ZentrikTool, NamedRsmbKeepsTheAnnouncedLength) {
  TempDir dir;
  const Bytes raw = rawBufferAnnouncing(fixtureTable(), 5000);
  const std::string path = dir.write("long.rsmb", raw);
  expectJsonMatchesLoad({"--table", path, "--format", "rsmb"}, raw);
}

TEST_F(ZentrikTool, SamplesShowTheRecordsTheReaderHolds) {
  for (const char* name : {"desktop", "server", "broken", "truncated"}) {
    SCOPED_TRACE(name);
    const std::string path = std::string(ZENTRIK_SAMPLES) + "/" + name + ".rsmb";
    const Bytes raw = readFile(path);
    ASSERT_FALSE(raw.empty()) << path;
    expectJsonMatchesLoad({"--table", path}, raw);
  }
}

TEST_F(ZentrikTool, RealTablesShowTheRecordsTheReaderHolds) {
  const std::string dir = ZENTRIK_SHARED_TABLES;
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no shared tables at " << dir;
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || ext == ".smbios_entry_point" || ext == ".md") continue;
    SCOPED_TRACE(name);
    const Bytes file = readFile(entry.path().string());
    Bytes raw;
    if (ext == ".dat" || ext == ".rsmb") {
      raw = file;  // already the raw layout
    } else if (file.size() > 5 && std::equal(file.begin(), file.begin() + 5, "_SM3_")) {
      raw = rawBuffer(Bytes(file.begin() + 0x20, file.end()), 3, 5);  // dump, table at 0x20
    } else {
      raw = rawBuffer(file, 0, 0);  // bare table
    }
    expectJsonMatchesLoad({"--table", entry.path().string()}, raw);
    ++seen;
  }
  EXPECT_GE(seen, 14);
}

// The load's diagnostics reach both streams unchanged in the report, and the same bytes stand
// in the JSON.
TEST_F(ZentrikTool, DiagnosticsAreExact) {
  const struct {
    const char* sample;
    std::string out;  // what the load writes to standard output
    std::string err;
  } cases[] = {
      {"broken", "BiosReader: trying to over allocate!",
       "Invalid entry length (16). Fixed up to 11.\n"
       "Invalid entry length (3). DMI table is broken! Stop.\n\n"
       "Wrong DMI structures count: 14 announced, only 12 decoded.\n"
       "Wrong DMI structures length: 789 bytes announced, structures occupy 753 bytes.\n"},
      {"truncated", "\t<TRUNCATED>\n\n",
       "Wrong DMI structures count: 5 announced, only 4 decoded.\n"
       "Wrong DMI structures length: 564 bytes announced, structures occupy 565 bytes.\n"},
      {"desktop", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sample);
    const std::string path = std::string(ZENTRIK_SAMPLES) + "/" + c.sample + ".rsmb";
    const ToolRun text = runTool({"records", "--table", path});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.err, c.err);
    EXPECT_EQ(text.out.substr(0, c.out.size()), c.out);
    EXPECT_EQ(text.out.substr(c.out.size(), 6), "\nBIOS\n");
    const ToolRun json = runTool({"records", "--table", path, "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.err, "");
    Json parsed;
    std::string error;
    ASSERT_TRUE(parseJson(json.out, &parsed, &error)) << error;
    EXPECT_EQ(parsed["diagnostics"]["stdout"].text, c.out);
    EXPECT_EQ(parsed["diagnostics"]["stderr"].text, c.err);
  }
}

TEST_F(ZentrikTool, SerialPrintsTheProcessorId) {
  ToolRun run = runTool({"serial", "--table", std::string(ZENTRIK_SAMPLES) + "/desktop.rsmb"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "72 06 09 00 FF FB EB BF\n");
  EXPECT_EQ(run.err, "");

  // The last processor structure wins.
  run = runTool({"serial", "--table", std::string(ZENTRIK_SAMPLES) + "/server.rsmb"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "11 0F A0 00 FF FB 8B 17\n");

  TempDir dir;
  const std::string noProcessor =
      dir.write("bios-only.dmi", tableOf({Structure(0, 0x12).str("V"), endOfTable()}));
  run = runTool({"serial", "--table", noProcessor});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, kNoProcessorId);
}

TEST_F(ZentrikTool, UnusableTableFilesAreRefusedBeforeLoading) {
  TempDir dir;
  const std::string missing = dir.path("missing.rsmb");
  const std::string empty = dir.write("empty.bin", {});
  const std::string outside =
      dir.write("outside.bin", dumpFile(entryPoint32(2, 7, 100, 0x10000), fixtureTable()));
  const std::string huge = dir.write("huge.bin", {});
  ASSERT_EQ(truncate(huge.c_str(), (64 << 20) + 1), 0);
  const std::string folder = dir.path("");
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"records", "--table", missing},
       "zentrik: " + missing + ": cannot open: No such file or directory\n"},
      {{"serial", "--table", missing},
       "zentrik: " + missing + ": cannot open: No such file or directory\n"},
      {{"records", "--table", folder}, "zentrik: " + folder + ": is a directory\n"},
      {{"records", "--table", empty, "--json"}, "zentrik: " + empty + ": the file is empty\n"},
      {{"records", "--table", outside},
       "zentrik: " + outside + ": the entry point's table address 0x10000 lies outside the file (" +
           std::to_string(0x20 + fixtureTable().size()) + " bytes)\n"},
      {{"records", "--table", huge}, "zentrik: " + huge + ": the file is larger than 64 MiB\n"},
      {{"records", "--table", empty, "--format", "dump"},
       "zentrik: " + empty + ": the file is empty\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[2]);
    const ToolRun run = runTool(c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.err);
  }
}

TEST_F(ZentrikTool, UnreadableFileIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  TempDir dir;
  const std::string locked = dir.write("locked.rsmb", rawBuffer(fixtureTable()));
  ASSERT_EQ(chmod(locked.c_str(), 0), 0);
  const ToolRun run = runTool({"records", "--table", locked});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "zentrik: " + locked + ": cannot open: Permission denied\n");
}

TEST_F(ZentrikTool, UsageErrors) {
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"frobnicate"}, "zentrik: unknown command 'frobnicate'\nTry 'zentrik --help'.\n"},
      {{"records", "--bogus"},
       "zentrik: unknown option '--bogus'\nTry 'zentrik records --help'.\n"},
      {{"records", "--table"},
       "zentrik: option '--table' needs a value\nTry 'zentrik records --help'.\n"},
      {{"records", "--table", "x", "--format", "xml"},
       "zentrik: unknown table format 'xml' (auto, rsmb, dump or raw)\n"
       "Try 'zentrik records --help'.\n"},
      {{"serial", "--format", "raw"},
       "zentrik: --format needs --table FILE\nTry 'zentrik serial --help'.\n"},
      {{"serial", "--json"}, "zentrik: unknown option '--json'\nTry 'zentrik serial --help'.\n"},
      {{"records", "extra"},
       "zentrik: unexpected argument 'extra'\nTry 'zentrik records --help'.\n"},
      {{"capture"},
       "zentrik: capture needs the file to write (OUT)\nTry 'zentrik capture --help'.\n"},
      {{"capture", "a", "b"}, "zentrik: unexpected argument 'b'\nTry 'zentrik capture --help'.\n"},
      {{"capture", "--table", "x"},
       "zentrik: unknown option '--table'\nTry 'zentrik capture --help'.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const ToolRun run = runTool(c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.err);
  }
  // No command at all: the help, on standard error.
  const ToolRun bare = runTool({});
  EXPECT_EQ(bare.status, 2);
  EXPECT_EQ(bare.out, "");
  EXPECT_EQ(bare.err.rfind("Usage: zentrik COMMAND", 0), 0u);
}

TEST_F(ZentrikTool, HelpAndVersion) {
  const struct {
    std::vector<std::string> args;
    std::string start;
  } cases[] = {
      {{"--help"}, "Usage: zentrik COMMAND [OPTIONS]\n"},
      {{"records", "--help"}, "Usage: zentrik records [--table FILE]"},
      {{"serial", "--help"}, "Usage: zentrik serial [--table FILE]"},
      {{"capture", "--help"}, "Usage: zentrik capture OUT\n"},
      // --help wins over anything else on the line.
      {{"records", "--table", "/nonexistent", "--help"}, "Usage: zentrik records"},
      {{"--version"}, "zentrik 0."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const ToolRun run = runTool(c.args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind(c.start, 0), 0u) << run.out;
    EXPECT_EQ(run.err, "");
  }
}

// Where this machine's table cannot be read, every command says why; records still prints the
// records, in their reset state.
TEST_F(ZentrikTool, UnreadableLiveTable) {
  if (liveTableReadable()) GTEST_SKIP() << "this machine's firmware table is readable";
  const std::string why = "zentrik: cannot read this machine's firmware table: cannot open ";

  TempDir dir;
  const std::string nothing = dir.write("nothing.dmi", endOfTable());
  const ToolRun reset = runTool({"records", "--table", nothing});
  ASSERT_EQ(reset.status, 0);

  const ToolRun text = runTool({"records"});
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.out, reset.out);
  EXPECT_EQ(text.err.rfind(why, 0), 0u) << text.err;
  EXPECT_EQ(std::count(text.err.begin(), text.err.end(), '\n'), 1);

  const ToolRun json = runTool({"records", "--json"});
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(json.err, text.err);
  Json parsed;
  std::string error;
  ASSERT_TRUE(parseJson(json.out, &parsed, &error)) << error;
  expectJsonMatchesRecords(parsed, LoadOutput{});  // never loaded here: the reset state

  const ToolRun serial = runTool({"serial"});
  EXPECT_EQ(serial.status, 1);
  EXPECT_EQ(serial.out, "");
  EXPECT_EQ(serial.err, text.err + kNoProcessorId);

  const std::string out = dir.path("captured.rsmb");
  const ToolRun capture = runTool({"capture", out});
  EXPECT_EQ(capture.status, 1);
  EXPECT_EQ(capture.err, text.err);
  EXPECT_FALSE(std::filesystem::exists(out));
}

// Where it can be read, a capture reads back as the same records.
TEST_F(ZentrikTool, CaptureReadsBackAsTheLiveRecords) {
  if (!liveTableReadable()) GTEST_SKIP() << "this machine's firmware table cannot be read";
  TempDir dir;
  const std::string out = dir.path("captured.rsmb");
  const ToolRun capture = runTool({"capture", out});
  ASSERT_EQ(capture.status, 0) << capture.err;
  const ToolRun live = runTool({"records", "--json"});
  const ToolRun captured = runTool({"records", "--table", out, "--json"});
  EXPECT_EQ(live.status, 0);
  EXPECT_EQ(captured.out, live.out);
}

}  // namespace
#endif  // _WIN32
