// How far the processor ID can be trusted: the warnings for one table each, from a table built
// field by field.
#include "tools/processor_trust.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/serving/served_firmware_table.h"
#include "tests/support/reader_fixture.h"
#include "tests/support/table_builder.h"
#include "tools/observed_load.h"

namespace {

// A processor structure: socket string 1, Intel Core i7 family, the given ID and Status byte.
Bytes processorIn(const char* socket, uint64_t id, uint8_t status) {
  return Structure(4, 0x30).u8(0x04, 1).u8(0x06, 0xC6).u64(0x08, id).u8(0x18, status).str(socket);
}

constexpr uint64_t kIvyBridge = 0xBFEBFBFF000306A9ull;  // "A9 06 03 00 FF FB EB BF"
constexpr uint8_t kPopulated = 0x41;                    // populated, enabled
constexpr uint8_t kEmpty = 0x00;

class ProcessorTrust : public ReaderTest {
 protected:
  // Loads the table as the package would, collects its inventory and assesses the record's ID:
  // one "kind: text" line per warning.
  std::string warningsFor(const Bytes& table, const CpuidLeaf1* cpuid = nullptr,
                          const char* tableError = nullptr) {
    freshReader();
    const Bytes raw = rawBuffer(table);
    platform::serveRawTable(raw.data(), raw.size());
    assessment_ = std::make_unique<ProcessorIdAssessment>();
    inventory_ = std::make_unique<Inventory>(Inventory::Keep::kAllButMemory);
    LoadMessages messages;
    runObservedLoad(&messages, inventory_.get());
    EXPECT_TRUE(inventory_->finish(raw.data(), raw.size()));
    assessProcessorId(processor().id, *inventory_, tableError, cpuid, assessment_.get());
    std::string lines;
    for (int i = 0; i < assessment_->warningCount; ++i) {
      lines += std::string(assessment_->warnings[i].kind) + ": " +
               assessment_->warnings[i].text.text() + "\n";
    }
    return lines;
  }

