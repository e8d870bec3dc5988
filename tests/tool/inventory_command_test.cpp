// zentrik inventory: every structure decoded on its own by the package's decoders, grouped as a
// person reads a machine.
#include "tests/tool/tool.h"

namespace {

using InventoryCommand = ZentrikTool;

// The package's text of a field, as the inventory shows it: a text as it stands, a list as its
// items (without empty ones; "None" is no item), no placeholder of the package (null instead), a
// value without a name as the value itself.
void expectSameField(const Json& inventoryValue, const Json& recordValue, const std::string& key) {
  SCOPED_TRACE(key);
  switch (inventoryValue.kind) {
    case Json::Kind::Array: {
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
      break;
    }
    case Json::Kind::String:
      EXPECT_EQ(inventoryValue.text, recordValue.text);
      break;
    case Json::Kind::Null:
      EXPECT_TRUE(recordValue.kind == Json::Kind::Null || recordValue.text == "Not Specified" ||
                  recordValue.text == "UNKNOWN")
          << recordValue.text;
      break;
    case Json::Kind::Number:
      EXPECT_TRUE(recordValue.text == "<OUT OF SPEC>" ||
                  recordValue.text == std::to_string(inventoryValue.number))
          << recordValue.text;
      break;
    default:
      ADD_FAILURE() << "a record field as neither text, list, number nor null";
  }
}

// With one structure of each type, every field of an inventory object under a record's key is the
// package's, as the inventory shows it; the numbers under keys of their own stand beside them
// (their agreement with the texts is the reader's own test).
TEST_F(InventoryCommand, DecodesEachStructureAsThePackageDoes) {
  TempDir dir;
  const std::string path = dir.write("fixture.dmi", fixtureTable());
  const Json records = parsedRun(runTool({"records", "--json", "--table", path}));
  const ProcessRun run = runTool({"inventory", "--json", "--table", path});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  const Json inventory = parsedRun(run);
  EXPECT_EQ(inventory.keys(),
            (std::vector<std::string>{"tableRead", "tableError", "smbiosVersion", "walk", "bios",
                                      "biosLanguage", "processors", "memoryArrays",
                                      "unattachedDevices", "totals", "diagnostics"}));
  EXPECT_EQ(inventory["smbiosVersion"].kind, Json::Kind::Null);  // a bare table carries none
  const struct {
    const Json& inventoryObject;
    const Json& record;
    size_t shown;  // keys of the record that the inventory shows under the same key
  } pairs[] = {
      {inventory["bios"].items.at(0), records["bios"], 4},
      {inventory["biosLanguage"].items.at(0), records["biosLanguage"], 2},
      {inventory["processors"].items.at(0), records["processor"], 15},
      {inventory["memoryArrays"].items.at(0), records["memoryArray"], 1},
      {inventory["memoryArrays"].items.at(0)["devices"].items.at(0),
       records["memoryDevices"].items.at(0), 8},
  };
  for (const auto& pair : pairs) {
    size_t shown = 0;
    for (const std::string& key : pair.record.keys()) {
      if (!pair.inventoryObject.has(key) || key == "present") continue;
      expectSameField(pair.inventoryObject[key], pair.record[key], key);
      ++shown;
    }
    EXPECT_EQ(shown, pair.shown) << pair.record.keys()[1];
    EXPECT_FALSE(pair.inventoryObject.has("present")) << "a record flag";
  }
  const Json& cpu = inventory["processors"].items.at(0);
  EXPECT_EQ(cpu["coreCount"].number, 4);
  EXPECT_EQ(cpu["threadCount"].number, 8);
  EXPECT_EQ(cpu["type"].number, 0) << "Processor Type 0 has no name";
  const Json& dimm = inventory["memoryArrays"].items.at(0)["devices"].items.at(0);
  EXPECT_EQ(dimm["sizeBytes"].number, int64_t{8} << 30);
  EXPECT_TRUE(dimm["installed"].boolean);
  EXPECT_EQ(inventory["totals"]["systemMemory"]["bytes"].number, int64_t{16} << 30);
}

// The lines under the heading that starts with prefix, up to the blank line after them.
std::string blockAfter(const std::string& text, const std::string& prefix) {
  const size_t heading = text.find("\n" + prefix);
  if (heading == std::string::npos) return "(no " + prefix + ")";
  const size_t start = text.find('\n', heading + 1) + 1;
  return text.substr(start, text.find("\n\n", start) - start);
}

// For people, a structure's fields read as the records report reads them, lists item by item.
TEST_F(InventoryCommand, TextShowsTheRecordsFields) {
  TempDir dir;
  const std::string fixture = dir.write("fixture.dmi", fixtureTable());
  const std::string desktop = samplePath("desktop");
  const struct {
    const std::string& path;
    const char* record;
    const char* structure;
  } cases[] = {
      {fixture, "BIOS\n", "BIOS ("},
      {fixture, "BIOS Language\n", "BIOS Language ("},
      {desktop, "BIOS\n", "BIOS ("},
      {desktop, "Processor\n", "Processor 1 of 1 "},
  };
  for (const auto& c : cases) {
    const std::string fields = blockAfter(runTool({"records", "--table", c.path}).out, c.record);
    EXPECT_NE(fields.find(":\n    "), std::string::npos) << c.record << "with a list\n" << fields;
    EXPECT_EQ(blockAfter(runTool({"inventory", "--table", c.path}).out, c.structure), fields)
        << c.path;
  }
}

// Every processor with its socket's state, every array with the devices that name it, and the
// devices that name none apart.
TEST_F(InventoryCommand, GroupsAsAPersonReadsAMachine) {
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
  // Every array shows its own fields, whatever its use.
  EXPECT_EQ(arrays.items.at(1)["maximumCapacityBytes"].number, 0);
  EXPECT_EQ(json["totals"]["systemMemory"]["modules"].number, 2);
  EXPECT_EQ(json["totals"]["otherArrays"].items.size(), 1u);
  EXPECT_EQ(arrays.items.at(0)["installed"]["modules"].number, 1);
  const Json& emptySlot = arrays.items.at(0)["devices"].items.at(1);
  EXPECT_FALSE(emptySlot["installed"].boolean);
  EXPECT_EQ(emptySlot["sizeBytes"].kind, Json::Kind::Null) << "an empty slot has no size";
  EXPECT_EQ(handles(json["unattachedDevices"]), (Handles{0x1103, 0x1104}));
  EXPECT_EQ(json["unattachedDevices"].items.at(0)["arrayHandle"].number, 0x2222);
  EXPECT_EQ(json["unattachedDevices"].items.at(1)["arrayHandle"].kind, Json::Kind::Null);

  const ProcessRun text = runTool({"inventory", "--table", path});
  EXPECT_EQ(text.status, 0);
  for (const char* line :
       {"\nProcessor 2 of 3 (handle 0x0401): CPU2, empty socket\n",
        "\n  Memory Device 2 of 2 (handle 0x1102): A2, empty\n", "\n  Installed: 1 module, 8 GB\n",
        "\nMemory Devices naming no array of this table\n",
        "\nIn all: 3 processors (1 populated), 2 memory arrays, 5 memory "
        "devices; installed: 2 modules, 8704 MB\nIn Video Memory arrays: 1 module, 1 GB\n"}) {
    EXPECT_NE(text.out.find(line), std::string::npos) << line << "\nin\n" << text.out;
  }
}

// An HP desktop's second array holds its firmware chip: the array shows its own fields, and the
// chip is counted apart from the installed memory. No placeholder of the package reaches JSON.
TEST_F(InventoryCommand, FlashArrayAndNoPlaceholders) {
  const auto module = [](uint16_t handle, uint16_t array, uint16_t size, uint8_t formFactor) {
    return Structure(17, 0x28, handle).u16(0x04, array).u16(0x0C, size).u8(0x0E, formFactor);
  };
  const Bytes table = tableOf({
      Structure(16, 0x17, 0x1000).u8(0x04, 3).u8(0x05, 3).u32(0x07, 0x01000000).u16(0x0D, 4),
      module(0x1100, 0x1000, 0x0400, 0x09).u8(0x10, 1).str("DIMM1"),
      module(0x1101, 0x1000, 0x0400, 0x09).u8(0x10, 1).str("DIMM2"),
      module(0x1102, 0x1000, 0x0400, 0x09).u8(0x10, 1).str("DIMM3"),
      // Bank locator 0, locator 5 of 1, form factor 0x99: null, null and 153.
      module(0x1103, 0x1000, 0x0400, 0x99).u8(0x10, 5).str("only"),
      Structure(16, 0x17, 0x1001).u8(0x04, 3).u8(0x05, 5).u32(0x07, 4096).u16(0x0D, 1),
      module(0x1104, 0x1001, 0x0001, 0x05).u8(0x10, 1).str("SYSTEM ROM"),
      endOfTable(),
  });
  TempDir dir;
  const std::string path = dir.write("hp.dmi", table);
  const Json json = parsedRun(runTool({"inventory", "--json", "--table", path}));
  const Json& flash = json["memoryArrays"].items.at(1);
  EXPECT_EQ(flash["use"].text, "Flash Memory");
  EXPECT_EQ(flash["location"].text, "System Board Or Motherboard");
  EXPECT_EQ(flash["maximumCapacityBytes"].number, 4 << 20);
  EXPECT_EQ(json["totals"]["systemMemory"]["modules"].number, 4);
  EXPECT_EQ(json["totals"]["systemMemory"]["bytes"].number, int64_t{4} << 30);
  ASSERT_EQ(json["totals"]["otherArrays"].items.size(), 1u);
  EXPECT_EQ(json["totals"]["otherArrays"].items[0]["use"].text, "Flash Memory");
  EXPECT_EQ(json["totals"]["otherArrays"].items[0]["bytes"].number, 1 << 20);
  const Json& odd = json["memoryArrays"].items.at(0)["devices"].items.at(3);
  EXPECT_EQ(odd["bankLocator"].kind, Json::Kind::Null);
  EXPECT_EQ(odd["locator"].kind, Json::Kind::Null);
  EXPECT_EQ(odd["formFactor"].number, 0x99);
  // After the load's own (the flash array makes the package clear its device list).
  const Json& bad = json["diagnostics"].items.back();
  EXPECT_EQ(bad["kind"].text, "badStringNumber");
  EXPECT_EQ(bad["stream"].kind, Json::Kind::Null);
  EXPECT_EQ(bad["text"].text, "structure 5 (type 17, handle 0x1103): Locator names string 5 of 1");

  const ProcessRun text = runTool({"inventory", "--table", path});
  for (const char* line :
       {"  Use: Flash Memory\n  Number Of Devices: 1\n  Maximum Capacity: 4 MB\n"
        "  Location: System Board Or Motherboard\n",
        "    Locator: <BAD INDEX>\n", "    Form Factor: <OUT OF SPEC>\n",
        "installed: 4 modules, 4 GB\nIn Flash Memory arrays: 1 module, 1 MB\n"}) {
    EXPECT_NE(text.out.find(line), std::string::npos) << line << "\nin\n" << text.out;
  }
  EXPECT_EQ(text.out.find("names string"), std::string::npos) << "the text shows <BAD INDEX>";
}

// Whether the whole table was read, in the JSON of inventory and id and, where it was not, in
// the first line of both reports; the exit status stays what it was.
TEST_F(InventoryCommand, SaysWhetherTheWholeTableWasRead) {
  TempDir dir;
  // Inactive structures alone: more than a 16-bit count holds, and exactly 65,536 (count 0).
  const auto inactive = [](size_t n) {
    Bytes table;
    for (size_t i = 0; i < n; ++i) table.insert(table.end(), {126, 4, 0, 0, 0, 0});
    return rawBuffer(table);
  };
  const struct {
    std::string path;
    const char* end;
    int64_t stoppedAt;  // 0: null
    int64_t announced;  // 0: null
    int64_t read;
  } cases[] = {
      {samplePath("desktop"), "complete", 0, 8, 8},
      {samplePath("truncated"), "truncated", 5, 5, 4},
      {samplePath("broken"), "brokenLength", 13, 14, 12},
      {dir.write("empty.rsmb", rawBuffer({})), "complete", 0, 0, 0},
      {haveSharedTables() ? sharedTable("gosmbios-HyperV.dmi") : "", "brokenLength", 6, 373, 5},
      {dir.write("wide.rsmb", inactive(65541)), "countLimit", 6, 65541, 5},
      {dir.write("full.rsmb", inactive(65536)), "complete", 0, 65536, 65536},
  };
  for (const auto& c : cases) {
    if (c.path.empty()) continue;  // no shared tables here
    SCOPED_TRACE(c.path);
    const ProcessRun text = runTool({"inventory", "--table", c.path});
    EXPECT_EQ(text.status, 0);
    const std::string head = text.out.substr(0, text.out.find('\n') + 1);
    const bool complete = c.stoppedAt == 0;
    EXPECT_EQ(head, complete
                        ? "\n"
                        : "Table: read only in part: the walk stopped at structure " +
                              std::to_string(c.stoppedAt) + " of " + std::to_string(c.announced) +
                              " announced (" + std::to_string(c.read) + " read)\n");
    EXPECT_EQ(runTool({"id", "--table", c.path}).out.rfind(head, 0) == 0, !complete);
    for (const char* command : {"inventory", "id"}) {
      const Json walk = parsedRun(runTool({command, "--json", "--table", c.path}))["walk"];
      EXPECT_EQ(walk.keys(),
                (std::vector<std::string>{"complete", "end", "stoppedAt", "announced", "read"}));
      EXPECT_EQ(walk["complete"].boolean, complete);
      EXPECT_EQ(walk["end"].text, c.end);
      EXPECT_EQ(walk["stoppedAt"].number, c.stoppedAt);
      EXPECT_EQ(walk["stoppedAt"].kind == Json::Kind::Null, complete);
      EXPECT_EQ(walk["announced"].number, c.announced);
      EXPECT_EQ(walk["announced"].kind == Json::Kind::Null, c.announced == 0);
      EXPECT_EQ(walk["read"].number, c.read);
    }
  }
}

TEST_F(InventoryCommand, RealMachines) {
  SKIP_WITHOUT_SHARED_TABLES();
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
    const Json json = parsedRun(runTool({"inventory", "--json", "--table", sharedTable(c.file)}));
    EXPECT_EQ(json["processors"].items.size(), c.processors);
    std::vector<size_t> devices;
    for (const Json& array : json["memoryArrays"].items)
      devices.push_back(array["devices"].items.size());
    EXPECT_EQ(devices, c.devicesPerArray);
    EXPECT_TRUE(json["unattachedDevices"].items.empty());
  }
}

}  // namespace
