// Writes the sample tables of this folder, in the rsmb layout (8-byte header, then the table),
// from the project's own table builder, so that anyone can rebuild them:
//   make_samples OUTDIR
// Every byte comes from the code below; the tables are made up, not taken from real machines.
#include <cstdio>
#include <string>

#include "tests/support/table_builder.h"

namespace {

constexpr uint16_t kNoHandle = 0xFFFE;

// BIOS Information (type 0), 3.x length 0x1A.
Structure bios(uint16_t handle, const char* vendor, const char* version, const char* date,
               uint8_t romSize, uint64_t characteristics, uint8_t extension1, uint8_t extension2,
               uint16_t extendedRomSize) {
  return Structure(0, 0x1A, handle)
      .u8(0x04, 1)        // vendor
      .u8(0x05, 2)        // version
      .u16(0x06, 0xF000)  // starting address segment
      .u8(0x08, 3)        // release date
      .u8(0x09, romSize)  // ROM size, 64 KiB units minus one; 0xFF: see 0x18
      .u64(0x0A, characteristics)
      .u8(0x12, extension1)
      .u8(0x13, extension2)
      .u8(0x14, 5)     // system BIOS major release
      .u8(0x15, 27)    // system BIOS minor release
      .u8(0x16, 0xFF)  // embedded controller major release: none
      .u8(0x17, 0xFF)  // embedded controller minor release: none
      .u16(0x18, extendedRomSize)
      .str(vendor)
      .str(version)
      .str(date);
}

// Characteristics bits common to a present-day board: PCI, upgradeable, shadowing, boot from CD,
// selectable boot, EDD, print screen, 8042 keyboard, serial and printer services.
constexpr uint64_t kModernCharacteristics = 1u << 7 | 1u << 11 | 1u << 12 | 1u << 15 | 1u << 16 |
                                            1u << 19 | 1u << 26 | 1u << 27 | 1u << 28 | 1u << 29;

// System Information (type 1): not decoded, there to show that such structures are stepped over.
Structure systemInformation(uint16_t handle, const char* manufacturer, const char* product) {
  return Structure(1, 0x1B, handle)
      .u8(0x04, 1)  // manufacturer
      .u8(0x05, 2)  // product name
      .u8(0x06, 3)  // version
      .u8(0x07, 4)  // serial number
      .bytes(0x08, {0x4A, 0x1C, 0x77, 0x20, 0x5E, 0x31, 0x11, 0xEE, 0x80, 0x00, 0x1B, 0x21, 0x3C,
                    0x4D, 0x5E, 0x6F})  // UUID
      .u8(0x18, 0x06)                   // wake-up type: power switch
      .str(manufacturer)
      .str(product)
      .str("1.0")
      .str("SAMPLE-0001");
}

struct ProcessorFields {
  uint16_t handle;
  uint8_t family;
  uint16_t family2;
  std::initializer_list<uint8_t> id;
  uint8_t voltage;
  uint16_t maxSpeed;
  uint16_t currentSpeed;
  uint8_t cores;
  uint8_t threads;
  // The structure's strings, in their order.
  const char *socket, *manufacturer, *version, *serial, *assetTag, *partNumber;
};

// Processor Information (type 4), 3.0 length 0x30.
Structure processor(const ProcessorFields& p) {
  return Structure(4, 0x30, p.handle)
      .u8(0x04, 1)     // socket designation
      .u8(0x05, 0x03)  // central processor
      .u8(0x06, p.family)
      .u8(0x07, 2)  // manufacturer
      .bytes(0x08, p.id)
      .u8(0x10, 3)  // version
      .u8(0x11, p.voltage)
      .u16(0x12, 100)  // external clock, MHz
      .u16(0x14, p.maxSpeed)
      .u16(0x16, p.currentSpeed)
      .u8(0x18, 0x41)  // populated, enabled
      .u8(0x19, 0x01)  // upgrade: other
      .u16(0x1A, kNoHandle)
      .u16(0x1C, kNoHandle)
      .u16(0x1E, kNoHandle)
      .u8(0x20, 4)  // serial number
      .u8(0x21, 5)  // asset tag
      .u8(0x22, 6)  // part number
      .u8(0x23, p.cores)
      .u8(0x24, p.cores)
      .u8(0x25, p.threads)
      .u16(0x26, 0x00FC)  // 64-bit, multi-core, hardware threads, NX, virtualization, power
      .u16(0x28, p.family2)
      .u16(0x2A, p.cores)
      .u16(0x2C, p.cores)
      .u16(0x2E, p.threads)
      .str(p.socket)
      .str(p.manufacturer)
      .str(p.version)
      .str(p.serial)
      .str(p.assetTag)
      .str(p.partNumber);
}

// BIOS Language Information (type 13), length 0x16.
Structure biosLanguage(uint16_t handle) {
  return Structure(13, 0x16, handle)
      .u8(0x04, 3)  // installable languages
      .u8(0x05, 0)  // long format
      .u8(0x15, 1)  // current language
      .str("en|US|iso8859-1")
      .str("fr|FR|iso8859-1")
      .str("de|DE|iso8859-1");
}

// Physical Memory Array (type 16), 2.7 length 0x17.
Structure memoryArray(uint16_t handle, uint8_t errorCorrection, uint32_t maximumKb,
                      uint16_t devices, uint64_t extendedMaximumBytes) {
  return Structure(16, 0x17, handle)
      .u8(0x04, 0x03)  // system board
      .u8(0x05, 0x03)  // system memory
      .u8(0x06, errorCorrection)
      .u32(0x07, maximumKb)
      .u16(0x0B, kNoHandle)
      .u16(0x0D, devices)
      .u64(0x0F, extendedMaximumBytes);
}

struct DeviceFields {
  uint16_t handle;
  uint16_t arrayHandle;
  uint16_t size;          // MB; 0x7FFF: see extendedSize; 0: empty slot
  uint32_t extendedSize;  // MB
  uint8_t type;
  uint16_t typeDetail;
  // The structure's strings, in their order.
  const char *locator, *bank, *manufacturer, *serial, *partNumber;
};

// Memory Device (type 17), 3.3 length 0x5C. An empty slot keeps its strings but reports no
// size, speed or voltage.
Structure memoryDevice(const DeviceFields& d) {
  const bool installed = d.size != 0;
  return Structure(17, 0x5C, d.handle)
      .u16(0x04, d.arrayHandle)
      .u16(0x06, kNoHandle)
      .u16(0x08, installed ? 72 : 0xFFFF)  // total width
      .u16(0x0A, installed ? 64 : 0xFFFF)  // data width
      .u16(0x0C, d.size)
      .u8(0x0E, 0x09)  // DIMM
      .u8(0x10, 1)     // device locator
      .u8(0x11, 2)     // bank locator
      .u8(0x12, d.type)
      .u16(0x13, d.typeDetail)
      .u16(0x15, installed ? 3200 : 0)
      .u8(0x17, 3)                  // manufacturer
      .u8(0x18, 4)                  // serial number
      .u8(0x19, 5)                  // asset tag
      .u8(0x1A, 6)                  // part number
      .u8(0x1B, installed ? 2 : 0)  // ranks
      .u32(0x1C, d.extendedSize)
      .u16(0x20, installed ? 3200 : 0)
      .u16(0x22, installed ? 1200 : 0)
      .u16(0x24, installed ? 1200 : 0)
      .u16(0x26, installed ? 1200 : 0)
      .u8(0x28, installed ? 0x03 : 0x02)  // DRAM / unknown
      .str(d.locator)
      .str(d.bank)
      .str(d.manufacturer)
      .str(d.serial)
      .str("Not Specified")
      .str(d.partNumber);
}

// The desktop's processor and first DIMM, shared with the truncated table.
Bytes desktopProcessor() {
  return processor({0x0040,
                    0xC6,
                    0x00C6,
                    {0x72, 0x06, 0x09, 0x00, 0xFF, 0xFB, 0xEB, 0xBF},
                    0x8C,
                    4900,
                    2100,
                    12,
                    20,
                    "LGA1700",
                    "Intel(R) Corporation",
                    "12th Gen Intel(R) Core(TM) i7-12700",
                    "To Be Filled By O.E.M.",
                    "To Be Filled By O.E.M.",
                    "To Be Filled By O.E.M."});
}

Bytes desktopFirstDimm() {
  return memoryDevice({0x0021, 0x0020, 0x4000, 0, 0x1A, 0x0080, "DIMM_A1", "BANK 0",
                       "Sample Memory Co.", "0A1B2C3D", "SMC16G3200U"});
}

// A desktop: one Intel processor, BIOS, three languages, one array with two DDR4 DIMMs.
Bytes desktop() {
  return rawBuffer(tableOf({
                       bios(0x0000, "Sample Firmware Inc.", "1.40", "06/12/2023", 0xFF,
                            kModernCharacteristics, 0x03, 0x0D, 0x0020),
                       systemInformation(0x0001, "Sample Systems Ltd.", "Sample Desktop D12"),
                       desktopProcessor(),
                       biosLanguage(0x0010),
                       memoryArray(0x0020, 0x03, 0x04000000, 2, 0),
                       desktopFirstDimm(),
                       memoryDevice({0x0022, 0x0020, 0x4000, 0, 0x1A, 0x0080, "DIMM_B1", "BANK 1",
                                     "Sample Memory Co.", "0A1B2C3E", "SMC16G3200U"}),
                       endOfTable(0x00FF),
                   }),
                   3, 3);
}

// A two-socket AMD server: two processors (the record keeps the second), one array of sixteen
// slots given in the extended capacity, twelve 64 GB RDIMMs (size in the extended field) and
// four empty slots.
Bytes server() {
  std::vector<Bytes> structures = {
      bios(0x0000, "Sample Firmware Inc.", "2.6.1", "03/15/2024", 0xFF, kModernCharacteristics,
           0x03, 0x0F, 0x0020),
      systemInformation(0x0001, "Sample Systems Ltd.", "Sample Server S2A"),
  };
  for (int socket = 0; socket < 2; ++socket) {
    const std::string name = "CPU" + std::to_string(socket + 1);
    structures.push_back(processor({static_cast<uint16_t>(0x0040 + socket),
                                    0xFE,
                                    0x006B,
                                    {0x11, 0x0F, 0xA0, 0x00, 0xFF, 0xFB, 0x8B, 0x17},
                                    0x8B,
                                    3500,
                                    2450,
                                    64,
                                    128,
                                    name.c_str(),
                                    "Advanced Micro Devices, Inc.",
                                    "AMD EPYC 7763 64-Core Processor",
                                    socket == 0 ? "2B7F11A3C5D00001" : "2B7F11A3C5D00002",
                                    socket == 0 ? "CPU1 Asset" : "CPU2 Asset",
                                    "100-000000312"}));
  }
  structures.push_back(biosLanguage(0x0010));
  // Maximum capacity 0x80000000: the extended field gives 4 TB.
  structures.push_back(memoryArray(0x0020, 0x06, 0x80000000, 16, 1ull << 42));
  for (int slot = 0; slot < 16; ++slot) {
    const int socket = slot / 8;
    const char channel = static_cast<char>('A' + slot % 8);
    const std::string locator = "P" + std::to_string(socket) + "_DIMM_" + channel + "1";
    const std::string bank =
        "P" + std::to_string(socket) + "_Node0_Channel" + std::to_string(slot % 8) + "_Dimm0";
    const bool empty = slot % 4 == 3;
    char serial[16];
    snprintf(serial, sizeof serial, "5E1A%04X", 0x0100 + slot);
    structures.push_back(memoryDevice(
        {static_cast<uint16_t>(0x0030 + slot), 0x0020, static_cast<uint16_t>(empty ? 0 : 0x7FFF),
         empty ? 0u : 0x10000u, static_cast<uint8_t>(empty ? 0x02 : 0x1A),
         static_cast<uint16_t>(empty ? 0x0004 : 0x2080), locator.c_str(), bank.c_str(),
         empty ? "NO DIMM" : "Sample Memory Co.", empty ? "NO DIMM" : serial,
         empty ? "NO DIMM" : "SMC64G3200R"}));
  }
  structures.push_back(endOfTable(0x00FF));
  Bytes table;
  for (const Bytes& s : structures) table.insert(table.end(), s.begin(), s.end());
  return rawBuffer(table, 3, 4);
}

// A broken table: every diagnostic of a walk that stops early, and the fallbacks of the
// decoders for bad strings and values out of range.
Bytes broken() {
  return rawBuffer(
      tableOf({
          // Too short for the extension bytes; bit 3 hides the other characteristics; vendor
          // string 5 of 3 is missing, the release date string is 0, the version holds a tab and
          // a non-ASCII byte.
          Structure(0, 0x12, 0x0000)
              .u8(0x04, 5)
              .u8(0x05, 1)
              .u8(0x08, 0)
              .u8(0x09, 0x10)  // 1088 kB
              .u64(0x0A, 1u << 3 | 1u << 7 | 1u << 11)
              .rawStrings(
                  {'V', '1', 0x09, '0', 0xE9, 0, 'u', 'n', 'u', 's', 'e', 'd', 0, 'x', 0, 0}),
          // Type 34 of length 16 whose last five bytes are printable: fixed up to 11.
          Structure(34, 16, 0x0001).bytes(11, {'A', 'B', 'C', 'D', 'E'}).str("LM78"),
          // Family "Unknown" with a version no rule knows: the ID is kept, no signature, no flags.
          Structure(4, 0x1A, 0x0040)
              .u8(0x04, 1)
              .u8(0x05, 0x07)  // out of the type table
              .u8(0x06, 0x02)
              .u8(0x07, 2)
              .bytes(0x08, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF})
              .u8(0x10, 3)
              .u8(0x11, 0x08)  // no legacy voltage bit
              .str("Socket ?")
              .str("Nobody")
              .str("Mystery CPU 9000"),
          // Too short for the language fields: both read "Unknown".
          Structure(13, 0x15, 0x0010).u8(0x04, 1).str("en|US|iso8859-1"),
          // An inactive structure is stepped over.
          Structure(126, 0x17, 0x0011),
          memoryArray(0x0020, 0x03, 0x00800000, 2, 0),
          // Size 0 keeps only size, form factor, locators and type; the type is out of range.
          Structure(17, 0x28, 0x0021)
              .u16(0x0C, 0)
              .u8(0x0E, 0x09)
              .u8(0x10, 1)
              .u8(0x11, 7)  // no such string
              .u8(0x12, 0x24)
              .str("DIMM0"),
          memoryDevice({0x0022, 0x0020, 0x2000, 0, 0x22, 0x0080, "DIMM1", "BANK 1",
                        "Sample Memory Co.", "77665544", "SMC8G4800"}),
          // The list has two entries: a third device has nowhere to go.
          memoryDevice({0x0023, 0x0020, 0x2000, 0, 0x22, 0x0080, "DIMM2", "BANK 2",
                        "Sample Memory Co.", "77665545", "SMC8G4800"}),
          // A second system memory array: the list is kept, cleared, and filled again from 0.
          memoryArray(0x0024, 0x03, 0x00800000, 1, 0),
          memoryDevice({0x0025, 0x0024, 0x0400, 0, 0x22, 0x0080, "DIMM3", "BANK 3",
                        "Sample Memory Co.", "77665546", "SMC1G4800"}),
          endOfTable(0x00FF),
          // Behind the end of the table: a structure of length 3 stops the walk.
          Bytes{0xDD, 0x03, 0x00, 0x01, 0x00, 0x00},
          Structure(0, 0x12, 0x0002).str("never read"),
      }),
      3, 2);
}

