// zentrik id: the processor ID, where it comes from, the form Windows shows, and a warning per
// reason to doubt it.
#include "tests/tool/tool.h"

namespace {

using IdCommand = ZentrikTool;

TEST_F(IdCommand, WithoutAProcessor) {
  TempDir dir;
  const std::string path =
      dir.write("bios-only.dmi", tableOf({Structure(0, 0x12).u8(0x04, 1).str("V"), endOfTable()}));
  const ProcessRun json = runTool({"id", "--json", "--table", path});
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
  const ProcessRun text = runTool({"id", "--table", path});
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.out.rfind("ID: none (script gets an empty string)\nSMBIOS Version: ", 0), 0u)
      << text.out;
}

TEST_F(IdCommand, OnTheDellWithAnEmptySecondSocket) {
  SKIP_WITHOUT_SHARED_TABLES();
  const std::string path = sharedTable("gosmbios-Dell-PowerEdge-R630-Dual-Xeon.dmi");
  const ProcessRun text = runTool({"id", "--table", path});
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
  const ProcessRun json = runTool({"id", "--json", "--table", path});
  EXPECT_EQ(json.status, 0);
  const Json parsed = parsedRun(json);
  EXPECT_EQ(parsed.keys(),
            (std::vector<std::string>{"tableRead", "tableError", "smbiosVersion", "walk", "id",
                                      "socket", "socketHandle", "signature", "processorId",
                                      "warnings", "diagnostics"}));
  EXPECT_TRUE(parsed["tableRead"].boolean);
  EXPECT_EQ(parsed["processorId"].text, "0000000000000000");
  EXPECT_EQ(parsed["socketHandle"].number, 0x0401);
  ASSERT_EQ(parsed["warnings"].items.size(), 2u);
  EXPECT_EQ(parsed["warnings"].items[0]["kind"].text, "allZero");
  EXPECT_EQ(parsed["warnings"].items[1]["kind"].text, "emptySocket");
}

// Every reason to doubt each real machine's ID, by kind.
TEST_F(IdCommand, ReasonsOnRealMachines) {
  SKIP_WITHOUT_SHARED_TABLES();
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
    const ProcessRun run = runTool({"id", "--json", "--table", sharedTable(c.file)});
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err, "");
    const Json report = parsedRun(run);
    Kinds kinds;
    for (const Json& warning : report["warnings"].items) kinds.push_back(warning["kind"].text);
    EXPECT_EQ(kinds, c.kinds);
  }
  const ProcessRun text = runTool({"id", "--table", sharedTable("gosmbios-HyperV.dmi")});
  EXPECT_NE(text.out.find("Warning: the table is damaged: the walk stopped at structure 6 of 373"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("\nDiagnostics: what the reader reported about this table\n"),
            std::string::npos);
}

}  // namespace
