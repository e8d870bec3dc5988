// BIOS Information (type 0), DSP0134 section 7.1, and BIOS Language Information (type 13),
// section 7.14.
#include "decoders/bios.h"

#include <string.h>

#include "decoders/bios_layout.h"
#include "decoders/decoder_text.h"
#include "decoders/size_text.h"
#include "decoders/value_text.h"
#include "records/record_store.h"

namespace {

constexpr const char kNoCharacteristics[] = "BIOS characteristics not supported";

// Bits 4 to 31 of the characteristics field. Bit 3 (kNoCharacteristics) excludes all of them.
constexpr ValueText kCharacteristics[] = {
    {4, "ISA is supported"},
    {5, "MCA is supported"},
    {6, "EISA is supported"},
    {7, "PCI is supported"},
    {8, "PC Card (PCMCIA) is supported"},
    {9, "PNP is supported"},
    {10, "APM is supported"},
    {11, "BIOS is upgradeable"},
    {12, "BIOS shadowing is allowed"},
    {13, "VLB is supported"},
    {14, "ESCD support is available"},
    {15, "Boot from CD is supported"},
    {16, "Selectable boot is supported"},
    {17, "BIOS ROM is socketed"},
    {18, "Boot from PC Card (PCMCIA) is supported"},
    {19, "EDD is supported"},
    {20, "Japanese floppy for NEC 9800 1.2 MB is supported"},
    {21, "Japanese floppy for Toshiba 1.2 MB is supported"},
    {22, "5.25\"/360 kB floppy services are supported"},
    {23, "5.25\"/1.2 MB floppy services are supported"},
    {24, "3.5\"/720 kB floppy services are supported"},
    {25, "3.5\"/2.88 MB floppy services are supported"},
    {26, "Print screen service is supported"},
    {27, "8042 keyboard services are supported"},
    {28, "Serial services are supported"},
    {29, "Printer services are supported"},
    {30, "CGA/mono video services are supported"},
    {31, "NEC PC-98"},
};

constexpr ValueText kExtensionByte1[] = {
    {0, "ACPI is supported"},
    {1, "USB legacy is supported"},
    {2, "AGP is supported"},
    {3, "I2O boot is supported"},
    {4, "LS-120 boot is supported"},
    {5, "ATAPI Zip drive boot is supported"},
    {6, "IEEE 1394 boot is supported"},
    {7, "Smart battery is supported"},
};

// Bit 7 has no text.
constexpr ValueText kExtensionByte2[] = {
    {0, "BIOS boot specification is supported"},
    {1, "Function key-initiated network boot is supported"},
    {2, "Targeted content distribution is supported"},
    {3, "UEFI is supported"},
    {4, kVirtualMachineText},
    {5, "Manufacturing mode is supported"},
    {6, "Manufacturing mode is enabled"},
};

// Indexed by bits 14 and 15 of the extended ROM size word.
constexpr const char* kExtendedRomUnits[] = {"MB", "GB", kOutOfSpec, kOutOfSpec};

// Length of every text of a table joined by line feeds.
template <size_t N>
constexpr size_t joinedLength(const ValueText (&table)[N]) {
  size_t n = N - 1;
  for (const ValueText& entry : table) n += entry.length;
  return n;
}

static_assert(strictlyAscending(kCharacteristics), "bits in ascending order");
static_assert(strictlyAscending(kExtensionByte1), "bits in ascending order");
static_assert(strictlyAscending(kExtensionByte2), "bits in ascending order");
// The characteristics array is written with unbounded appends: the longest text must fit.
static_assert(joinedLength(kCharacteristics) + 1 + joinedLength(kExtensionByte1) + 1 +
                      joinedLength(kExtensionByte2) <
                  kBiosCharacteristicsSize,
              "characteristics text fits its array");

static_assert(textLength(kNoCharacteristics) <= joinedLength(kCharacteristics),
              "either characteristics text fits one work buffer");

}  // namespace

void romSizeText(uint8_t romSize, uint16_t extendedRomSize, char** field) {
  if (romSize != 0xFF) {
    const SizeText size = sizeText((romSize + 1u) * 64u, 1);
    setTextField(field, size.text, size.length);
    return;
  }
  // Room for five digits, a blank and "<OUT OF SPEC>".
  char sizeInformation[24];
  WorkText(sizeInformation)
      .decimal(extendedRomSize & 0x3FFFu)
      .add(' ')
      .add(kExtendedRomUnits[extendedRomSize >> 14])
      .store(field);
}

void characteristicsText(uint32_t lower, uint32_t /*upper: no bit has a text*/,
                         char* characteristics) {
  char characteristicsPie[joinedLength(kCharacteristics) + 1];
  WorkText text(characteristicsPie);
  if ((lower & 0x8) != 0) {
    text.add(kNoCharacteristics, sizeof kNoCharacteristics - 1);
  } else {
    text.addBitTexts(kCharacteristics, lower, '\n');
  }
  copyText(characteristics, text.terminated());
}

