#include "tests/tool/tool.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

ProcessRun runTool(const std::vector<std::string>& args, const std::string& input) {
  ProcessSetUp setUp;
  setUp.input = input;
  return runTool(args, setUp);
}

ProcessRun runTool(const std::vector<std::string>& args, const ProcessSetUp& setUp) {
  std::vector<std::string> command = {ZENTRIK_TOOL};
  command.insert(command.end(), args.begin(), args.end());
  return runProcess(command, setUp);
}

Json parsedRun(const ProcessRun& run) {
  Json json;
  std::string error;
  EXPECT_TRUE(parseJson(run.out, &json, &error)) << error << "\n" << run.out << run.err;
  return json;
}

bool liveTableReadable() {
  FILE* file = fopen("/sys/firmware/dmi/tables/DMI", "rb");
  if (file == nullptr) return false;
  fclose(file);
  return true;
}

const std::string kNoProcessorId = "Couldn't get the relevant information. Contact the author!!\n";

Bytes fixtureTable() {
  Structure bios(0, 0x18);
  bios.u8(0x04, 1).u8(0x05, 2).u8(0x08, 3).u8(0x09, 0x0F).u64(0x0A, 0x90).u8(0x12, 0x01);
  bios.str("Fixture \"Quoted\" Vendor").str("C:\\bios\tv2").str("01/02/2003");
  Structure processor(4, 0x30);
  processor.u8(0x04, 1).u8(0x06, 0xC6).u8(0x07, 2).u64(0x08, 0xBFEBFBFF000306A9ull);
  processor.u8(0x10, 3).u8(0x23, 4).u8(0x25, 8);
  processor.str("CPU0").str("Intel(R) Corporation").str("Intel(R) Core(TM) i7-3770");
  const auto dimm = [](const char* locator) {
    Structure s(17, 0x28);
    return s.u16(0x0C, 0x2000).u8(0x0E, 0x09).u8(0x10, 1).u8(0x12, 0x1A).str(locator);
  };
  return tableOf({
      bios,
      processor,
      Structure(13, 0x16).u8(0x04, 2).u8(0x15, 2).str("en|US|iso8859-1").str("de|DE|iso8859-1"),
      Structure(16, 0x17).u8(0x04, 0x03).u8(0x05, 0x03).u32(0x07, 0x02000000).u16(0x0D, 2),
      dimm("A1"),
      dimm("B1"),
      endOfTable(),
  });
}

void ZentrikTool::expectJsonMatchesLoad(const std::vector<std::string>& args,
                                        const Bytes& expectedRaw) {
  std::vector<std::string> all = {"records"};
  all.insert(all.end(), args.begin(), args.end());
  all.push_back("--json");
  const ProcessRun run = runTool(all);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const Json json = parsedRun(run);
  freshReader();
  expectJsonMatchesRecords(json, load(expectedRaw));
}

namespace {

void expectText(const Json& value, const char* field, const std::string& key) {
  SCOPED_TRACE(key);
  EXPECT_EQ(value.kind, field == nullptr ? Json::Kind::Null : Json::Kind::String);
  EXPECT_EQ(value.text, field == nullptr ? "" : field);
}

void expectNumber(const Json& value, int64_t expected) {
  EXPECT_EQ(value.kind, Json::Kind::Number);
  EXPECT_EQ(value.number, expected);
}

using Keys = std::vector<std::string>;
using Fields = std::vector<std::pair<const char*, const char*>>;

// An object of the record: its flag "present", then each field's text under its key.
void expectRecord(const Json& object, int32_t present, const Fields& fields) {
  Keys keys = {"present"};
  for (const auto& f : fields) keys.push_back(f.first);
  EXPECT_EQ(object.keys(), keys);
  expectNumber(object["present"], present);
  for (const auto& f : fields) expectText(object[f.first], f.second, f.first);
}

}  // namespace

