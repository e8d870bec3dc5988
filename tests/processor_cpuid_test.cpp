// The processor identification against the machine the tests run on: a structure built from
// this processor's own CPUID leaf 1 must decode to what the operating system reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "base/byte_reader.h"
#include "decoders/processor_id.h"
#include "tests/support/reader_fixture.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

class ProcessorCpuidTest : public ReaderTest {};

#if defined(__x86_64__) || defined(__i386__)
// "cpu family", "model" and "stepping" of the first processor in /proc/cpuinfo.
std::map<std::string, std::string> firstCpuInfo() {
  std::map<std::string, std::string> fields;
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) break;  // the end of the first processor
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string key = line.substr(0, colon);
    key.erase(key.find_last_not_of(" \t") + 1);
    std::string value = line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(" \t"));
    fields.emplace(key, value);
  }
  return fields;
}

bool parseUnsigned(const std::string& text, unsigned* value) {
  char* end = nullptr;
  const unsigned long v = strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') return false;
  *value = static_cast<unsigned>(v);
  return true;
}
#endif

TEST_F(ProcessorCpuidTest, SignatureAndFlagsMatchThisMachine) {
#if !defined(__x86_64__) && !defined(__i386__)
  GTEST_SKIP() << "not an x86 machine";
#else
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(0, &eax, &ebx, &ecx, &edx) == 0) GTEST_SKIP() << "no CPUID leaf 0";
  char vendor[13] = {};
  memcpy(vendor, &ebx, 4);
  memcpy(vendor + 4, &edx, 4);
  memcpy(vendor + 8, &ecx, 4);
  uint8_t familyByte;
  if (strcmp(vendor, "GenuineIntel") == 0) {
    familyByte = 0xC6;
  } else if (strcmp(vendor, "AuthenticAMD") == 0) {
    familyByte = 0x6B;
  } else {
    GTEST_SKIP() << "processor vendor " << vendor << " has no family code here";
  }
  const bool intel = familyByte == 0xC6;

  unsigned signature = 0, flags = 0;
  if (__get_cpuid(1, &signature, &ebx, &ecx, &flags) == 0) GTEST_SKIP() << "no CPUID leaf 1";

  const std::map<std::string, std::string> info = firstCpuInfo();
  unsigned family = 0, model = 0, stepping = 0;
  if (info.count("cpu family") == 0 || !parseUnsigned(info.at("cpu family"), &family) ||
      info.count("model") == 0 || !parseUnsigned(info.at("model"), &model) ||
      info.count("stepping") == 0 || !parseUnsigned(info.at("stepping"), &stepping)) {
    GTEST_SKIP() << "/proc/cpuinfo missing or without cpu family, model and stepping";
  }

  Structure s(4, 0x30);
  s.u8(0x06, familyByte).u32(0x08, signature).u32(0x0C, flags);
  loadStructures({s});
  const ProcessorRecord& p = processor();

  // The two registers as the structure holds them.
  uint8_t b[8];
  ByteWriter registers(b, sizeof b);
  registers.writeU32Le(signature);
  registers.writeU32Le(flags);
  char id[24];
  snprintf(id, sizeof id, "%02X %02X %02X %02X %02X %02X %02X %02X", b[0], b[1], b[2], b[3], b[4],
           b[5], b[6], b[7]);
  EXPECT_EQ(text(p.id), id);

  ASSERT_NE(p.signature, nullptr);
  unsigned type = 0, decodedFamily = 0, decodedModel = 0, decodedStepping = 0;
  if (intel) {
    ASSERT_EQ(sscanf(p.signature, "Type %u, Family %u, Model %u, Stepping %u", &type,
                     &decodedFamily, &decodedModel, &decodedStepping),
              4)
        << p.signature;
  } else {
    ASSERT_EQ(sscanf(p.signature, "Family %u, Model %u, Stepping %u", &decodedFamily, &decodedModel,
                     &decodedStepping),
              3)
        << p.signature;
  }
  EXPECT_EQ(decodedFamily, family) << p.signature;
  EXPECT_EQ(decodedModel, model) << p.signature;
  EXPECT_EQ(decodedStepping, stepping) << p.signature;

  // Every flag listed has its bit set, and every named bit that is set is listed.
  ASSERT_NE(p.flags, nullptr);
  if (strcmp(p.flags, "None") == 0) {
    EXPECT_EQ(flags & 0xBFEFFBFFu, 0u);
    return;
  }
  std::istringstream lines(p.flags);
  std::string name;
  uint32_t listed = 0;
  while (std::getline(lines, name)) {
    int bit = -1;
    for (int i = 0; i < 32; ++i) {
      if (processorFeatureFlagNames[i] != nullptr && name == processorFeatureFlagNames[i]) bit = i;
    }
    ASSERT_GE(bit, 0) << "unknown flag name: " << name;
    EXPECT_NE(flags & (1u << bit), 0u) << name;
    listed |= 1u << bit;
  }
  EXPECT_EQ(listed, flags & 0xBFEFFBFFu);
#endif
}

}  // namespace
