// BIOS Information and BIOS Language Information decoding, through loads of built tables.
#include "decoders/bios.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "tests/support/held_structure.h"
#include "tests/support/reader_fixture.h"
#include "tests/support/structures.h"

namespace {

class BiosTest : public ReaderTest {};

// Characteristics bits 4 and 7, extension bytes ACPI and UEFI, ROM byte 0xFF with an extended
// ROM size of 32 GB: each length decodes the parts it holds.
TEST_F(BiosTest, LengthGates) {
  const char* const items[] = {"ISA is supported", "PCI is supported", "ACPI is supported",
                               "UEFI is supported"};
  const struct {
    uint8_t length;
    size_t items;         // of the characteristics above
    const char* romSize;  // "(null)": too short to be decoded at all
  } cases[] = {{0x11, 0, "(null)"}, {0x12, 2, "16 MB"}, {0x13, 3, "16 MB"},
               {0x14, 4, "16 MB"},  {0x19, 4, "16 MB"}, {0x1A, 4, "32 GB"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int{c.length});
    freshReader();
    Structure s = biosStructure(c.length).u8(0x09, 0xFF).u32(0x0A, 0x90);
    if (c.length > 0x12) s.u8(0x12, 0x01);
    if (c.length > 0x13) s.u8(0x13, 0x08);
    if (c.length >= 0x1A) s.u16(0x18, 0x4020);
    const LoadOutput output = loadStructures({s});
    EXPECT_EQ(output.out + output.err, "");
    std::string characteristics;
    for (size_t i = 0; i < c.items; ++i)
      characteristics += (i > 0 ? "\n" : "") + std::string(items[i]);
    const bool decoded = c.items > 0;
    EXPECT_EQ(bios().present, decoded ? 1 : 0);
    EXPECT_STREQ(bios().characteristics, characteristics.c_str());
    EXPECT_EQ(text(bios().romSize), c.romSize);
    EXPECT_EQ(text(bios().vendor), decoded ? "Vendor" : "(null)");
    EXPECT_EQ(text(bios().version), decoded ? "1.0" : "(null)");
    EXPECT_EQ(text(bios().releaseDate), decoded ? "01/02/2024" : "(null)");
  }
}

TEST_F(BiosTest, Characteristics) {
  struct Case {
    const char* name;
    uint32_t lower;
    uint32_t upper;
    uint8_t extension1;
    uint8_t extension2;
    const char* expected;
  };
  const Case cases[] = {
      {"nothing set leaves two line feeds", 0, 0, 0, 0, "\n\n"},
      {"bits 0 to 2 and the upper half have no text", 0x7, 0xFFFFFFFF, 0, 0, "\n\n"},
      {"bit 3 excludes the other bits", 0xFFFFFFF8, 0, 0x02, 0,
       "BIOS characteristics not supported\nUSB legacy is supported\n"},
      {"extension byte 2 bit 7 has no text", 0, 0, 0, 0x80, "\n\n"},
      {"inch signs belong to the text", 0x00C00000, 0, 0, 0,
       "5.25\"/360 kB floppy services are supported\n"
       "5.25\"/1.2 MB floppy services are supported\n\n"},
      {"highest bits", 0x80000000, 0, 0x80, 0x40,
       "NEC PC-98\nSmart battery is supported\nManufacturing mode is enabled"},
  };
  for (const Case& c : cases) {
    freshReader();
    loadStructures({biosStructure(0x14)
                        .u32(0x0A, c.lower)
                        .u32(0x0E, c.upper)
                        .u8(0x12, c.extension1)
                        .u8(0x13, c.extension2)});
    EXPECT_STREQ(bios().characteristics, c.expected) << c.name;
  }
}

TEST_F(BiosTest, EveryBitSetGivesEveryItemOnce) {
  loadStructures({biosStructure(0x14).u32(0x0A, 0xFFFFFFF7).u8(0x12, 0xFF).u8(0x13, 0xFF)});
  const std::string all = bios().characteristics;
  // 28 main items, 8 of extension byte 1 and 7 of extension byte 2.
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 28 + 8 + 7 - 1);
  EXPECT_EQ(all.rfind("ISA is supported\nMCA is supported", 0), 0u);
  EXPECT_NE(all.find("NEC PC-98\nACPI is supported\n"), std::string::npos);
  EXPECT_NE(all.find("Smart battery is supported\nBIOS boot specification is supported\n"),
            std::string::npos);
}

