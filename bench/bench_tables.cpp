#include "bench/bench_tables.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>

#include "reader/table_load.h"

namespace {

constexpr size_t kMaxStructures = 65535;  // the walk's count is 16 bits wide
constexpr size_t kEndOfTableSize = 6;

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

BenchTable fromTable(const std::string& name, const Bytes& table) {
  BenchTable t{name, rawBuffer(table), 0};
  t.structures =
      static_cast<size_t>(countStructures(tableBytes(t), static_cast<uint32_t>(tableSize(t))));
  return t;
}

void append(Bytes& table, const Bytes& structure) {
  table.insert(table.end(), structure.begin(), structure.end());
}

std::string numbered(const std::string& text, size_t i) {
  return text + std::to_string(i);
}

Bytes bios(uint8_t length = 0x1A) {
  return Structure(0, length, 0x0000)
      .u8(0x04, 1)
      .u8(0x05, 2)
      .u16(0x06, 0xF000)
      .u8(0x08, 3)
      .u8(0x09, 0xFF)
      .u64(0x0A, 0x000000003F9B9880ull)
      .u8(0x12, 0x0F)
      .u8(0x13, 0x0D)
      .u8(0x14, 5)
      .u8(0x15, 32)
      .u8(0x16, 0xFF)
      .u8(0x17, 0xFF)
      .u16(0x18, 0x0020)
      .str("American Megatrends International, LLC.")
      .str("2801")
      .str("11/29/2024");
}

Bytes processor(size_t i, uint8_t length = 0x30) {
  Structure s(4, length, static_cast<uint16_t>(0x0040 + i));
  s.u8(0x04, 1)
      .u8(0x05, 3)
      .u8(0x06, 0xC6)
      .u8(0x07, 2)
      .bytes(0x08, {0xA1, 0x06, 0x0B, 0x00, 0xFF, 0xFB, 0xEB, 0xBF})
      .u8(0x10, 3)
      .u8(0x11, 0x88)
      .u16(0x12, 100)
      .u16(0x14, 5800)
      .u16(0x16, 3000)
      .u8(0x18, 0x41)
      .u8(0x19, 0x3F)
      .u16(0x1A, 0x0039)
      .u16(0x1C, 0x003A)
      .u16(0x1E, 0x003B)
      .u8(0x20, 4)
      .u8(0x21, 5)
      .u8(0x22, 6)
      .u8(0x23, 24)
      .u8(0x24, 24)
      .u8(0x25, 32)
      .u16(0x26, 0x00EC)
      .u16(0x28, 0xC6)
      .u16(0x2A, 24)
      .u16(0x2C, 24)
      .u16(0x2E, 32);
  s.str(numbered("CPU", i)).str("Intel(R) Corporation").str("13th Gen Intel(R) Core(TM) i9-13900K");
  return s.str("To Be Filled By O.E.M.").str(numbered("Asset-", i)).str("BX8071513900K");
}

// A DIMM with every string set.
Bytes memoryDevice(size_t i, uint8_t length = 0x28) {
  Structure s(17, length, static_cast<uint16_t>(0x1100 + i));
  s.u16(0x04, 0x1000)
      .u16(0x06, 0xFFFE)
      .u16(0x08, 64)
      .u16(0x0A, 64)
      .u16(0x0C, 0x4000)
      .u8(0x0E, 0x09)
      .u8(0x10, 1)
      .u8(0x11, 2)
      .u8(0x12, 0x22)
      .u16(0x13, 0x0080)
      .u16(0x15, 5600)
      .u8(0x17, 3)
      .u8(0x18, 4)
      .u8(0x19, 5)
      .u8(0x1A, 6)
      .u8(0x1B, 2)
      .u16(0x20, 5600)
      .u16(0x22, 1100)
      .u16(0x24, 1100)
      .u16(0x26, 1100);
  return s.str(numbered("Controller0-ChannelA-DIMM", i))
      .str(numbered("BANK ", i))
      .str("Kingston")
      .str(numbered("1A2B3C", i))
      .str(numbered("9876543210-", i))
      .str("KF560C40-32");
}

Bytes memoryArray(uint16_t devices, uint8_t length = 0x17) {
  return Structure(16, length, 0x1000)
      .u8(0x04, 0x03)
      .u8(0x05, 0x03)
      .u8(0x06, 0x03)
      .u32(0x07, 0x80000000u)
      .u16(0x0B, 0xFFFE)
      .u16(0x0D, devices)
      .u64(0x0F, 0x0000010000000000ull);
}

Bytes languages(size_t count) {
  Structure s(13, 0x16, 0x0D00);
  s.u8(0x04, static_cast<uint8_t>(count)).u8(0x05, 0x01).u8(0x15, static_cast<uint8_t>(count));
  static const char* const kLanguages[] = {"en|US|iso8859-1", "fr|FR|iso8859-1", "de|DE|iso8859-1",
                                           "ja|JP|unicode", "zh|CN|unicode"};
  for (size_t i = 0; i < count; ++i) s.str(kLanguages[i % 5]);
  return s;
}

// Appends structures from make until the table is bytes long or the count is spent, then pads
// with one structure no decoder reads, so that the table is exactly bytes long.
BenchTable fillTo(const std::string& name, size_t bytes, const std::function<Bytes(size_t)>& make) {
  Bytes t;
  size_t count = 0;
  const size_t kFillerMinimum = 7;  // a type 0x80 structure with a one-byte string
  for (;; ++count) {
    if (count + 3 > kMaxStructures) break;  // room for the filler and the end of table
    const Bytes next = make(count);
    if (t.size() + next.size() + kEndOfTableSize + kFillerMinimum > bytes) break;
    append(t, next);
  }
  const size_t room = bytes - kEndOfTableSize - t.size();
  append(t, Structure(0x80, 4, 0x8000).str(std::string(room - 6, 'x')));
  append(t, endOfTable());
  return BenchTable{name, rawBuffer(t), count + 2};
}

}  // namespace