  std::unique_ptr<Inventory> inventory_;
  std::unique_ptr<ProcessorIdAssessment> assessment_;
};

TEST_F(ProcessorTrust, WarningsOfEachKind) {
  const Bytes bios = Structure(0, 0x14).u8(0x04, 1).u8(0x05, 2).str("Vendor").str("1.0");
  const struct {
    const char* what;
    Bytes table;
    std::string warnings;
  } cases[] = {
      {"one populated socket", tableOf({bios, processorIn("CPU0", kIvyBridge, kPopulated)}), ""},
      {"the last socket empty, its ID zero",
       tableOf(
           {bios, processorIn("CPU1", kIvyBridge, kPopulated), processorIn("CPU2  ", 0, kEmpty)}),
       "allZero: the ID is all zero: the firmware names no processor model here\n"
       "emptySocket: the ID comes from CPU2, an empty socket, while CPU1 (ID A9 06 03 00 FF FB "
       "EB BF) is populated\n"},
      {"an empty socket alone", tableOf({bios, processorIn("CPU1", kIvyBridge, kEmpty)}),
       "emptySocket: the ID comes from CPU1, an empty socket\n"},
      // Names that repeat in the table are told apart by handle; a unique one stays bare.
      {"two sockets of one name",
       tableOf({bios, processorIn("Microprocessor", kIvyBridge, kPopulated),
                Structure(4, 0x30, 0x0401).u8(0x04, 1).u8(0x06, 0xC6).str("Microprocessor"),
                processorIn("CPU9", kIvyBridge, kPopulated),
                Structure(4, 0x30, 0x0403).u8(0x04, 1).u8(0x06, 0xC6).str("Microprocessor ")}),
       "allZero: the ID is all zero: the firmware names no processor model here\n"
       "emptySocket: the ID comes from Microprocessor (handle 0x0403), an empty socket, while "
       "Microprocessor (handle 0x0000) (ID A9 06 03 00 FF FB EB BF), CPU9 (ID A9 06 03 00 FF FB "
       "EB BF) are populated\n"},
      // Populated sockets of two processor models; empty ones and zero IDs say nothing of it.
      {"mixed IDs",
       tableOf({bios, processorIn("CPU0", kIvyBridge, kPopulated),
                processorIn("CPU1", 0x0F8BFBFF000B06A2ull, kPopulated),
                processorIn("CPU2", 0x0F8BFBFF000B06A3ull, kEmpty),
                processorIn("CPU3", 0, kPopulated), processorIn("CPU4", kIvyBridge, kPopulated)}),
       "mixedIds: populated sockets report 2 different IDs: A9 06 03 00 FF FB EB BF (2 sockets), "
       "A2 06 0B 00 FF FB 8B 0F (1 socket)\n"},
      // Too short for a Status byte: nothing is said about the socket.
      {"no Status byte", tableOf({bios, Structure(4, 0x18).u8(0x06, 0xC6).u64(0x08, kIvyBridge)}),
       "noProcessor: the table has no usable processor structure: GetCPUSerialNumber returns an "
       "empty string\n"},
      {"a virtual machine's firmware",
       tableOf({Structure(0, 0x14).u8(0x04, 1).u8(0x13, 0x10).str("QEMU"),
                processorIn("CPU 0", kIvyBridge, kPopulated)}),
       "synthesised: the table looks synthesised by a virtual machine or a compatibility layer: "
       "the BIOS characteristics say \"System is a virtual machine\"; the BIOS vendor is "
       "\"QEMU\"\n"},
      // As a compatibility layer makes it: no strings at all, no processor, no memory.
      {"a made-up table", tableOf({Structure(0, 0x14), endOfTable()}),
       "noProcessor: the table has no usable processor structure: GetCPUSerialNumber returns an "
       "empty string\n"
       "synthesised: the table looks synthesised by a virtual machine or a compatibility layer: "
       "the BIOS names no vendor, version or release date; the table has no processor and no "
       "memory structure\n"},
      // Family "Other" leaves the layout to a version string the package does not know.
      {"no signature",
       tableOf({bios, Structure(4, 0x30)
                          .u8(0x06, 0x01)
                          .u8(0x10, 1)
                          .u64(0x08, kIvyBridge)
                          .u8(0x18, kPopulated)
                          .str("Intel(R) N100  ")}),
       "noSignature: no signature can be decoded from the ID: the firmware gives the family "
       "\"Other\", which leaves the ID's layout to the version, and the version \"Intel(R) "
       "N100\" names no processor the package knows; the ID is still what script gets\n"},
      {"a family without an ID layout",
       tableOf(
           {bios, Structure(4, 0x30).u8(0x06, 0x30).u64(0x08, kIvyBridge).u8(0x18, kPopulated)}),
       "noSignature: no signature can be decoded from the ID: the firmware gives the family "
       "\"Alpha\", whose ID layout the package does not decode; the ID is still what script "
       "gets\n"},
      // System Information names the hypervisor; only Microsoft's needs the model too.
      {"System Information of a virtual machine",
       tableOf({bios, Structure(1, 0x1B).u8(0x04, 1).u8(0x05, 2).str("innotek GmbH").str("VBox"),
                processorIn("CPU0", kIvyBridge, kPopulated)}),
       "virtualMachine: System Information names a virtual machine (manufacturer \"innotek "
       "GmbH\", product \"VBox\"): its hypervisor makes up the firmware table, processor ID "
       "included, and may give every guest the same one\n"},
      {"Microsoft's own machine",
       tableOf({bios,
                Structure(1, 0x1B)
                    .u8(0x04, 1)
                    .u8(0x05, 2)
                    .str("Microsoft Corporation")
                    .str("Surface Laptop 3"),
                processorIn("CPU0", kIvyBridge, kPopulated)}),
       ""},
      // The walk stops at a length of 2: the processor behind it is never read.
      {"a damaged table",
       tableOf({bios, Structure(1, 0x08), Bytes{0x7F, 0x02, 0x00, 0x00, 0x00, 0x00},
                processorIn("CPU0", kIvyBridge, kPopulated)}),
       "noProcessor: the table has no usable processor structure: GetCPUSerialNumber returns an "
       "empty string\n"
       "damagedTable: the table is damaged: the walk stopped at structure 3 of 5, whose length "
       "is below its 4-byte header, so only the 2 structures before it were read\n"},
      {"a table cut short",
       tableOf({processorIn("CPU0", kIvyBridge, kPopulated), Structure(2, 0x08).rawStrings({'V'})}),
       "damagedTable: the table is cut short: structure 2 of 2 runs past its end, so anything "
       "behind it is missing\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(warningsFor(c.table), c.warnings);
  }
}

TEST_F(ProcessorTrust, SourceSocketAndWindowsForm) {
  warningsFor(tableOf({processorIn("CPU1", 0xBFEBFBFF000306F2ull, kPopulated),
                       processorIn("CPU2", kIvyBridge, kPopulated)}));
  EXPECT_STREQ(assessment_->id, "A9 06 03 00 FF FB EB BF");
  EXPECT_STREQ(assessment_->socket, "CPU2");
  EXPECT_STREQ(assessment_->socketName.text(), "CPU2");
  // A repeated name gets its handle; a socket without a string is no string in JSON.
  warningsFor(tableOf({processorIn("CPU", kIvyBridge, kPopulated),
                       Structure(4, 0x30, 0x0401).u8(0x06, 0xC6).u64(0x08, kIvyBridge),
                       Structure(4, 0x30, 0x0402).u8(0x06, 0xC6).u64(0x08, kIvyBridge)}));
  EXPECT_EQ(assessment_->socket, nullptr);
  EXPECT_STREQ(assessment_->socketName.text(), "Not Specified (handle 0x0402)");
  EXPECT_STREQ(assessment_->signature, "Type 0, Family 6, Model 58, Stepping 9");
  EXPECT_STREQ(assessment_->processorId, "BFEBFBFF000306A9");
}

// Only this machine's own table is compared with CPUID; then any difference in either register
// is named with what the processor says.
TEST_F(ProcessorTrust, ComparedWithCpuid) {
  const Bytes table = tableOf({processorIn("CPU0", kIvyBridge, kPopulated)});
  const CpuidLeaf1 same = {0x000306A9, 0xBFEBFBFF};
  EXPECT_EQ(warningsFor(table, &same), "");
  const CpuidLeaf1 other = {0x000906EA, 0xBFEBFBFF};
  EXPECT_EQ(warningsFor(table, &other),
            "cpuidMismatch: the ID differs from what CPUID leaf 1 reports on this machine (EAX "
            "000906EA, EDX BFEBFBFF, which read as EA 06 09 00 FF FB EB BF)\n");
}

// Without a table there is nothing to assess but that.
TEST_F(ProcessorTrust, UnreadableTable) {
  EXPECT_EQ(warningsFor({}, nullptr, "cannot open DMI: Permission denied"),
            "tableUnreadable: this machine's firmware table could not be read (cannot open DMI: "
            "Permission denied): GetCPUSerialNumber returns an empty string\n");
}

}  // namespace