// A table whose last structure loses the end of its string set: it is decoded, then reported
// as truncated, with the count and length mismatches it leaves.
Bytes truncated() {
  Bytes cut = memoryDevice({0x0022, 0x0020, 0x4000, 0, 0x1A, 0x0080, "DIMM_B1", "BANK 1",
                            "Sample Memory Co.", "0A1B2C3E", "SMC16G3200U"});
  cut.resize(cut.size() - 30);  // inside the serial number
  return rawBuffer(tableOf({
                       bios(0x0000, "Sample Firmware Inc.", "1.40", "06/12/2023", 0x3F,
                            kModernCharacteristics, 0x03, 0x0D, 0),
                       desktopProcessor(),
                       memoryArray(0x0020, 0x03, 0x04000000, 2, 0),
                       desktopFirstDimm(),
                       cut,
                   }),
                   3, 3);
}

bool writeFile(const std::string& path, const Bytes& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make_samples OUTDIR\n");
    return 2;
  }
  const struct {
    const char* name;
    Bytes bytes;
  } samples[] = {
      {"desktop.rsmb", desktop()},
      {"server.rsmb", server()},
      {"broken.rsmb", broken()},
      {"truncated.rsmb", truncated()},
  };
  for (const auto& sample : samples) {
    const std::string path = std::string(argv[1]) + "/" + sample.name;
    if (!writeFile(path, sample.bytes)) {
      fprintf(stderr, "make_samples: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
