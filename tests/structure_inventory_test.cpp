// Every structure decoded on its own, beside the records of the one-time load.
#include "reader/structure_inventory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "base/raw_header.h"
#include "tablefile/table_file.h"
#include "tests/support/reader_fixture.h"
#include "tests/support/table_builder.h"

namespace {

// What the walk handed over, copied while it was alive.
struct Seen {
  uint8_t type;
  uint16_t handle;
  std::string text;  // the record's telling text: vendor, id, location, size
  int statusByte;
  int32_t arrayHandle;
};

void collect(const InventoryStructure* s, void* context) {
  auto* seen = static_cast<std::vector<Seen>*>(context);
  const char* text = s->bios           ? s->bios->vendor
                     : s->processor    ? s->processor->id
                     : s->memoryArray  ? s->memoryArray->location
                     : s->memoryDevice ? s->memoryDevice->size
                     : s->biosLanguage ? s->biosLanguage->currentLanguage
                                       : s->systemProduct;
  seen->push_back(
      {s->type, s->handle, text == nullptr ? "(null)" : text, s->statusByte, s->arrayHandle});
}

class StructureInventory : public ReaderTest {};

TEST_F(StructureInventory, EachStructureAloneAndTheLoadUntouched) {
  const Bytes table = tableOf({
      Structure(0, 0x12, 0x0001).u8(0x04, 1).str("First\x01"),
      // Devices before any array: the load drops them, alone each one is decoded.
      Structure(17, 0x15, 0x0011).u16(0x04, 0x0010).u16(0x0C, 0x2000),
      Structure(4, 0x1A, 0x0004).u64(0x08, 0x0102030405060708ull),
      Structure(4, 0x19, 0x0005).u8(0x18, 0x41),  // too short for the decoder, not for Status
      Structure(16, 0x0F, 0x0010).u8(0x04, 3).u8(0x05, 3).u16(0x0D, 2),
      Structure(16, 0x0F, 0x0012).u8(0x04, 3).u8(0x05, 3).u16(0x0D, 1),
      Structure(13, 0x16, 0x000D).u8(0x15, 1).str("en"),
      Structure(1, 0x08, 0x0100).u8(0x05, 1).str("Product\x02"),
      Structure(2, 0x08, 0x0200).str("not inventoried"),
      Structure(0, 0x12, 0x0002).u8(0x04, 1).str("Second"),
      endOfTable(),
  });
  const LoadOutput loaded = loadTable(table);
  const ProcessorRecord processorBefore = processor();
  const MemoryArrayRecord arrayBefore = memoryArray();
  MemoryDeviceRecord* const devicesBefore = devices();
  const std::string vendorBefore = bios().vendor;

  std::vector<Seen> seen;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const std::vector<uint8_t> copy = table;
  EXPECT_TRUE(
      walkStructureInventory(copy.data(), static_cast<uint32_t>(copy.size()), collect, &seen));
  // Silent, even where the load writes "BiosReader: trying to over allocate!".
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(loaded.out, "BiosReader: trying to over allocate!");
  EXPECT_EQ(copy, table) << "the caller's bytes were changed";

  const std::vector<std::tuple<int, int, std::string, int, int32_t>> expected = {
      {0, 0x0001, "First.", -1, -1},
      {17, 0x0011, "8 GB", -1, 0x0010},
      {4, 0x0004, "08 07 06 05 04 03 02 01", 0, -1},
      {4, 0x0005, "(null)", 0x41, -1},
      {16, 0x0010, "System Board Or Motherboard", -1, -1},
      {16, 0x0012, "System Board Or Motherboard", -1, -1},
      {13, 0x000D, "en", -1, -1},
      {1, 0x0100, "Product.", -1, -1},
      {0, 0x0002, "Second", -1, -1},
  };
  ASSERT_EQ(seen.size(), expected.size());
  for (size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(std::make_tuple(int{seen[i].type}, int{seen[i].handle}, seen[i].text,
                              seen[i].statusByte, seen[i].arrayHandle),
              expected[i]);
  }

  // The records getRecord hands out are those of the load, pointer for pointer.
  EXPECT_EQ(memcmp(&processor(), &processorBefore, sizeof processorBefore), 0);
  EXPECT_EQ(memcmp(&memoryArray(), &arrayBefore, sizeof arrayBefore), 0);
  EXPECT_EQ(devices(), devicesBefore);
  EXPECT_EQ(bios().vendor, vendorBefore);
}

// Where the load's walk stops, this one stops: a length below the header, a structure the
// table cuts off; and it says how it ended, as the load's messages do.
TEST_F(StructureInventory, StopsWhereTheLoadStops) {
  const Bytes bios = Structure(0, 0x12).u8(0x04, 1).str("V");
  const struct {
    const char* what;
    Bytes table;
    size_t structures;  // handed over
    InventoryWalk walk;
  } cases[] = {
      {"whole", tableOf({bios, endOfTable()}), 1, {2, 2, kWalkComplete}},
      {"length 3 behind the BIOS",
       tableOf({bios, Structure(4, 3), bios}),
       1,
       {1, 11, kWalkBrokenLength}},
      {"formatted area cut off",
       tableOf({bios, Bytes{4, 0x30, 0, 0, 0}}),
       1,
       {1, 2, kWalkTruncated}},
      // Its strings run past the end: decoded, then the walk ends.
      {"strings cut off",
       tableOf({bios, Structure(0, 0x12).u8(0x04, 1).rawStrings({'A', 'B'})}),
       2,
       {1, 2, kWalkTruncated}},
      {"three bytes", Bytes{0, 0x12, 0}, 0, {0, 1, kWalkComplete}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Seen> seen;
    InventoryWalk walk = {};
    EXPECT_TRUE(walkStructureInventory(c.table.data(), static_cast<uint32_t>(c.table.size()),
                                       collect, &seen, &walk));
    EXPECT_EQ(seen.size(), c.structures);
    EXPECT_EQ(std::make_tuple(walk.structures, walk.counted, walk.end),
              std::make_tuple(c.walk.structures, c.walk.counted, c.walk.end));
  }
}

// ---- The numbers beside the texts ----

// The value a number text stands for, in the unit given by its suffix; false for any other text
// (the package's words for an unknown value, or no text).
bool textValue(const char* text, uint64_t* value, uint64_t* unit) {
  if (text == nullptr) return false;
  const struct {
    const char* suffix;
    uint64_t unit;
  } units[] = {{" bytes", 1},       {" kB", 1ull << 10}, {" MB", 1ull << 20},
               {" GB", 1ull << 30}, {" TB", 1ull << 40}, {" PB", 1ull << 50},
               {" EB", 1ull << 60}, {" MHz", 1},         {" MT/s", 1}};
  char* end = nullptr;
  const unsigned long long number = strtoull(text, &end, 10);
  if (end == text) return false;
  for (const auto& u : units) {
    if (strcmp(end, u.suffix) == 0) {
      *value = number;
      *unit = u.unit;
      return true;
    }
  }
  if (*end == '\0') {  // a count
    *value = number;
    *unit = 1;
    return true;
  }
  return false;
}

// A size text is the number in its largest whole unit, cut short where it does not divide; a
// speed or count is the number itself.
void expectAgrees(const char* what, const char* text, const InventoryNumber& number) {
  SCOPED_TRACE(std::string(what) + ": " + (text != nullptr ? text : "(null)"));
  uint64_t value = 0;
  uint64_t unit = 0;
  const bool isNumber = textValue(text, &value, &unit);
  ASSERT_EQ(number.known, isNumber);
  if (!isNumber) return;
  EXPECT_LE(value * unit, number.value);
  EXPECT_LT(number.value - value * unit, unit == 1 ? 1 : unit);
}

// Volts as the package writes them ("1.2 V", "1.35 V"); its older encoding may name several.
void expectVoltageAgrees(const char* text, const InventoryNumber& millivolts) {
  SCOPED_TRACE(text != nullptr ? text : "(null)");
  unsigned volts = 0;
  char fraction[4] = {};
  const bool one = text != nullptr && sscanf(text, "%u.%3[0-9] V", &volts, fraction) == 2 &&
                   strchr(text, 'V') == strrchr(text, 'V');
  ASSERT_EQ(millivolts.known, one);
  if (!one) return;
  std::string thousandths = std::string(fraction) + "000";
  EXPECT_EQ(millivolts.value, volts * 1000u + std::stoul(thousandths.substr(0, 3)));
}

void checkNumbers(const InventoryStructure* s, void*) {
  const InventoryNumbers& n = s->numbers;
  if (s->bios != nullptr) expectAgrees("ROM size", s->bios->romSize, n.romSizeBytes);
  if (s->processor != nullptr) {
    const ProcessorRecord& p = *s->processor;
    expectVoltageAgrees(p.voltage, n.voltageMillivolts);
    expectAgrees("external clock", p.externalClock, n.externalClockMHz);
    expectAgrees("max speed", p.maxSpeed, n.maxSpeedMHz);
    expectAgrees("current speed", p.currentSpeed, n.currentSpeedMHz);
    expectAgrees("cores", p.coreCount, n.coreCount);
    expectAgrees("cores enabled", p.coresEnabled, n.coresEnabled);
    expectAgrees("threads", p.threadCount, n.threadCount);
  }
  if (s->memoryArray != nullptr) {
    expectAgrees("capacity", s->memoryArray->maximumCapacity, n.maximumCapacityBytes);
  }
  if (s->memoryDevice != nullptr) {
    const MemoryDeviceRecord& d = *s->memoryDevice;
    EXPECT_EQ(n.installed, d.size == nullptr ? -1 : strcmp(d.size, "Seems Fake") == 0 ? 0 : 1);
    expectAgrees("size", d.size, n.sizeBytes);
    expectAgrees("speed", d.speed, n.speedMTs);
    expectAgrees("configured speed", d.configuredMemorySpeed, n.configuredSpeedMTs);
    expectVoltageAgrees(d.configuredVoltage, n.configuredMillivolts);
  }
}

// Every number agrees with the text the package stores from the same structure, on the samples,
// the fuzz seeds (every length gate and odd value of them) and the real machines' tables.
TEST_F(StructureInventory, NumbersAgreeWithTheTexts) {
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
  ASSERT_GT(inputs.size(), 100u);
  for (const std::string& path : inputs) {
    SCOPED_TRACE(path);
    // The seeds are rsmb buffers whatever they hold; the tables are read as the tool reads them.
    TextBuffer raw;
    TextBuffer error;
    const TableFormat format =
        path.find("/fuzz/") != std::string::npos ? TableFormat::Rsmb : TableFormat::Auto;
    if (!readTableInput(path.c_str(), format, &raw, &error)) continue;
    RawHeader header{};
    if (!readRawHeader(raw.bytes(), raw.size(), &header)) continue;
    EXPECT_TRUE(walkStructureInventory(raw.bytes() + kRawHeaderSize,
                                       deliveredTableLength(header, raw.size()), checkNumbers,
                                       nullptr));
  }
}

}  // namespace
