#include "tests/support/reader_fixture.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/serving/served_firmware_table.h"
#include "reader/testing.h"
#include "tablefile/table_file.h"

void ReaderTest::SetUp() {
  resetReaderForTesting();
  platform::resetFirmwareTableCallCount();
}

void ReaderTest::TearDown() {
  platform::serveLiveTable();
  resetReaderForTesting();
}

LoadOutput ReaderTest::load(const Bytes& raw) {
  platform::serveRawTable(raw.data(), raw.size());
  fflush(stdout);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  getRecord(0);
  fflush(stdout);
  fflush(stderr);
  LoadOutput output;
  output.err = testing::internal::GetCapturedStderr();
  output.out = testing::internal::GetCapturedStdout();
  return output;
}

std::string countAndLengthMessages(int32_t announced, int32_t decoded, size_t announcedBytes,
                                   size_t occupiedBytes) {
  return "Wrong DMI structures count: " + std::to_string(announced) + " announced, only " +
         std::to_string(decoded) +
         " decoded.\nWrong DMI structures length: " + std::to_string(announcedBytes) +
         " bytes announced, structures occupy " + std::to_string(occupiedBytes) + " bytes.\n";
}

std::string text(const char* field) {
  return field != nullptr ? field : "(null)";
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string samplePath(const std::string& name) {
  return std::string(ZENTRIK_SAMPLES) + "/" + name + ".rsmb";
}

std::string sharedTable(const std::string& file) {
  return std::string(ZENTRIK_SHARED_TABLES) + "/" + file;
}

bool haveSharedTables() {
  return std::filesystem::is_directory(ZENTRIK_SHARED_TABLES);
}

Bytes sharedTableRaw(const std::string& file) {
  const Bytes bytes = readFile(sharedTable(file));
  const std::string ext = std::filesystem::path(file).extension().string();
  if (ext == ".dat" || ext == ".rsmb") return bytes;
  if (bytes.size() > 0x20 && std::equal(bytes.begin(), bytes.begin() + 5, "_SM3_")) {
    return rawBuffer(Bytes(bytes.begin() + 0x20, bytes.end()), bytes[7], bytes[8]);
  }
  return rawBuffer(bytes, 0, 0);
}

std::vector<std::string> everyTableInput() {
  std::vector<std::string> inputs;
  const std::string fuzzSeeds = std::string(ZENTRIK_SAMPLES) + "/../fuzz/corpus/load";
  for (const std::string& dir :
       {std::string(ZENTRIK_SAMPLES), fuzzSeeds, std::string(ZENTRIK_SHARED_TABLES)}) {
    if (!std::filesystem::is_directory(dir)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      const std::string ext = entry.path().extension().string();
      if (entry.is_regular_file() && ext != ".md" && ext != ".smbios_entry_point" &&
          ext != ".txt" && ext != ".json" && ext != ".cpp" && ext != ".cmake" && ext != ".sh") {
        inputs.push_back(entry.path().string());
      }
    }
  }
  return inputs;
}

bool readTableAsRaw(const std::string& path, Bytes* raw) {
  TextBuffer bytes;
  TextBuffer error;
  const TableFormat format =
      path.find("/fuzz/") != std::string::npos ? TableFormat::Rsmb : TableFormat::Auto;
  if (!readTableInput(path.c_str(), format, &bytes, &error)) return false;
  raw->assign(bytes.bytes(), bytes.bytes() + bytes.size());
  return true;
}
