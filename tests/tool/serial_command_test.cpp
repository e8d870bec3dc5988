// zentrik serial: the processor ID alone on standard output, as GetCPUSerialNumber returns it.
#include "tests/tool/tool.h"

namespace {

using SerialCommand = ZentrikTool;

TEST_F(SerialCommand, PrintsTheProcessorId) {
  ProcessRun run = runTool({"serial", "--table", samplePath("desktop")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "72 06 09 00 FF FB EB BF\n");
  EXPECT_EQ(run.err, "");

  // The last processor structure wins.
  run = runTool({"serial", "--table", samplePath("server")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "11 0F A0 00 FF FB 8B 17\n");

  TempDir dir;
  run = runTool({"serial", "--table",
                 dir.write("bios-only.dmi", tableOf({Structure(0, 0x12).str("V"), endOfTable()}))});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, kNoProcessorId);

  // A load that writes to standard output leaves the ID alone there.
  SKIP_WITHOUT_SHARED_TABLES();
  run = runTool({"serial", "--table", sharedTable("gosmbios-SuperMicro-Dual-Xeon.dmi")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "E4 06 03 00 FF FB EB BF\n");
  EXPECT_EQ(run.err,
            "BiosReader: trying to over allocate!\nInvalid entry length (16). Fixed up to 11.\n");
}

}  // namespace