BenchTable sampleTable(const std::string& which) {
  const std::string path = std::string(ZENTRIK_SOURCE_DIR) + "/samples/" + which + ".rsmb";
  BenchTable t{which, readFile(path), 0};
  if (t.raw.size() < 8) return BenchTable{which, {}, 0};
  t.structures =
      static_cast<size_t>(countStructures(tableBytes(t), static_cast<uint32_t>(tableSize(t))));
  return t;
}

std::vector<BenchTable> realTables() {
  static const char* const kFiles[] = {"fwupdtf-intel-me-ROG-Z790.DMI",
                                       "gosmbios-SuperMicro-Dual-Xeon.dmi"};
  std::vector<BenchTable> tables;
  for (const char* file : kFiles) {
    const Bytes table = readFile(std::string(ZENTRIK_SHARED_TABLES) + "/" + file);
    if (!table.empty()) tables.push_back(fromTable(std::string("real:") + file, table));
  }
  return tables;
}

BenchTable sweepTable(size_t structures) {
  const size_t body = structures - 2;
  size_t devices = 0;
  for (size_t i = 0; i < body; ++i) devices += i % 4 >= 2;
  Bytes t;
  append(t, memoryArray(static_cast<uint16_t>(devices)));
  for (size_t i = 0; i < body; ++i) {
    switch (i % 4) {
      case 0:
        append(t, bios());
        break;
      case 1:
        append(t, processor(i));
        break;
      default:
        append(t, memoryDevice(i));
        break;
    }
  }
  append(t, endOfTable());
  return BenchTable{"sweep:" + std::to_string(structures), rawBuffer(t), structures};
}

std::vector<std::string> adversarialKinds() {
  return {"languages",     "short-languages", "long-strings",
          "memory-arrays", "growing-arrays",  "length-0xFF"};
}

