// The one-time load observed: every structure's facts as the records are stored from them, how
// the walk ended, and the numbers beside the texts.
#include "reader/load_observer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "decoders/record_fields.h"
#include "tests/support/reader_fixture.h"
#include "tests/support/table_builder.h"

namespace {

// What the walk handed over, copied while it was alive.
struct Seen {
  uint32_t position;
  uint8_t type;
  uint16_t handle;
  std::string text;  // the structure's telling string: vendor, socket, locator, ...
};

std::string telling(const StringFact& s) {
  return std::string(s.text, s.length);
}

struct Observed {
  std::vector<Seen> seen;
  InventoryWalk walk = {};
  int walks = 0;
};

void collect(uint32_t position, const StructureFacts* f, void* context) {
  std::string text = "-";
  uint16_t handle = 0;
  switch (f->type) {
    case 0:
      text = telling(f->bios.vendor), handle = f->bios.handle;
      break;
    case 1:
      text = telling(f->system.productName), handle = f->system.handle;
      break;
    case 4:
      text = telling(f->processor.socketDesignation), handle = f->processor.handle;
      break;
    case 13:
      text = telling(f->biosLanguage.current), handle = f->biosLanguage.handle;
      break;
    case 16:
      handle = f->memoryArray.handle;
      break;
    case 17:
      text = telling(f->memoryDevice.locator), handle = f->memoryDevice.handle;
      break;
  }
  static_cast<Observed*>(context)->seen.push_back({position, f->type, handle, text});
}

void ended(const InventoryWalk* walk, void* context) {
  static_cast<Observed*>(context)->walk = *walk;
  ++static_cast<Observed*>(context)->walks;
}

class LoadObserved : public ReaderTest {
 protected:
  // Loads table with its structures observed, and nothing else.
  Observed observed(const Bytes& table) {
    Observed o;
    const LoadObserver observer = {collect, ended, nullptr, &o};
    observeLoad(&observer);
    last_ = loadTable(table);
    observeLoad(nullptr);
    return o;
  }
  LoadOutput last_;
};

TEST_F(LoadObserved, EveryStructureOnceAsTheRecordsAreStored) {
  const Bytes table = tableOf({
      Structure(0, 0x12, 0x0001).u8(0x04, 1).str("First\x01"),
      // Devices before any array: the load drops them, their facts are read.
      Structure(17, 0x15, 0x0011).u16(0x04, 0x0010).u8(0x10, 1).str("A1"),
      Structure(4, 0x1A, 0x0004).u8(0x04, 1).str("CPU0"),
      Structure(16, 0x0F, 0x0010).u8(0x04, 3).u8(0x05, 3).u16(0x0D, 2),
      Structure(16, 0x0F, 0x0012).u8(0x04, 3).u8(0x05, 3).u16(0x0D, 1),
      Structure(13, 0x16, 0x000D).u8(0x15, 1).str("en"),
      Structure(1, 0x08, 0x0100).u8(0x05, 1).str("Product\x02"),
      Structure(2, 0x08, 0x0200).str("not read"),
      Structure(0, 0x12, 0x0002).u8(0x04, 2).str("x").str("Second"),
      endOfTable(),
  });
  const Observed o = observed(table);
  // The messages still go to their streams where nobody observes them.
  EXPECT_EQ(last_.out, "BiosReader: trying to over allocate!");
  EXPECT_EQ(o.walks, 1);
  EXPECT_EQ(std::make_tuple(o.walk.structures, o.walk.counted, o.walk.end),
            std::make_tuple(10u, 10, kWalkComplete));
  const std::vector<std::tuple<uint32_t, int, int, std::string>> expected = {
      {1, 0, 0x0001, "First."},   {2, 17, 0x0011, "A1"},    {3, 4, 0x0004, "CPU0"},
      {4, 16, 0x0010, "-"},       {5, 16, 0x0012, "-"},     {6, 13, 0x000D, "en"},
      {7, 1, 0x0100, "Product."}, {9, 0, 0x0002, "Second"},
  };
  ASSERT_EQ(o.seen.size(), expected.size());
  for (size_t i = 0; i < o.seen.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(std::make_tuple(o.seen[i].position, int{o.seen[i].type}, int{o.seen[i].handle},
                              o.seen[i].text),
              expected[i]);
  }
  // The records are those of the same facts: the last BIOS's vendor, the processor's socket.
  EXPECT_STREQ(bios().vendor, "Second");
  EXPECT_STREQ(processor().socketDesignation, "CPU0");
  // Observed or not, the load stores the same records.
  freshReader();
  loadTable(table);
  EXPECT_STREQ(bios().vendor, "Second");
  EXPECT_STREQ(memoryArray().location, "System Board Or Motherboard");
}

// The walk's end as the load's messages tell it: a length below the header, a structure the
// table cuts off.
TEST_F(LoadObserved, HowTheWalkEnded) {
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
    freshReader();
    const Observed o = observed(c.table);
    const InventoryWalk& walk = o.walk;
    EXPECT_EQ(o.seen.size(), c.structures);
    EXPECT_EQ(std::make_tuple(walk.structures, walk.counted, walk.end),
              std::make_tuple(c.walk.structures, c.walk.counted, c.walk.end));
  }
}