void extensionByte1Text(uint8_t byte, char* characteristics) {
  char extensionPie[joinedLength(kExtensionByte1) + 1];
  appendLine(characteristics,
             WorkText(extensionPie).addBitTexts(kExtensionByte1, byte, '\n').terminated());
}

void extensionByte2Text(uint8_t byte, char* characteristics) {
  char extensionPie[joinedLength(kExtensionByte2) + 1];
  appendLine(characteristics,
             WorkText(extensionPie).addBitTexts(kExtensionByte2, byte, '\n').terminated());
}

void decodeBiosInformation(const StructureHeader* header) {
  namespace field = bios_field;
  if (!holdsField(header, field::kCharacteristics, 8)) return;
  const unsigned stringOffsets[] = {field::kVendor, field::kVersion, field::kReleaseDate};
  FoundString strings[3];
  lookUpStringsAt(header, stringOffsets, strings);
  setTextField(&biosRecord.vendor, strings[0]);
  setTextField(&biosRecord.version, strings[1]);
  setTextField(&biosRecord.releaseDate, strings[2]);
  biosRecord.present = 1;
  // A structure without the extended ROM size word reads as one that gives 16 MB in it.
  const uint16_t extendedRomSize = holdsField(header, field::kExtendedRomSize, 2)
                                       ? readU16Le(header, field::kExtendedRomSize)
                                       : 16;
  romSizeText(readU8(header, field::kRomSize), extendedRomSize, &biosRecord.romSize);
  characteristicsText(readU32Le(header, field::kCharacteristics),
                      readU32Le(header, field::kCharacteristicsUpper), biosRecord.characteristics);
  if (holdsField(header, field::kExtensionByte1, 1)) {
    extensionByte1Text(readU8(header, field::kExtensionByte1), biosRecord.characteristics);
  }
  if (holdsField(header, field::kExtensionByte2, 1)) {
    extensionByte2Text(readU8(header, field::kExtensionByte2), biosRecord.characteristics);
  }
}

namespace {

constexpr unsigned kInstallableOnly = 256;  // no string has this number

// The installable languages, strings 1 to n of the set, one per line, and the current language,
// the string numbered current, all in one pass over the set. Up to 255 strings of any length: the
// text is written straight into its field, sized to fit.
void storeLanguageTexts(const StructureHeader* header, unsigned current) {
  const unsigned n = readU8(header, bios_language_field::kInstallableLanguages);
  StructureStrings set(header);
  const StructureStrings::Run run = set.take(n, current);
  const unsigned missing = n - run.found;
  const size_t missingBytes = missing * sizeof kBadIndexText - (run.found == 0 && n > 0 ? 1 : 0);

  // Without memory for the whole text the field keeps what it held, as setTextField does.
  char* languagePie =
      newTextField(&biosLanguageRecord.installableLanguages, run.bytes + missingBytes);
  if (languagePie != nullptr) {
    // The NULs between the strings become the line feeds.
    for (size_t i = 0; i < run.bytes; ++i) {
      languagePie[i] = run.first[i] != '\0' ? run.first[i] : '\n';
    }
    languagePie += run.bytes;
    for (unsigned k = run.found; k < n; ++k) {
      if (k > 0) *languagePie++ = '\n';
      memcpy(languagePie, kBadIndexText, sizeof kBadIndexText - 1);
      languagePie += sizeof kBadIndexText - 1;
    }
  }

  if (current == kInstallableOnly) return;
  if (current == 0) {
    setTextField(&biosLanguageRecord.currentLanguage, kNotSpecifiedText);
    return;
  }
  FoundString currentLanguage = {kBadIndexText, sizeof kBadIndexText - 1};
  if (run.wanted != nullptr) {
    currentLanguage = {run.wanted, run.wantedLength};
  } else if (current > n && run.found == n) {
    // Behind the installable languages the pass goes on to it, when the set has not ended.
    for (unsigned k = n + 1; k < current; ++k) set.next();
    currentLanguage.text = set.next(&currentLanguage.length);
  }
  setTextField(&biosLanguageRecord.currentLanguage, currentLanguage);
}

}  // namespace

void installableLanguagesText(const StructureHeader* header) {
  storeLanguageTexts(header, kInstallableOnly);
}

void decodeBiosLanguage(const StructureHeader* header) {
  namespace field = bios_language_field;
  if (!holdsField(header, field::kCurrentLanguage, 1)) {
    setTextField(&biosLanguageRecord.currentLanguage, "Unknown");
    setTextField(&biosLanguageRecord.installableLanguages, "Unknown");
    return;
  }
  // The current language is stored whole, whatever its length.
  storeLanguageTexts(header, readU8(header, field::kCurrentLanguage));
}
