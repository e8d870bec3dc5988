// The zentrik command line, run as a program: its JSON parsed back and compared with the records
// the reader holds for the same table in this process, its diagnostics, errors and exit codes.
// POSIX processes; on Windows tests/windows/end_to_end.sh runs zentrik.exe under Wine.
#ifndef _WIN32
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/limits.h"
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

// Runs the built tool with these arguments (standard input from the file input) and collects its
// two streams and exit status.
ToolRun runTool(const std::vector<std::string>& args, const std::string& input = "/dev/null") {
  static const TempDir streams;
  std::string command = quoted(ZENTRIK_TOOL);
  for (const std::string& arg : args) command += " " + quoted(arg);
  command += " >" + quoted(streams.path("out")) + " 2>" + quoted(streams.path("err")) + " <" +
             quoted(input);
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
  const ToolRun fromFile = runTool({"records", "--json", "--table", dump64});
  const ToolRun fromInput = runTool({"records", "--json", "--table", "-"}, dump64);
  EXPECT_EQ(fromInput.status, 0) << fromInput.err;
  EXPECT_EQ(fromInput.out, fromFile.out);
}

// An rsmb header that announces more than the file holds is served as it stands with --format
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
      raw = file;  // already the rsmb layout
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

// The report shows the load's diagnostics under their heading, the JSON holds their exact bytes,
// and serial sends them all to standard error, in the order the load writes them, each on a line
// of its own, keeping standard output for the ID.
TEST_F(ZentrikTool, DiagnosticsAreExact) {
  const struct {
    const char* sample;
    std::string out;  // what the load writes to standard output
    std::string err;
    std::string serialErr;  // both, as they reach standard error
  } cases[] = {
      {"broken", "BiosReader: trying to over allocate!",
       "Invalid entry length (16). Fixed up to 11.\n"
       "Invalid entry length (3). DMI table is broken! Stop.\n\n"
       "Wrong DMI structures count: 14 announced, only 12 decoded.\n"
       "Wrong DMI structures length: 789 bytes announced, structures occupy 753 bytes.\n",
       "Invalid entry length (16). Fixed up to 11.\n"
       "BiosReader: trying to over allocate!\n"
       "Invalid entry length (3). DMI table is broken! Stop.\n\n"
       "Wrong DMI structures count: 14 announced, only 12 decoded.\n"
       "Wrong DMI structures length: 789 bytes announced, structures occupy 753 bytes.\n"},
      {"truncated", "\t<TRUNCATED>\n\n",
       "Wrong DMI structures count: 5 announced, only 4 decoded.\n"
       "Wrong DMI structures length: 564 bytes announced, structures occupy 565 bytes.\n",
       "\t<TRUNCATED>\n\n"
       "Wrong DMI structures count: 5 announced, only 4 decoded.\n"
       "Wrong DMI structures length: 564 bytes announced, structures occupy 565 bytes.\n"},
      {"desktop", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sample);
    const std::string path = std::string(ZENTRIK_SAMPLES) + "/" + c.sample + ".rsmb";
    const ToolRun text = runTool({"records", "--table", path});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.err, "");
    EXPECT_EQ(text.out.rfind("\nBIOS", 0), 0u);
    EXPECT_EQ(text.out.find("\nDiagnostics: ") != std::string::npos, !c.err.empty());
    const ToolRun json = runTool({"records", "--table", path, "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.err, "");
    Json parsed;
    std::string error;
    ASSERT_TRUE(parseJson(json.out, &parsed, &error)) << error;
    EXPECT_EQ(parsed["diagnostics"]["stdout"].text, c.out);
    EXPECT_EQ(parsed["diagnostics"]["stderr"].text, c.err);
    const ToolRun serial = runTool({"serial", "--table", path});
    EXPECT_EQ(serial.err.substr(0, c.serialErr.size()), c.serialErr);
    EXPECT_EQ(std::count(serial.out.begin(), serial.out.end(), '\n'), serial.status == 0 ? 1 : 0);
  }
}

Json parsedRun(const ToolRun& run) {
  Json json;
  std::string error;
  EXPECT_TRUE(parseJson(run.out, &json, &error)) << error << "\n" << run.out << run.err;
  return json;
}

// The package's text of a field, as the inventory shows it: a text as it stands, a list as its
// items (without empty ones; "None" is no item).
void expectSameField(const Json& inventoryValue, const Json& recordValue, const std::string& key) {
  SCOPED_TRACE(key);
  if (inventoryValue.kind == Json::Kind::Array) {
    ASSERT_EQ(recordValue.kind, Json::Kind::String);
    std::vector<std::string> items;
    for (const Json& item : inventoryValue.items) items.push_back(item.text);
    std::vector<std::string> expected;
    std::string item;
    for (const char c : recordValue.text + "\n") {
      if (c != '\n') {
        item += c;
        continue;
      }
      if (!item.empty() && item != "None") expected.push_back(item);
      item.clear();
    }
    EXPECT_EQ(items, expected);
  } else if (inventoryValue.kind == Json::Kind::String || recordValue.kind == Json::Kind::Null) {
    EXPECT_EQ(inventoryValue.kind, recordValue.kind);
    EXPECT_EQ(inventoryValue.text, recordValue.text);
  }
}

// With one structure of each type, every text of an inventory object is the package's, under
// the record's key; the numbers stand beside them (their agreement with the texts is the
// reader's own test).
TEST_F(ZentrikTool, InventoryDecodesEachStructureAsThePackageDoes) {
  TempDir dir;
  const std::string path = dir.write("fixture.dmi", fixtureTable());
  const Json records = parsedRun(runTool({"records", "--json", "--table", path}));
  const ToolRun run = runTool({"inventory", "--json", "--table", path});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  const Json inventory = parsedRun(run);
  EXPECT_EQ(inventory.keys(),
            (std::vector<std::string>{"tableRead", "tableError", "smbiosVersion", "bios",
                                      "biosLanguage", "processors", "memoryArrays",
                                      "unattachedDevices", "totals", "diagnostics"}));
  EXPECT_EQ(inventory["smbiosVersion"].kind, Json::Kind::Null);  // a bare table carries none
  const struct {
    const Json& inventoryObject;
    const Json& record;
    size_t texts;  // keys of the record that the inventory shows as texts or lists
  } pairs[] = {
      {inventory["bios"].items.at(0), records["bios"], 4},
      {inventory["biosLanguage"].items.at(0), records["biosLanguage"], 2},
      {inventory["processors"].items.at(0), records["processor"], 12},
      {inventory["memoryArrays"].items.at(0), records["memoryArray"], 1},
      {inventory["memoryArrays"].items.at(0)["devices"].items.at(0),
       records["memoryDevices"].items.at(0), 8},
  };
  for (const auto& pair : pairs) {
    size_t shown = 0;
    for (const std::string& key : pair.record.keys()) {
      const Json& value = pair.inventoryObject[key];
      if (value.kind != Json::Kind::String && value.kind != Json::Kind::Array) continue;
      expectSameField(value, pair.record[key], key);
      ++shown;
    }
    EXPECT_EQ(shown, pair.texts) << pair.record.keys()[1];
    EXPECT_EQ(pair.inventoryObject["present"].kind, Json::Kind::Null) << "a record flag";
  }
  const Json& cpu = inventory["processors"].items.at(0);
  EXPECT_EQ(cpu["coreCount"].number, 4);
  EXPECT_EQ(cpu["threadCount"].number, 8);
  const Json& dimm = inventory["memoryArrays"].items.at(0)["devices"].items.at(0);
  EXPECT_EQ(dimm["sizeBytes"].number, int64_t{8} << 30);
  EXPECT_TRUE(dimm["installed"].boolean);
  EXPECT_EQ(inventory["totals"]["installed"]["bytes"].number, int64_t{16} << 30);
}

// Every processor with its socket's state, every array with the devices that name it, and the
// devices that name none apart.
TEST_F(ZentrikTool, InventoryGroupsAsAPersonReadsAMachine) {
  const auto device = [](uint16_t handle, uint16_t array, uint16_t size, const char* locator) {
    return Structure(17, 0x28, handle).u16(0x04, array).u16(0x0C, size).u8(0x10, 1).str(locator);
  };
  const Bytes table = tableOf({
      Structure(4, 0x30, 0x400).u8(0x04, 1).u8(0x06, 0xC6).u8(0x18, 0x41).str("CPU1"),
      Structure(4, 0x30, 0x401).u8(0x04, 1).u8(0x18, 0x00).str("CPU2"),
      Structure(4, 0x18, 0x402),  // too short for its Status byte
      Structure(16, 0x17, 0x1000).u8(0x05, 3).u16(0x0D, 2),
      Structure(16, 0x17, 0x1001).u8(0x05, 4).u16(0x0D, 1),  // video memory
      device(0x1100, 0x1000, 0x2000, "A1"),
      device(0x1101, 0x1001, 0x0400, "V1"),
      device(0x1102, 0x1000, 0, "A2"),
      device(0x1103, 0x2222, 0x0200, "X1"),  // names no array of the table
      Structure(17, 0x04, 0x1104),           // too short to name one
      endOfTable(),
  });
  TempDir dir;
  const std::string path = dir.write("machine.dmi", table);
  const Json json = parsedRun(runTool({"inventory", "--json", "--table", path}));
  const auto handles = [](const Json& list) {
    std::vector<int64_t> out;
    for (const Json& item : list.items) out.push_back(item["handle"].number);
    return out;
  };
  using Handles = std::vector<int64_t>;
  EXPECT_EQ(handles(json["processors"]), (Handles{0x400, 0x401, 0x402}));
  EXPECT_TRUE(json["processors"].items.at(0)["populated"].boolean);
  EXPECT_EQ(json["processors"].items.at(1)["populated"].kind, Json::Kind::Bool);
  EXPECT_FALSE(json["processors"].items.at(1)["populated"].boolean);
  EXPECT_EQ(json["processors"].items.at(2)["populated"].kind, Json::Kind::Null);
  const Json& arrays = json["memoryArrays"];
  EXPECT_EQ(handles(arrays.items.at(0)["devices"]), (Handles{0x1100, 0x1102}));
  EXPECT_EQ(handles(arrays.items.at(1)["devices"]), (Handles{0x1101}));
  EXPECT_EQ(arrays.items.at(1)["use"].text, "Video Memory");
  EXPECT_EQ(arrays.items.at(1)["deviceSlots"].number, 1);
  // The package stores the capacity of a system memory array only.
  EXPECT_EQ(arrays.items.at(1)["maximumCapacityBytes"].kind, Json::Kind::Null);
  EXPECT_EQ(arrays.items.at(0)["installed"]["modules"].number, 1);
  const Json& emptySlot = arrays.items.at(0)["devices"].items.at(1);
  EXPECT_FALSE(emptySlot["installed"].boolean);
  EXPECT_EQ(emptySlot["sizeBytes"].kind, Json::Kind::Null) << "an empty slot has no size";
  EXPECT_EQ(handles(json["unattachedDevices"]), (Handles{0x1103, 0x1104}));
  EXPECT_EQ(json["unattachedDevices"].items.at(0)["arrayHandle"].number, 0x2222);
  EXPECT_EQ(json["unattachedDevices"].items.at(1)["arrayHandle"].kind, Json::Kind::Null);

  const ToolRun text = runTool({"inventory", "--table", path});
  EXPECT_EQ(text.status, 0);
  for (const char* line :
       {"\nProcessor 2 of 3 (handle 0x0401): CPU2, empty socket\n",
        "\n  Memory Device 2 of 2 (handle 0x1102): A2, empty\n", "\n  Installed: 1 module, 8 GB\n",
        "\nMemory Devices naming no array of this table\n",
        "\nIn all: 3 processors (1 populated), 2 memory arrays, 5 memory "
        "devices; installed: 3 modules, 9728 MB\n"}) {
    EXPECT_NE(text.out.find(line), std::string::npos) << line << "\nin\n" << text.out;
  }
}

TEST_F(ZentrikTool, InventoryOfRealMachines) {
  const std::string dir = ZENTRIK_SHARED_TABLES;
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no shared tables at " << dir;
  const struct {
    const char* file;
    size_t processors;
    std::vector<size_t> devicesPerArray;
  } cases[] = {
      {"gosmbios-SuperMicro-Dual-Xeon.dmi", 2, {8, 8}},
      {"gosmbios-SuperMicro-Quad-Opteron.dmi", 4, {32}},
      {"gosmbios-Dell-PowerEdge-R630-Dual-Xeon.dmi", 2, {24}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Json json = parsedRun(runTool({"inventory", "--json", "--table", dir + "/" + c.file}));
    EXPECT_EQ(json["processors"].items.size(), c.processors);
    std::vector<size_t> devices;
    for (const Json& array : json["memoryArrays"].items)
      devices.push_back(array["devices"].items.size());
    EXPECT_EQ(devices, c.devicesPerArray);
    EXPECT_TRUE(json["unattachedDevices"].items.empty());
  }
}

// The ID, where it comes from, the form Windows shows, and a warning per reason to doubt it.
TEST_F(ZentrikTool, IdOnTheDellWithAnEmptySecondSocket) {
  const std::string dir = ZENTRIK_SHARED_TABLES;
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no shared tables at " << dir;
  const std::string path = dir + "/gosmbios-Dell-PowerEdge-R630-Dual-Xeon.dmi";
  const ToolRun text = runTool({"id", "--table", path});
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.err, "");
  EXPECT_EQ(text.out,
            "ID: 00 00 00 00 00 00 00 00\n"
            "Socket: CPU2\n"
            "Signature: (not set)\n"
            "ProcessorId, as Windows shows it: 0000000000000000\n"
            "SMBIOS Version: (not given: a bare structure table carries none)\n"
            "Note: The processor ID is the processor model's signature and feature flags, shared "
            "by every machine with the same processor model: it is not a per-machine serial "
            "number.\n"
            "Warning: the ID is all zero: the firmware names no processor model here\n"
            "Warning: the ID comes from CPU2, an empty socket, while CPU1 (ID F2 06 03 00 FF FB "
            "EB BF) is populated\n");
  const ToolRun json = runTool({"id", "--json", "--table", path});
  EXPECT_EQ(json.status, 0);
  const Json parsed = parsedRun(json);
  EXPECT_EQ(parsed.keys(), (std::vector<std::string>{"tableRead", "tableError", "smbiosVersion",
                                                     "id", "socket", "socketHandle", "signature",
                                                     "processorId", "warnings", "diagnostics"}));
  EXPECT_TRUE(parsed["tableRead"].boolean);
  EXPECT_EQ(parsed["processorId"].text, "0000000000000000");
  EXPECT_EQ(parsed["socketHandle"].number, 0x0401);
  ASSERT_EQ(parsed["warnings"].items.size(), 2u);
  EXPECT_EQ(parsed["warnings"].items[0]["kind"].text, "allZero");
  EXPECT_EQ(parsed["warnings"].items[1]["kind"].text, "emptySocket");
}

// Every reason to doubt each real machine's ID, by kind.
TEST_F(ZentrikTool, IdReasonsOnRealMachines) {
  const std::string dir = ZENTRIK_SHARED_TABLES;
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no shared tables at " << dir;
  using Kinds = std::vector<std::string>;
  const struct {
    const char* file;
    int status;
    Kinds kinds;
  } cases[] = {
      {"fwupd-sysfs-T440s.DMI", 0, {}},
      // Family "Other" with a version string the package does not know: no signature.
      {"gosmbios-Beelink-EQ12.dmi", 0, {"noSignature"}},
      {"fwupdtf-DMI-ProLiant-MicroServer.bin", 0, {"noSignature"}},
      {"gosmbios-Dell-PowerEdge-R630-Dual-Xeon.dmi", 0, {"allZero", "emptySocket"}},
      // Broken after five structures; System Information says "Virtual Machine".
      {"gosmbios-HyperV.dmi", 1, {"noProcessor", "damagedTable", "virtualMachine"}},
      {"wine-8.0-synthesised.rsmb", 1, {"noProcessor", "synthesised"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const ToolRun run = runTool({"id", "--json", "--table", dir + "/" + c.file});
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err, "");
    const Json report = parsedRun(run);
    Kinds kinds;
    for (const Json& warning : report["warnings"].items) kinds.push_back(warning["kind"].text);
    EXPECT_EQ(kinds, c.kinds);
  }
  const ToolRun text = runTool({"id", "--table", dir + "/gosmbios-HyperV.dmi"});
  EXPECT_NE(text.out.find("Warning: the table is damaged: the walk stopped at structure 6 of 373"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("\nDiagnostics: what the reader reported about this table\n"),
            std::string::npos);
}

// Any input layout becomes an rsmb capture, in a file of its owner's or on standard output; what
// was done is said on standard error.
TEST_F(ZentrikTool, CaptureWritesAnyInputAsRsmb) {
  const Bytes table = fixtureTable();
  TempDir dir;
  const std::string dump = dir.write(
      "table.bin", dumpFile(entryPoint32(2, 7, static_cast<uint16_t>(table.size()), 0x20), table));
  const std::string out = dir.path("out.rsmb");
  ToolRun run = runTool({"capture", "--table", dump, out});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "zentrik: wrote " + std::to_string(8 + table.size()) +
                         " bytes in the rsmb layout to " + out + "\n");
  EXPECT_EQ(readFile(out), rawBuffer(table, 2, 7));
  struct stat info {};
  ASSERT_EQ(stat(out.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  const std::string bare = dir.write("DMI", table);
  run = runTool({"capture", "--table", "-", "-"}, bare);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, std::string(reinterpret_cast<const char*>(rawBuffer(table, 0, 0).data()),
                                 8 + table.size()));
  EXPECT_EQ(run.err, "zentrik: wrote " + std::to_string(8 + table.size()) +
                         " bytes in the rsmb layout to standard output\n");
}

// How runSetUp prepares the tool's process.
enum class SetUp {
  kTerminal,         // a terminal (a pseudo-terminal) as standard input and output
  kFourDescriptors,  // room for four descriptors: the three streams and one more
};

// Runs the tool in a process prepared by hand, standard error into a file (and standard output
// too, but for a terminal). A shell lowers the descriptor limit, so that a test process under
// valgrind leaves that to a process of its own.
ToolRun runSetUp(SetUp setUp, const std::vector<std::string>& args) {
  static const TempDir streams;
  const bool onTerminal = setUp == SetUp::kTerminal;
  const int terminal = onTerminal ? posix_openpt(O_RDWR | O_NOCTTY) : -1;
  if (onTerminal && (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0)) {
    return {-1, "", ""};
  }
  const std::string terminalName = onTerminal ? ptsname(terminal) : "/dev/null";
  std::vector<std::string> words = {ZENTRIK_TOOL};
  if (!onTerminal) words = {"/bin/sh", "-c", "ulimit -n 4 && exec \"$0\" \"$@\"", ZENTRIK_TOOL};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open(terminalName.c_str(), O_RDWR | O_NOCTTY);
    const int out =
        onTerminal ? in : open(streams.path("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(streams.path("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
      _exit(127);
    }
    // Nothing this process holds open may take the tool's one spare descriptor.
    for (int fd = 3; fd < 64; ++fd) close(fd);
    alarm(30);  // a tool that waited for the terminal would wait for ever
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (onTerminal) close(terminal);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
          onTerminal ? "" : slurp(streams.path("out")), slurp(streams.path("err"))};
}

// Nobody types a table into a terminal or reads one from it: both are refused at once.
TEST_F(ZentrikTool, TerminalsAreRefusedForTables) {
  const ToolRun input = runSetUp(SetUp::kTerminal, {"records", "--table", "-"});
  EXPECT_EQ(input.status, 2);
  EXPECT_EQ(input.err,
            "zentrik: standard input is a terminal: redirect a table file into it (--table - < "
            "table.rsmb)\n");
  const ToolRun output =
      runSetUp(SetUp::kTerminal,
               {"capture", "--table", std::string(ZENTRIK_SAMPLES) + "/desktop.rsmb", "-"});
  EXPECT_EQ(output.status, 2);
  EXPECT_EQ(output.err.rfind("zentrik: standard output is a terminal: redirect it to a file", 0),
            0u)
      << output.err;
}

// Without a temporary file to capture the load's messages in (no descriptor left), they go to
// standard error as written, the reports say that they were not captured, and nothing fails.
TEST_F(ZentrikTool, MessagesThatCannotBeCaptured) {
  const std::string broken = std::string(ZENTRIK_SAMPLES) + "/broken.rsmb";
  const ToolRun run = runSetUp(SetUp::kFourDescriptors, {"records", "--json", "--table", broken});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err.rfind("zentrik: cannot capture the reader's messages (", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("Invalid entry length (3). DMI table is broken! Stop."),
            std::string::npos);
  const Json json = parsedRun(run);
  EXPECT_EQ(json["diagnostics"]["stdout"].kind, Json::Kind::Null);
  EXPECT_EQ(json["bios"]["present"].number, 1);
  const ToolRun inventory = runSetUp(SetUp::kFourDescriptors, {"inventory", "--table", broken});
  EXPECT_EQ(inventory.status, 0);
  EXPECT_NE(inventory.out.find("\nDiagnostics: not captured (see standard error)\n"),
            std::string::npos);
}

// A named layout that the file contradicts is read as asked, with one line that says so.
TEST_F(ZentrikTool, NamedLayoutThatTheFileContradicts) {
  TempDir dir;
  const std::string bare = dir.write("DMI", fixtureTable());
  const ToolRun run = runTool({"records", "--table", bare, "--format", "rsmb"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "zentrik: " + bare +
                         ": read as an rsmb capture (8-byte header, then the table), as --format "
                         "asked, though --format auto would read it as a bare structure table\n");
  EXPECT_NE(run.out.find("\nBIOS: none\n"), std::string::npos) << "the header ate the BIOS";
}

TEST_F(ZentrikTool, IdWithoutAProcessor) {
  TempDir dir;
  const std::string path =
      dir.write("bios-only.dmi", tableOf({Structure(0, 0x12).u8(0x04, 1).str("V"), endOfTable()}));
  const ToolRun json = runTool({"id", "--json", "--table", path});
  EXPECT_EQ(json.status, 1);
  const Json parsed = parsedRun(json);
  for (const char* key : {"id", "socket", "socketHandle", "signature", "processorId"}) {
    EXPECT_EQ(parsed[key].kind, Json::Kind::Null) << key;
  }
  EXPECT_TRUE(parsed["tableRead"].boolean) << "read, but without an ID";
  EXPECT_EQ(parsed["warnings"].items.at(0)["kind"].text, "noProcessor");
  EXPECT_EQ(parsed["warnings"].items.at(0)["text"].text,
            "the table has no usable processor structure: GetCPUSerialNumber returns an empty "
            "string");
  const ToolRun text = runTool({"id", "--table", path});
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.out.rfind("ID: none (script gets an empty string)\nSMBIOS Version: ", 0), 0u)
      << text.out;
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

  // A load that writes to standard output leaves the ID alone there.
  const std::string dir2 = ZENTRIK_SHARED_TABLES;
  if (!std::filesystem::is_directory(dir2)) GTEST_SKIP() << "no shared tables at " << dir2;
  run = runTool({"serial", "--table", dir2 + "/gosmbios-SuperMicro-Dual-Xeon.dmi"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "E4 06 03 00 FF FB EB BF\n");
  EXPECT_EQ(run.err,
            "BiosReader: trying to over allocate!\nInvalid entry length (16). Fixed up to 11.\n");
}

TEST_F(ZentrikTool, UnusableTableFilesAreRefusedBeforeLoading) {
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
       "zentrik: unknown table format 'xml' (auto, rsmb, dump, raw or bare)\n"
       "Try 'zentrik records --help'.\n"},
      {{"serial", "--format", "raw"},
       "zentrik: --format needs --table IN\nTry 'zentrik serial --help'.\n"},
      {{"serial", "--json"}, "zentrik: unknown option '--json'\nTry 'zentrik serial --help'.\n"},
      {{"records", "extra"},
       "zentrik: unexpected argument 'extra'\nTry 'zentrik records --help'.\n"},
      {{"capture"},
       "zentrik: capture needs the file to write (OUT, or '-')\nTry 'zentrik capture --help'.\n"},
      {{"capture", "a", "b"}, "zentrik: unexpected argument 'b'\nTry 'zentrik capture --help'.\n"},
      {{"capture", "--json", "x"},
       "zentrik: unknown option '--json'\nTry 'zentrik capture --help'.\n"},
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
    const ToolRun run = runTool(c.args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind(c.start, 0), 0u) << run.out;
    EXPECT_EQ(run.err, "");
  }
}

// Where this machine's table cannot be read, every command says why and ends with exit status
// 3; records still prints the records, in their reset state, and the JSON of inventory and id
// says so where scripts can test it.
TEST_F(ZentrikTool, UnreadableLiveTable) {
  if (liveTableReadable()) GTEST_SKIP() << "this machine's firmware table is readable";
  const std::string why = "zentrik: cannot read this machine's firmware table: cannot open ";

  TempDir dir;
  const std::string nothing = dir.write("nothing.dmi", endOfTable());
  const ToolRun reset = runTool({"records", "--table", nothing});
  ASSERT_EQ(reset.status, 0);

  const ToolRun text = runTool({"records"});
  EXPECT_EQ(text.status, 3);
  EXPECT_EQ(text.out, reset.out);
  EXPECT_EQ(text.err.rfind(why, 0), 0u) << text.err;
  EXPECT_EQ(std::count(text.err.begin(), text.err.end(), '\n'), 1);

  const ToolRun json = runTool({"records", "--json"});
  EXPECT_EQ(json.status, 3);
  EXPECT_EQ(json.err, text.err);
  Json parsed;
  std::string error;
  ASSERT_TRUE(parseJson(json.out, &parsed, &error)) << error;
  expectJsonMatchesRecords(parsed, LoadOutput{});  // never loaded here: the reset state

  for (const char* command : {"inventory", "id"}) {
    SCOPED_TRACE(command);
    const ToolRun run = runTool({command, "--json"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err, text.err);
    const Json report = parsedRun(run);
    EXPECT_EQ(report["tableRead"].kind, Json::Kind::Bool);
    EXPECT_FALSE(report["tableRead"].boolean);
    EXPECT_EQ(why.substr(std::string("zentrik: cannot read this machine's firmware table: ").size())
                  .compare(0, 12, report["tableError"].text, 0, 12),
              0)
        << report["tableError"].text;
  }
  const ToolRun id = runTool({"id"});
  EXPECT_EQ(id.status, 3);
  EXPECT_NE(id.out.find("\nWarning: this machine's firmware table could not be read ("),
            std::string::npos)
      << id.out;

  const ToolRun serial = runTool({"serial"});
  EXPECT_EQ(serial.status, 3);
  EXPECT_EQ(serial.out, "");
  EXPECT_EQ(serial.err, text.err + kNoProcessorId);

  const std::string out = dir.path("captured.rsmb");
  const ToolRun capture = runTool({"capture", out});
  EXPECT_EQ(capture.status, 3);
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
  struct stat info {};
  ASSERT_EQ(stat(out.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

}  // namespace
#endif  // _WIN32
