// How far the processor ID can be trusted: the warnings for one table each, from a table built
// field by field.
#include "tools/processor_trust.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/reader_fixture.h"
#include "tests/support/table_builder.h"

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
  // Loads the table as the package would, collects its inventory and assesses the record's ID.
  std::string warningsFor(const Bytes& table, const CpuidLeaf1* cpuid = nullptr) {
    freshReader();
    const Bytes raw = rawBuffer(table);
    loadTable(table);
    assessment_ = std::make_unique<ProcessorIdAssessment>();
    inventory_ = std::make_unique<Inventory>();
    EXPECT_TRUE(inventory_->collect(raw.data(), raw.size()));
    assessProcessorId(processor().id, *inventory_, cpuid, assessment_.get());
    return assessment_->warnings.text();
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
       "the ID is all zero: the firmware names no processor model here\n"
       "the ID comes from CPU2, an empty socket, while CPU1 (ID A9 06 03 00 FF FB EB BF) is "
       "populated\n"},
      {"an empty socket alone", tableOf({bios, processorIn("CPU1", kIvyBridge, kEmpty)}),
       "the ID comes from CPU1, an empty socket\n"},
      // Too short for a Status byte: nothing is said about the socket.
      {"no Status byte", tableOf({bios, Structure(4, 0x18).u8(0x06, 0xC6).u64(0x08, kIvyBridge)}),
       "the table has no usable processor structure: GetCPUSerialNumber returns an empty "
       "string\n"},
      {"a virtual machine's firmware",
       tableOf({Structure(0, 0x14).u8(0x04, 1).u8(0x13, 0x10).str("QEMU"),
                processorIn("CPU 0", kIvyBridge, kPopulated)}),
       "the table looks synthesised by a virtual machine or a compatibility layer: the BIOS "
       "characteristics say \"System is a virtual machine\"; the BIOS vendor is \"QEMU\"\n"},
      // As a compatibility layer makes it: no strings at all, no processor, no memory.
      {"a made-up table", tableOf({Structure(0, 0x14), endOfTable()}),
       "the table has no usable processor structure: GetCPUSerialNumber returns an empty "
       "string\n"
       "the table looks synthesised by a virtual machine or a compatibility layer: the BIOS "
       "names no vendor, version or release date; the table has no processor and no memory "
       "structure\n"},
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
            "the ID differs from what CPUID leaf 1 reports on this machine (EAX 000906EA, EDX "
            "BFEBFBFF, which read as EA 06 09 00 FF FB EB BF)\n");
}

}  // namespace