TEST_F(BiosTest, RomSizes) {
  struct Case {
    uint8_t romSize;
    uint16_t extended;
    const char* expected;
  };
  const Case cases[] = {
      {0x00, 0, "64 kB"},
      {0x0F, 0, "1 MB"},
      {0x10, 0, "1088 kB"},
      {0x7F, 0, "8 MB"},
      // Longer than the customary seven characters: stored whole.
      {0x9C, 0, "10048 kB"},
      {0xFE, 0, "16320 kB"},
      {0xFF, 0x0020, "32 MB"},
      {0xFF, 0x4020, "32 GB"},
      {0xFF, 0x3FFF, "16383 MB"},
      {0xFF, 0x8001, "1 <OUT OF SPEC>"},
      {0xFF, 0xFFFF, "16383 <OUT OF SPEC>"},
  };
  for (const Case& c : cases) {
    freshReader();
    loadStructures({biosStructure(0x1A).u8(0x09, c.romSize).u16(0x18, c.extended)});
    EXPECT_EQ(text(bios().romSize), c.expected) << int{c.romSize} << " " << c.extended;
  }
}

TEST_F(BiosTest, StringNumbersOutsideTheSet) {
  loadStructures({Structure(0, 0x12).u8(0x04, 0).u8(0x05, 2).u8(0x08, 9).str("only")});
  EXPECT_EQ(text(bios().vendor), "Not Specified");
  EXPECT_EQ(text(bios().version), "<BAD INDEX>");
  EXPECT_EQ(text(bios().releaseDate), "<BAD INDEX>");
}

TEST_F(BiosTest, LaterStructuresReplaceEarlierOnes) {
  const Bytes first = biosStructure(0x14).u32(0x0A, 0x80).u8(0x12, 1).u8(0x13, 1);
  const Bytes second = Structure(0, 0x12).u8(0x04, 1).u8(0x09, 0x0F).u32(0x0A, 0x10).str("Other");
  const Bytes tooShort = Structure(0, 0x11).u8(0x04, 1).str("Ignored");
  loadStructures({first, second, tooShort});
  EXPECT_EQ(text(bios().vendor), "Other");
  EXPECT_EQ(text(bios().version), "Not Specified");
  EXPECT_EQ(text(bios().romSize), "1 MB");
  // Main items only: the extension parts of the first structure are gone.
  EXPECT_STREQ(bios().characteristics, "ISA is supported");
}

TEST_F(BiosTest, TextHelpersWriteTheirDestination) {
  char characteristics[kBiosCharacteristicsSize] = "old";
  characteristicsText(0x100, 0, characteristics);
  EXPECT_STREQ(characteristics, "PC Card (PCMCIA) is supported");
  extensionByte1Text(0, characteristics);
  extensionByte2Text(0x11, characteristics);
  EXPECT_STREQ(characteristics,
               "PC Card (PCMCIA) is supported\n\nBIOS boot specification is supported\n"
               "System is a virtual machine");
  RomSizePie romSize;
  EXPECT_EQ(made(romSizeText(0xFF, 0x0010, romSize)), "16 MB");
}

TEST_F(BiosTest, Languages) {
  struct Case {
    const char* name;
    Bytes structure;
    const char* installable;
    const char* current;
  };
  const Case cases[] = {
      {"too short", languageStructure(0x15, 2, 1).str("en|US|iso8859-1").str("fr|FR|iso8859-1"),
       "Unknown", "Unknown"},
      {"three languages",
       languageStructure(0x16, 3, 2)
           .str("en|US|iso8859-1")
           .str("fr|FR|iso8859-1")
           .str("de|DE|iso8859-1"),
       "en|US|iso8859-1\nfr|FR|iso8859-1\nde|DE|iso8859-1", "fr|FR|iso8859-1"},
      {"none installable", languageStructure(0x16, 0, 0).str("en"), "", "Not Specified"},
      {"count beyond the strings", languageStructure(0x16, 4, 3).str("a").str("b"),
       "a\nb\n<BAD INDEX>\n<BAD INDEX>", "<BAD INDEX>"},
  };
  for (const Case& c : cases) {
    freshReader();
    loadStructures({c.structure});
    EXPECT_EQ(text(biosLanguage().installableLanguages), c.installable) << c.name;
    EXPECT_EQ(text(biosLanguage().currentLanguage), c.current) << c.name;
    EXPECT_EQ(biosLanguage().present, 0) << c.name;
  }
}

TEST_F(BiosTest, LongLanguagesAreStoredWhole) {
  // 255 strings of 200 characters: far beyond the customary work buffers.
  Structure s = languageStructure(0x16, 255, 255);
  std::string expected;
  for (int k = 1; k <= 255; ++k) {
    const std::string language(200, static_cast<char>('A' + k % 26));
    s.str(language);
    if (k > 1) expected += '\n';
    expected += language;
  }
  const LoadOutput output = loadStructures({s});
  EXPECT_EQ(output.out + output.err, "");
  EXPECT_EQ(text(biosLanguage().installableLanguages), expected);
  EXPECT_EQ(text(biosLanguage().currentLanguage), std::string(200, 'A' + 255 % 26));
}