BenchTable adversarialTable(const std::string& kind, size_t bytes) {
  const std::string name = "adversarial:" + kind;
  if (kind == "languages") {
    const Bytes structure = languages(255);
    return fillTo(name, bytes, [&](size_t) { return structure; });
  }
  if (kind == "short-languages") {
    Structure s(13, 0x16, 0x0D00);
    s.u8(0x04, 255).u8(0x05, 0x01).u8(0x15, 255);
    for (size_t i = 0; i < 255; ++i) s.str(std::string(1, static_cast<char>('a' + i % 26)));
    const Bytes structure = s;
    return fillTo(name, bytes, [&](size_t) { return structure; });
  }
  if (kind == "long-strings") {
    return fillTo(name, bytes, [](size_t i) {
      Structure s(4, 0x30, static_cast<uint16_t>(i));
      // Every string the decoder looks up sits at the far end of the set.
      s.u8(0x04, 250).u8(0x07, 251).u8(0x10, 252).u8(0x20, 253).u8(0x21, 254).u8(0x22, 255);
      s.bytes(0x08, {0xA1, 0x06, 0x0B, 0x00, 0xFF, 0xFB, 0xEB, 0xBF});
      for (size_t k = 0; k < 255; ++k) s.str(std::string(60, static_cast<char>('A' + k % 26)));
      return Bytes(s);
    });
  }
  if (kind == "memory-arrays") {
    // Pairs of an array and a device, the array padded so that the count fits the size.
    const size_t deviceSize = memoryDevice(0).size();
    const size_t pair = bytes / (kMaxStructures / 2);
    size_t arrayLength = pair > deviceSize + 2 ? pair - deviceSize - 2 : 0x17;
    if (arrayLength < 0x17) arrayLength = 0x17;
    if (arrayLength > 0xFF) arrayLength = 0xFF;
    const Bytes array = memoryArray(0xFFFF, static_cast<uint8_t>(arrayLength));
    return fillTo(name, bytes, [&](size_t i) { return i % 2 == 0 ? array : memoryDevice(i / 2); });
  }
  if (kind == "growing-arrays") {
    // Each array announces one device more than the one before it.
    size_t arrayLength = bytes / (kMaxStructures - 2) - 2;
    if (arrayLength < 0x17) arrayLength = 0x17;
    if (arrayLength > 0xFF) arrayLength = 0xFF;
    return fillTo(name, bytes, [&](size_t i) {
      return memoryArray(static_cast<uint16_t>(i + 1), static_cast<uint8_t>(arrayLength));
    });
  }
  if (kind == "length-0xFF") {
    return fillTo(name, bytes, [](size_t i) {
      switch (i % 4) {
        case 0:
          return bios(0xFF);
        case 1:
          return processor(i, 0xFF);
        default:
          return memoryDevice(i, 0xFF);
      }
    });
  }
  return BenchTable{name, {}, 0};
}

BenchTable devicesTable(size_t mebibytes) {
  const size_t bytes = mebibytes << 20;
  Bytes t;
  append(t, memoryArray(0xFFFF));
  size_t structures = 2;
  for (size_t i = 0;; ++i, ++structures) {
    Structure s(17, 0x54, static_cast<uint16_t>(0x1100 + i));
    s.u16(0x04, 0x1000)
        .u16(0x06, 0xFFFE)
        .u16(0x08, 64)
        .u16(0x0A, 64)
        .u16(0x0C, 0x2000)
        .u8(0x0E, 0x09)
        .u8(0x10, 1)
        .u8(0x11, 2)
        .u8(0x12, 0x1A)
        .u16(0x13, 0x0080)
        .u16(0x15, 3200)
        .u8(0x17, 3)
        .u8(0x18, 4)
        .u8(0x19, 5)
        .u8(0x1A, 6)
        .u8(0x1B, 2)
        .u16(0x20, 3200)
        .u16(0x22, 1200)
        .u16(0x24, 1200)
        .u16(0x26, 1200);
    s.str(numbered("DIMM", i)).str(numbered("BANK ", i)).str("Samsung").str(numbered("S", i));
    const Bytes device = s.str(numbered("Asset-", i)).str("M378A1K43EB2-CWE");
    if (t.size() + device.size() + kEndOfTableSize > bytes) break;
    append(t, device);
  }
  append(t, endOfTable());
  return BenchTable{"devices:" + std::to_string(mebibytes), rawBuffer(t), structures};
}

BenchTable emptyTable() {
  return BenchTable{"empty", rawBuffer(endOfTable()), 1};
}

BenchTable tableByName(const std::string& name) {
  if (name == "empty") return emptyTable();
  if (name == "desktop" || name == "server") return sampleTable(name);
  if (name.rfind("real:", 0) == 0) {
    for (BenchTable& t : realTables())
      if (t.name == name) return t;
    return BenchTable{name, {}, 0};
  }
  if (name.rfind("sweep:", 0) == 0) {
    char* rest = nullptr;
    const unsigned long n = strtoul(name.c_str() + 6, &rest, 10);
    if (*rest != '\0' || n < 16 || n > kMaxStructures) return BenchTable{name, {}, 0};
    return sweepTable(n);
  }
  if (name.rfind("devices:", 0) == 0) {
    char* rest = nullptr;
    const unsigned long mebibytes = strtoul(name.c_str() + 8, &rest, 10);
    if (*rest != '\0' || mebibytes < 1 || mebibytes > 60) return BenchTable{name, {}, 0};
    return devicesTable(mebibytes);
  }
  if (name.rfind("adversarial:", 0) == 0)
    return adversarialTable(name.substr(12), tableSize(sweepTable(kMaxStructures)));
  return BenchTable{name, {}, 0};
}
