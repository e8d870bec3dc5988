// Physical Memory Array and Memory Device decoding, and the memory device list across arrays.
#include "decoders/memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/held_structure.h"
#include "tests/support/reader_fixture.h"
#include "tests/support/structures.h"

namespace {

constexpr const char kOverAllocate[] = "BiosReader: trying to over allocate!";

std::string fields(const MemoryDeviceRecord& d) {
  return text(d.size) + "|" + text(d.formFactor) + "|" + text(d.locator) + "|" +
         text(d.bankLocator) + "|" + text(d.type) + "|" + text(d.speed) + "|" +
         text(d.manufacturer) + "|" + text(d.serialNumber) + "|" + text(d.assetTag) + "|" +
         text(d.partNumber) + "|" + text(d.configuredMemorySpeed) + "|" + text(d.configuredVoltage);
}

const std::string kCleared =
    "(null)|(null)|(null)|(null)|(null)|(null)|(null)|(null)|(null)|(null)|(null)|(null)";

TEST(MemoryTablesTest, EnumerationTexts) {
  const char* const kOut = "<OUT OF SPEC>";
  const struct {
    FieldText (*lookup)(uint8_t, bool*);
    std::vector<std::pair<uint8_t, const char*>> texts;
    unsigned dense;  // every value from 1 to this one has a text
  } tables[] = {
      {memoryLocationText,
       {{0x00, kOut},
        {0x03, "System Board Or Motherboard"},
        {0x0A, "NuBus"},
        {0x0B, kOut},
        {0x9F, kOut},
        {0xA0, "PC-98/C20 Add-on Card"},
        {0xA4, "CXL Flexbus 1.0"},
        {0xA5, kOut}},
       0x0A},
      {memoryUseText,
       {{0x00, kOut}, {0x03, "System Memory"}, {0x07, "Cache Memory"}, {0x08, kOut}},
       0x07},
      {memoryFormFactorText,
       {{0x00, kOut}, {0x09, "DIMM"}, {0x0D, "SODIMM"}, {0x10, "Die"}, {0x11, kOut}},
       0x10},
      {memoryTypeText,
       {{0x00, kOut},
        {0x01, "Other"},
        {0x17, "Reserved"},
        {0x1A, "DDR4"},
        {0x1F, "Logical non-volatile device"},
        {0x22, "DDR5"},
        {0x23, "LPDDR5"},
        {0x24, kOut},
        {0xFF, kOut}},
       0x23},
  };
  for (const auto& table : tables) {
    for (const auto& [value, expected] : table.texts) {
      bool named = false;
      EXPECT_EQ(made(table.lookup(value, &named)), expected) << int{value};
      EXPECT_EQ(named, expected != kOut) << int{value};
    }
    for (unsigned v = 1; v <= table.dense; ++v) {
      EXPECT_NE(made(table.lookup(static_cast<uint8_t>(v), nullptr)), kOut) << v;
    }
  }
}

MemoryNumberPie pie;

TEST(MemoryTextsTest, Sizes) {
  struct Case {
    uint16_t size;
    const char* expected;
  };
  const Case cases[] = {
      {0x0000, "Seems Fake"}, {0xFFFF, "Size Unknown"}, {0x2000, "8 GB"},
      {0x8200, "512 kB"},     {0x8400, "1 MB"},         {0x8001, "1 kB"},
      {0x7FFF, "32767 MB"},   {0x0001, "1 MB"},         {0x0600, "1536 MB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(made(memorySizeText(c.size, pie)), c.expected) << c.size;
  }
}

TEST(MemoryTextsTest, ExtendedSizes) {
  struct Case {
    uint32_t extendedSize;
    const char* expected;
  };
  const Case cases[] = {
      {0x8000, "32 GB"},
      {0x300, "768 MB"},
      {0x100000, "1 TB"},
      {0x100400, "1025 GB"},
      {0x80008000, "32 GB"},  // bit 31 is reserved
      {0x7FFFFFFF, "2147483647 MB"},
      {0x7FF00000, "2047 TB"},
      {0, "0 TB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(made(memoryExtendedSizeText(c.extendedSize, pie)), c.expected) << c.extendedSize;
  }
}

TEST(MemoryTextsTest, Speeds) {
  struct Case {
    uint16_t speed;
    uint32_t extended;
    const char* expected;
  };
  const Case cases[] = {
      {3200, 0, "3200 MT/s"},
      {3200, 8000, "3200 MT/s"},
      {0, 0, "Speed Unknown"},
      {0, 8000, "Speed Unknown"},
      {0xFFFF, 0, "Speed Unknown"},
      {0xFFFF, 8000, "8000 MT/s"},
      {0xFFFE, 0, "65534 MT/s"},
      // Ten digits: longer than the customary 13 characters, stored whole.
      {0xFFFF, 0xFFFFFFFF, "4294967295 MT/s"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(made(memorySpeedText(c.speed, c.extended, pie)), c.expected)
        << c.speed << " " << c.extended;
  }
}

TEST(MemoryTextsTest, Voltages) {
  struct Case {
    uint16_t millivolts;
    const char* expected;
  };
  const Case cases[] = {
      {0, "NA"},         {1200, "1.2 V"},  {1350, "1.35 V"},    {1500, "1.5 V"},
      {950, "0.95 V"},   {1250, "1.25 V"}, {1, "0.001 V"},      {100, "0.1 V"},
      {65500, "65.5 V"}, {1100, "1.1 V"},  {65535, "65.535 V"}, {12345, "12.345 V"},
      {60000, "60.0 V"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(made(memoryVoltageText(c.millivolts, pie)), c.expected) << c.millivolts;
  }
}

class MemoryTest : public ReaderTest {};

TEST_F(MemoryTest, SystemArrayWithItsDevices) {
  const LoadOutput output = loadStructures(
      {systemArray(4), deviceStructure(0x28, "DIMM 0"), deviceStructure(0x28, "DIMM 1"),
       deviceStructure(0x28, "DIMM 2"), deviceStructure(0x28, "DIMM 3")});
  EXPECT_EQ(output.out + output.err, "");
  EXPECT_EQ(memoryArray().present, 1);
  EXPECT_EQ(text(memoryArray().location), "System Board Or Motherboard");
  EXPECT_EQ(text(memoryArray().maximumCapacity), "32 GB");
  EXPECT_EQ(memoryArray().deviceCount, 4u);
  ASSERT_NE(devices(), nullptr);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(fields(devices()[i]),
              "8 GB|DIMM|DIMM " + std::to_string(i) +
                  "|BANK 0|DDR4|3200 MT/s|Maker|1234|Tag|Part|2933 MT/s|1.2 V")
        << i;
    EXPECT_EQ(devices()[i].present, 0);
    EXPECT_EQ(devices()[i].reserved, nullptr);
  }
  EXPECT_EQ(deviceFillIndex, 4u);
}

// Each length fills the fields it holds, in the order of fields(); below 0x15 nothing.
TEST_F(MemoryTest, DeviceLengthGates) {
  const std::string all[] = {"8 GB",  "DIMM", "DIMM 0", "BANK 0", "DDR4",      "3200 MT/s",
                             "Maker", "1234", "Tag",    "Part",   "2933 MT/s", "1.2 V"};
  const struct {
    uint8_t length;
    size_t filled;  // of the fields above, in order; 0: the structure takes no entry
  } cases[] = {{0x14, 0},  {0x15, 5},  {0x16, 5},  {0x17, 6},  {0x1A, 6},
               {0x1B, 10}, {0x21, 10}, {0x22, 11}, {0x27, 11}, {0x28, 12}};
  for (const auto& c : cases) {
    freshReader();
    loadStructures({systemArray(1), deviceStructure(c.length)});
    ASSERT_NE(devices(), nullptr);
    std::string expected;
    for (size_t i = 0; i < 12; ++i)
      expected += (i > 0 ? "|" : "") + (i < c.filled ? all[i] : "(null)");
    EXPECT_EQ(fields(devices()[0]), expected) << int{c.length};
    EXPECT_EQ(deviceFillIndex, c.filled > 0 ? 1u : 0u) << int{c.length};
  }
}

TEST_F(MemoryTest, EmptySlotKeepsOnlyItsDescription) {
  loadStructures({systemArray(2), deviceStructure(0x5C, "A1", 0), deviceStructure(0x28, "A2")});
  EXPECT_EQ(fields(devices()[0]),
            "Seems Fake|DIMM|A1|BANK 0|DDR4|(null)|(null)|(null)|(null)|(null)|(null)|(null)");
  EXPECT_EQ(text(devices()[1].locator), "A2");
  EXPECT_EQ(deviceFillIndex, 2u);
}

TEST_F(MemoryTest, ExtendedSizeAndSpeedsNeedTheirLength) {
  struct Case {
    uint8_t length;
    const char* size;
    const char* speed;
    const char* configuredSpeed;
  };
  const Case cases[] = {
      {0x1F, "32767 MB", "Speed Unknown", "(null)"},
      {0x20, "32 GB", "Speed Unknown", "(null)"},
      {0x5B, "32 GB", "Speed Unknown", "Speed Unknown"},
      {0x5C, "32 GB", "8000 MT/s", "7200 MT/s"},
  };
  for (const Case& c : cases) {
    freshReader();
    Structure device = deviceStructure(c.length, "DIMM 0", 0x7FFF).u16(0x15, 0xFFFF);
    if (c.length >= 0x20) device.u32(0x1C, 0x8000);
    if (c.length >= 0x22) device.u16(0x20, 0xFFFF);
    if (c.length >= 0x5C) device.u32(0x54, 8000).u32(0x58, 7200);
    loadStructures({systemArray(1), device});
    EXPECT_EQ(text(devices()[0].size), c.size) << int{c.length};
    EXPECT_EQ(text(devices()[0].speed), c.speed) << int{c.length};
    EXPECT_EQ(text(devices()[0].configuredMemorySpeed), c.configuredSpeed) << int{c.length};
  }
}

TEST_F(MemoryTest, MaximumCapacities) {
  struct Case {
    const char* name;
    uint32_t capacity;
    uint8_t length;
    uint64_t extended;
    const char* expected;
  };
  const Case cases[] = {
      {"32 GB in kB", 0x02000000, 0x0F, 0, "32 GB"},
      {"unknown in a short structure", 0x80000000, 0x0F, 0, "Capacity Unknown"},
      {"extended field past the length", 0x80000000, 0x16, 0, "Capacity Unknown"},
      {"extended 2 TB", 0x80000000, 0x17, 1ull << 41, "2 TB"},
      {"extended 2.5 TB", 0x80000000, 0x17, (1ull << 41) + (1ull << 39), "2560 GB"},
      {"extended 10.5 TB", 0x80000000, 0x17, 10752ull << 30, "10752 GB"},
      {"extended in bytes", 0x80000000, 0x17, 1000, "1000 bytes"},
      {"extended zero", 0x80000000, 0x17, 0, "0 bytes"},
      {"extended ignored below 0x80000000", 0x00100000, 0x17, 1ull << 41, "1 GB"},
      {"seven digits of kB", 1048575, 0x0F, 0, "1048575 kB"},
      {"widest 32-bit count", 0xFFFFFFFF, 0x0F, 0, "4095 GB"},
      {"zero", 0, 0x0F, 0, "0 kB"},
  };
  for (const Case& c : cases) {
    freshReader();
    Structure array = memoryArrayStructure(0x03, 2, c.capacity, c.length);
    if (c.length >= 0x17) array.u64(0x0F, c.extended);
    loadStructures({array});
    EXPECT_EQ(text(memoryArray().maximumCapacity), c.expected) << c.name;
  }
}

TEST_F(MemoryTest, ShortArrayOnlyZeroesTheDeviceCount) {
  loadStructures({systemArray(2), deviceStructure(0x28, "A1"),
                  memoryArrayStructure(0x03, 3, 0x02000000, 0x0E)});
  EXPECT_EQ(memoryArray().deviceCount, 0u);
  ASSERT_NE(devices(), nullptr);
  EXPECT_EQ(text(devices()[0].locator), "A1");
  EXPECT_EQ(deviceFillIndex, 1u);
  EXPECT_EQ(text(memoryArray().maximumCapacity), "32 GB");
}

TEST_F(MemoryTest, NonSystemArrayFirstStoresNothing) {
  const LoadOutput output =
      loadStructures({memoryArrayStructure(0x04, 2), deviceStructure(0x28, "V1")});
  EXPECT_EQ(output.out + output.err, "");
  EXPECT_EQ(memoryArray().present, 0);
  EXPECT_EQ(memoryArray().deviceCount, 0u);
  EXPECT_EQ(memoryArray().location, nullptr);
  EXPECT_EQ(memoryArray().maximumCapacity, nullptr);
  // No list: the device that follows has nowhere to go and is dropped.
  EXPECT_EQ(devices(), nullptr);
  EXPECT_EQ(deviceFillIndex, 0u);
}

TEST_F(MemoryTest, ArraysAfterTheSystemArrayAreStoredWhateverTheirUse) {
  const LoadOutput output = loadStructures(
      {memoryArrayStructure(0x04, 2, 0x400), systemArray(2), deviceStructure(0x28, "A1"),
       memoryArrayStructure(0x07, 1, 0x100), deviceStructure(0x28, "C1")});
  EXPECT_EQ(output.out, kOverAllocate);
  EXPECT_EQ(memoryArray().present, 1);
  EXPECT_EQ(text(memoryArray().maximumCapacity), "256 kB");
  EXPECT_EQ(memoryArray().deviceCount, 1u);
  EXPECT_EQ(text(devices()[0].locator), "C1");
  EXPECT_EQ(deviceFillIndex, 1u);
}

TEST_F(MemoryTest, LaterArrayClearsAndRestartsTheList) {
  const LoadOutput output =
      loadStructures({systemArray(3), deviceStructure(0x28, "A1"), deviceStructure(0x28, "A2"),
                      deviceStructure(0x28, "A3"), systemArray(2), deviceStructure(0x28, "B1")});
  EXPECT_EQ(output.out, kOverAllocate);
  EXPECT_EQ(output.err, "");
  EXPECT_EQ(memoryArray().deviceCount, 2u);
  EXPECT_EQ(memoryDeviceCapacity, 3u);
  EXPECT_EQ(text(devices()[0].locator), "B1");
  EXPECT_EQ(fields(devices()[1]), kCleared);
  // Beyond the later count: kept as it was.
  EXPECT_EQ(text(devices()[2].locator), "A3");
  EXPECT_EQ(deviceFillIndex, 1u);
}

TEST_F(MemoryTest, LaterArrayAnnouncingMoreDevicesGrowsTheList) {
  const LoadOutput output =
      loadStructures({systemArray(1), deviceStructure(0x28, "A1"), systemArray(3),
                      deviceStructure(0x28, "B1"), deviceStructure(0x28, "B2")});
  EXPECT_EQ(output.out, kOverAllocate);
  EXPECT_EQ(memoryArray().deviceCount, 3u);
  ASSERT_EQ(memoryDeviceCapacity, 3u);
  EXPECT_EQ(text(devices()[0].locator), "B1");
  EXPECT_EQ(text(devices()[1].locator), "B2");
  EXPECT_EQ(fields(devices()[2]), kCleared);
  EXPECT_EQ(deviceFillIndex, 2u);
}

TEST_F(MemoryTest, DevicesBeyondTheListAreDropped) {
  const LoadOutput output =
      loadStructures({systemArray(2), deviceStructure(0x28, "A1"), deviceStructure(0x28, "A2"),
                      deviceStructure(0x28, "A3"), deviceStructure(0x28, "A4")});
  EXPECT_EQ(output.out + output.err, "");
  EXPECT_EQ(memoryDeviceCapacity, 2u);
  EXPECT_EQ(text(devices()[0].locator), "A1");
  EXPECT_EQ(text(devices()[1].locator), "A2");
  EXPECT_EQ(deviceFillIndex, 2u);
}

TEST_F(MemoryTest, DevicesWithoutAListAreDropped) {
  struct Case {
    const char* name;
    Bytes array;
  };
  const Case cases[] = {
      {"no array at all", {}},
      {"system array without devices", systemArray(0)},
      {"array too short", memoryArrayStructure(0x03, 2, 0x400, 0x0E)},
  };
  for (const Case& c : cases) {
    freshReader();
    const LoadOutput output = loadStructures({c.array, deviceStructure(0x28, "X")});
    EXPECT_EQ(output.out + output.err, "") << c.name;
    EXPECT_EQ(devices(), nullptr) << c.name;
    EXPECT_EQ(deviceFillIndex, 0u) << c.name;
  }
}

// The tables of real machines, as bare tables wrapped in the platform's layout.
class MemoryRealTableTest : public ReaderTest {};

TEST_F(MemoryRealTableTest, ArraysAndDevices) {
  struct Device {
    const char* locator;
    const char* size;
    const char* speed;
    const char* type;
  };
  struct Case {
    const char* file;
    const char* maximumCapacity;
    uint32_t deviceCount;
    std::vector<Device> devices;
  };
  const Case cases[] = {
      {"fwupd-sysfs-T440s.DMI",
       "12 GB",
       2,
       {{"ChannelA", "4 GB", "1600 MT/s", "DDR3"},
        {"ChannelB-DIMM0", "8 GB", "1600 MT/s", "DDR3"}}},
      {"fwupdtf-DMI-ProLiant-MicroServer.bin",
       "8 GB",
       2,
       {{"DIMM0", "1 GB", "1333 MT/s", "Other"}, {"DIMM1", "1 GB", "1333 MT/s", "Other"}}},
      // Empty slots keep no speed; the modules' size lies in the extended field.
      {"gosmbios-ASRock-Single-Ryzen.dmi",
       "128 GB",
       4,
       {{"DIMM 0", "Seems Fake", "(null)", "Unknown"},
        {"DIMM 1", "32 GB", "2400 MT/s", "DDR4"},
        {"DIMM 0", "Seems Fake", "(null)", "Unknown"},
        {"DIMM 1", "32 GB", "2400 MT/s", "DDR4"}}},
      {"gosmbios-Dell-PowerEdge-R630-Dual-Xeon.dmi",
       "3 TB",
       24,
       {{"A1", "Seems Fake", "(null)", "Unknown"},
        {"A2", "Seems Fake", "(null)", "Unknown"},
        {"A3", "16 GB", "2400 MT/s", "DDR4"},
        {"A4", "16 GB", "2400 MT/s", "DDR4"}}},
      {"fwupdtf-intel-me-ROG-Z790.DMI",
       "256 GB",
       4,
       {{"Controller0-DIMM0", "Seems Fake", "(null)", "Unknown"},
        {"Controller0-DIMM1", "16 GB", "4800 MT/s", "DDR5"}}},
  };
  SKIP_WITHOUT_SHARED_TABLES();
  for (const Case& c : cases) {
    freshReader();
    load(sharedTableRaw(c.file));
    EXPECT_EQ(text(memoryArray().location), "System Board Or Motherboard") << c.file;
    EXPECT_EQ(text(memoryArray().maximumCapacity), c.maximumCapacity) << c.file;
    ASSERT_EQ(memoryArray().deviceCount, c.deviceCount) << c.file;
    // The list holds deviceCount entries, each filled by one structure of the table.
    ASSERT_GE(memoryDeviceCapacity, c.deviceCount) << c.file;
    EXPECT_EQ(deviceFillIndex, c.deviceCount) << c.file;
    for (uint32_t i = 0; i < c.deviceCount; ++i) {
      EXPECT_NE(devices()[i].locator, nullptr) << c.file << " " << i;
    }
    for (size_t i = 0; i < c.devices.size(); ++i) {
      const MemoryDeviceRecord& d = devices()[i];
      EXPECT_EQ(text(d.locator), c.devices[i].locator) << c.file << " " << i;
      EXPECT_EQ(text(d.size), c.devices[i].size) << c.file << " " << i;
      EXPECT_EQ(text(d.speed), c.devices[i].speed) << c.file << " " << i;
      EXPECT_EQ(text(d.type), c.devices[i].type) << c.file << " " << i;
    }
  }
}

TEST_F(MemoryRealTableTest, SecondArrayRefillsTheList) {
  SKIP_WITHOUT_SHARED_TABLES();
  // One array of eight slots per processor, each followed by its eight modules.
  const LoadOutput output = load(sharedTableRaw("gosmbios-SuperMicro-Dual-Xeon.dmi"));
  EXPECT_EQ(output.out, kOverAllocate);
  EXPECT_EQ(memoryArray().deviceCount, 8u);
  EXPECT_EQ(memoryDeviceCapacity, 8u);
  EXPECT_EQ(deviceFillIndex, 8u);
  EXPECT_EQ(text(memoryArray().maximumCapacity), "128 GB");
  EXPECT_EQ(fields(devices()[0]),
            "4 GB|DIMM|P2-DIMME1|P1_Node1_Channel0_Dimm0|DDR3|1333 MT/s|Hynix Semiconductor    "
            "       |2B58ED66    |Dimm0_AssetTag|HMT351R7CFR4A-H9  |1333 MT/s|(null)");
  EXPECT_EQ(text(devices()[7].locator), "P2-DIMMH2");
}

}  // namespace