// ---- The numbers beside the texts ----

// The value a number text stands for, in the unit given by its suffix; false for any other text
// (the package's words for an unknown value, or no text).
bool textValue(const std::string& text, uint64_t* value, uint64_t* unit) {
  const struct {
    const char* suffix;
    uint64_t unit;
  } units[] = {{" bytes", 1},       {" kB", 1ull << 10}, {" MB", 1ull << 20},
               {" GB", 1ull << 30}, {" TB", 1ull << 40}, {" PB", 1ull << 50},
               {" EB", 1ull << 60}, {" MHz", 1},         {" MT/s", 1}};
  char* end = nullptr;
  const unsigned long long number = strtoull(text.c_str(), &end, 10);
  if (end == text.c_str()) return false;
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
// speed or count is the number itself. Volts as the package writes them ("1.2 V", "1.35 V"); its
// older encoding may name several.
void expectAgrees(const char* key, const FieldValue& value) {
  if (value.text.text == nullptr) {
    EXPECT_FALSE(value.known) << key;
    return;
  }
  const std::string text(value.text.text, value.text.length);
  SCOPED_TRACE(std::string(key) + ": " + text);
  if (strstr(key, "illivolts") != nullptr) {
    unsigned volts = 0;
    char fraction[4] = {};
    const bool one = sscanf(text.c_str(), "%u.%3[0-9] V", &volts, fraction) == 2 &&
                     text.find('V') == text.rfind('V');
    ASSERT_EQ(value.known, one);
    if (one) {
      const std::string thousandths = std::string(fraction) + "000";
      EXPECT_EQ(value.number, volts * 1000u + std::stoul(thousandths.substr(0, 3)));
    }
    return;
  }
  uint64_t number = 0;
  uint64_t unit = 0;
  const bool isNumber = textValue(text, &number, &unit);
  ASSERT_EQ(value.known, isNumber);
  if (!isNumber) return;
  EXPECT_LE(number * unit, value.number);
  EXPECT_LT(value.number - number * unit, unit);
}

template <const auto& kFields, typename Facts>
void checkNumbers(const Facts& facts) {
  FieldRoom room;
  for (const auto& field : kFields) {
    if (field.form == JsonForm::kNumber) expectAgrees(field.jsonKey(), field.value(facts, room));
  }
}

void checkNumbersOf(uint32_t, const StructureFacts* f, void*) {
  switch (f->type) {
    case 0:
      return checkNumbers<kBiosFields>(f->bios);
    case 4:
      return checkNumbers<kProcessorFields>(f->processor);
    case 16:
      return checkNumbers<kMemoryArrayFields>(f->memoryArray);
    case 17:
      return checkNumbers<kMemoryDeviceFields>(f->memoryDevice);
  }
}

// Every number agrees with the text the package makes of the same facts, on the samples, the
// fuzz seeds (every length gate and odd value of them) and the real machines' tables.
TEST_F(LoadObserved, NumbersAgreeWithTheTexts) {
  const std::vector<std::string> inputs = everyTableInput();
  ASSERT_GT(inputs.size(), 100u);
  for (const std::string& path : inputs) {
    SCOPED_TRACE(path);
    Bytes raw;
    if (!readTableAsRaw(path, &raw)) continue;
    freshReader();
    const LoadObserver observer = {checkNumbersOf, nullptr, nullptr, nullptr};
    observeLoad(&observer);
    load(raw);
    observeLoad(nullptr);
  }
}

}  // namespace
