// Every structure decoded on its own, beside the records of the one-time load.
#include "reader/structure_inventory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

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
                                       : s->biosLanguage->currentLanguage;
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
      Structure(1, 0x08, 0x0100).str("not inventoried"),
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
// table cuts off.
TEST_F(StructureInventory, StopsWhereTheLoadStops) {
  const Bytes bios = Structure(0, 0x12).u8(0x04, 1).str("V");
  const struct {
    const char* what;
    Bytes table;
    size_t structures;
  } cases[] = {
      {"length 3 behind the BIOS", tableOf({bios, Structure(4, 3), bios}), 1},
      {"formatted area cut off", tableOf({bios, Bytes{4, 0x30, 0, 0, 0}}), 1},
      // Its strings run past the end: decoded, then the walk ends.
      {"strings cut off", tableOf({bios, Structure(0, 0x12).u8(0x04, 1).rawStrings({'A', 'B'})}),
       2},
      {"three bytes", Bytes{0, 0x12, 0}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Seen> seen;
    EXPECT_TRUE(walkStructureInventory(c.table.data(), static_cast<uint32_t>(c.table.size()),
                                       collect, &seen));
    EXPECT_EQ(seen.size(), c.structures);
  }
}

}  // namespace