// The one-pass language decoder gives what looking up each string in turn gives, also where the
// set ends early, the table cuts it off, or it holds unprintable bytes.
TEST_F(BiosTest, LanguagesAreWhatEachLookupGives) {
  struct Case {
    const char* name;
    uint8_t installable;
    uint8_t current;
    Bytes strings;  // the string set as it stands, its closing NULs included or not
  };
  const Bytes two = {'a', 'b', 0, 'c', 0, 0};
  const Case cases[] = {
      {"current behind the installable ones", 1, 2, two},
      {"current beyond the set", 2, 5, two},
      {"count beyond the set, current inside", 4, 2, two},
      {"no strings at all", 3, 2, {0, 0}},
      {"unprintable bytes", 2, 1, {'x', 0x09, 0, 0x7F, 'y', 0, 0}},
      // The table ends inside the set: the cut string and all behind it are missing.
      {"set cut by the table end", 3, 1, {'a', 0, 'b', 'c'}},
      {"current cut by the table end", 1, 2, {'a', 0, 'b'}},
  };
  for (const Case& c : cases) {
    const Bytes structure = languageStructure(0x16, c.installable, c.current).rawStrings(c.strings);
    HeldStructure held(structure);
    const StructureHeader header = held.header();
    std::string installable;
    for (unsigned k = 1; k <= c.installable; ++k) {
      installable += (k > 1 ? "\n" : "") + modelString(&header, static_cast<uint8_t>(k));
    }
    const std::string current = modelString(&header, c.current);
    freshReader();
    loadTable(structure);  // the table is the structure alone: it ends where the set does
    EXPECT_EQ(text(biosLanguage().installableLanguages), installable) << c.name;
    EXPECT_EQ(text(biosLanguage().currentLanguage), current) << c.name;
  }
}

// The tables of real machines, read as the platform would deliver them.
class BiosRealTableTest : public ReaderTest {};

TEST_F(BiosRealTableTest, VendorVersionDateAndLanguages) {
  SKIP_WITHOUT_SHARED_TABLES();
  const struct {
    const char* file;
    const char* vendor;
    const char* version;
    const char* releaseDate;
    const char* romSize;
    const char* installableLanguages;
  } cases[] = {
      {"fwupd-sysfs-T440s.DMI", "LENOVO", "GJET75WW (2.25 )", "03/28/2014", "16 MB", "en-US"},
      {"fwupd-sysfs-XPS13-9365.DMI", "Dell Inc.", "99.01.21", "08/21/2017", "12 MB", "en-US"},
      {"fwupdtf-DMI-ProLiant-MicroServer.bin", "HP", "O41    ", "09/30/2010", "2 MB", "(null)"},
      // Announces two languages but holds one string.
      {"fwupdtf-DMI-XPS13-9350.bin", "Dell Inc.", "1.10.1", "01/22/2019", "16 MB",
       "en|US|iso8859-1\n<BAD INDEX>"},
      {"fwupdtf-intel-me-ROG-Z790.DMI", "American Megatrends Inc.", "2801", "11/29/2024", "16 MB",
       "en|US|iso8859-1\nfr|FR|iso8859-1\nzh|TW|unicode\nzh|CN|unicode\nja|JP|unicode\n"
       "de|DE|iso8859-1\nes|ES|iso8859-1\nru|RU|iso8859-5\nko|KR|unicode"},
      {"gosmbios-ASRock-Single-Ryzen.dmi", "American Megatrends International, LLC.", "P1.20",
       "05/19/2021", "16 MB", "en|US|iso8859-1"},
      {"gosmbios-Dell-PowerEdge-R630-Dual-Xeon.dmi", "Dell Inc.", "2.3.4", "11/08/2016", "16 MB",
       "en|US|iso8859-1"},
      {"smbioslib-jeffgerlap_3_2_0.dat", "Microsoft Corporation", "1.2238.140", "01/16/2020",
       "16 MB", "(null)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    freshReader();
    load(sharedTableRaw(c.file));
    EXPECT_EQ(bios().present, 1);
    EXPECT_EQ(text(bios().vendor), c.vendor);
    EXPECT_EQ(text(bios().version), c.version);
    EXPECT_EQ(text(bios().releaseDate), c.releaseDate);
    EXPECT_EQ(text(bios().romSize), c.romSize);
    EXPECT_EQ(text(biosLanguage().installableLanguages), c.installableLanguages);
  }
}

}  // namespace