void ZentrikTool::expectJsonMatchesRecords(const Json& json, const LoadOutput& output) {
  ASSERT_EQ(json.kind, Json::Kind::Object);
  EXPECT_EQ(json.keys(), (Keys{"diagnostics", "bios", "biosLanguage", "processor", "memoryArray",
                               "memoryDevices", "reserved"}));
  EXPECT_EQ(json["diagnostics"].keys(), (Keys{"stdout", "stderr"}));
  expectText(json["diagnostics"]["stdout"], output.out.c_str(), "stdout");
  expectText(json["diagnostics"]["stderr"], output.err.c_str(), "stderr");

  const BiosRecord& b = bios();
  expectRecord(json["bios"], b.present,
               {{"vendor", b.vendor},
                {"version", b.version},
                {"releaseDate", b.releaseDate},
                {"characteristics", b.characteristics},
                {"romSize", b.romSize}});
  const BiosLanguageRecord& l = biosLanguage();
  expectRecord(
      json["biosLanguage"], l.present,
      {{"currentLanguage", l.currentLanguage}, {"installableLanguages", l.installableLanguages}});
  const ProcessorRecord& p = processor();
  expectRecord(json["processor"], p.present,
               {{"socketDesignation", p.socketDesignation},
                {"type", p.type},
                {"family", p.family},
                {"manufacturer", p.manufacturer},
                {"flags", p.flags},
                {"version", p.version},
                {"voltage", p.voltage},
                {"externalClock", p.externalClock},
                {"maxSpeed", p.maxSpeed},
                {"currentSpeed", p.currentSpeed},
                {"serialNumber", p.serialNumber},
                {"partNumber", p.partNumber},
                {"assetTag", p.assetTag},
                {"coreCount", p.coreCount},
                {"coresEnabled", p.coresEnabled},
                {"threadCount", p.threadCount},
                {"characteristics", p.characteristics},
                {"id", p.id},
                {"signature", p.signature}});

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
    expectRecord(list.items[i], d.present,
                 {{"formFactor", d.formFactor},
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
                  {"reserved", d.reserved}});
  }

  const Json& reserved = json["reserved"];
  EXPECT_EQ(reserved.keys(), (Keys{"present", "fields"}));
  expectNumber(reserved["present"], 0);
  ASSERT_EQ(reserved["fields"].items.size(), 3u);
  for (const Json& field : reserved["fields"].items) EXPECT_EQ(field.kind, Json::Kind::Null);
}

std::vector<SpecialFile> specialFiles(const TempDir& dir) {
  std::vector<SpecialFile> files;
  // Never the real /dev/null: a capture that wrote there would break the machine.
  const std::string device = dir.path("null");
  if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    files.push_back({device, "a character device"});
  }
  const std::string link = dir.path("link");
  if (symlink(dir.path("target").c_str(), link.c_str()) == 0) {
    files.push_back({link, "a symbolic link"});
  }
  const std::string folder = dir.path("folder");
  if (mkdir(folder.c_str(), 0755) == 0) files.push_back({folder, "a directory"});
  const std::string fifo = dir.path("fifo");
  if (mkfifo(fifo.c_str(), 0644) == 0) files.push_back({fifo, "a FIFO"});
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  const std::string socketPath = dir.path("socket");
  snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
  const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
  // The name stays when the socket is closed.
  if (bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    files.push_back({socketPath, "a socket"});
  }
  close(listening);
  return files;
}

void expectOrderlyEnd(const ProcessRun& run, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_NE(run.signal, SIGALRM) << "hangs";
  ASSERT_EQ(run.signal, 0) << "killed by signal " << run.signal << "\n" << run.err;
  ASSERT_TRUE(run.status == 0 || run.status == 2) << "exit " << run.status << "\n" << run.err;
  if (run.status == 2) {
    EXPECT_EQ(run.out, "");
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "not one line: " << run.err;
  } else {
    EXPECT_NE(run.out, "");
  }
}

void expectOneLineError(const ProcessRun& run, const std::string& what) {
  expectOrderlyEnd(run, what);
  EXPECT_EQ(run.status, 2) << what;
}

void ZentrikBadInput::expectOrderlyInEveryLayout(const Bytes& bytes, const std::string& what) {
  const std::string path = dir_.write("table", bytes);
  for (const char* format : kFormats) {
    expectOrderlyEnd(runTool({"records", "--table", path, "--format", format}),
                     what + ", --format " + format);
  }
  expectOrderlyEnd(runTool({"records", "--json", "--table", path}), what + ", --json");
}

ProcessRun ZentrikBadInput::records(const Bytes& bytes, const char* format) {
  return runTool({"records", "--table", dir_.write("table", bytes), "--format", format});
}
