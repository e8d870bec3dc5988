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
constexpr unsigned kVirtualMachineBit = 4;
constexpr ValueText kExtensionByte2[] = {
    {0, "BIOS boot specification is supported"},
    {1, "Function key-initiated network boot is supported"},
    {2, "Targeted content distribution is supported"},
    {3, "UEFI is supported"},
    {kVirtualMachineBit, kVirtualMachineText},
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

FieldText romSizeText(uint8_t romSize, uint16_t extendedRomSize, RomSizePie& sizeInformation) {
  if (romSize != 0xFF) return sizeText((romSize + 1u) * 64u, 1, sizeInformation);
  return WorkText(sizeInformation)
      .decimal(extendedRomSize & 0x3FFFu)
      .add(' ')
      .add(kExtendedRomUnits[extendedRomSize >> 14])
      .result();
}

FieldText romSizeText(const BiosFacts& bios, RomSizePie& sizeInformation) {
  if (!bios.holds(bios_field::kRomSize, 1)) return {nullptr, 0};
  // A structure without the extended ROM size word reads as one that gives 16 MB in it.
  const uint16_t extended = bios.holds(bios_field::kExtendedRomSize, 2) ? bios.extendedRomSize : 16;
  return romSizeText(bios.romSize, extended, sizeInformation);
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

void biosCharacteristicsText(const BiosFacts& bios, char* characteristics) {
  namespace field = bios_field;
  characteristicsText(bios.characteristics, bios.characteristicsUpper, characteristics);
  if (bios.holds(field::kExtensionByte1, 1))
    extensionByte1Text(bios.extensionByte1, characteristics);
  if (bios.holds(field::kExtensionByte2, 1))
    extensionByte2Text(bios.extensionByte2, characteristics);
}

bool biosSaysVirtualMachine(const BiosFacts& bios) {
  return bios.holds(bios_field::kExtensionByte2, 1) &&
         (bios.extensionByte2 >> kVirtualMachineBit & 1) != 0;
}

size_t biosCharacteristicBits(const BiosFacts& bios, BitTexts (&parts)[3]) {
  namespace field = bios_field;
  if (!bios.holdsCharacteristics()) return 0;
  static constexpr ValueText kNotSupported[] = {{3, kNoCharacteristics}};
  const uint32_t lower = bios.characteristics;
  parts[0] =
      (lower & 0x8) != 0 ? bitTexts(kNotSupported, lower) : bitTexts(kCharacteristics, lower);
  size_t n = 1;
  if (bios.holds(field::kExtensionByte1, 1)) {
    parts[n++] = bitTexts(kExtensionByte1, bios.extensionByte1);
  }
  if (bios.holds(field::kExtensionByte2, 1)) {
    parts[n++] = bitTexts(kExtensionByte2, bios.extensionByte2);
  }
  return n;
}

void readBiosFacts(const StructureHeader* header, BiosFacts* bios) {
  namespace field = bios_field;
  bios->handle = header->handle;
  bios->length = header->length;
  bios->romSize = fieldAt<uint8_t>(header, field::kRomSize);
  bios->extendedRomSize = fieldAt<uint16_t>(header, field::kExtendedRomSize);
  bios->characteristics = fieldAt<uint32_t>(header, field::kCharacteristics);
  bios->characteristicsUpper = fieldAt<uint32_t>(header, field::kCharacteristicsUpper);
  bios->extensionByte1 = fieldAt<uint8_t>(header, field::kExtensionByte1);
  bios->extensionByte2 = fieldAt<uint8_t>(header, field::kExtensionByte2);
  const StringField strings[] = {{field::kVendor, &bios->vendor},
                                 {field::kVersion, &bios->version},
                                 {field::kReleaseDate, &bios->releaseDate}};
  bios->stringsHeld = static_cast<uint8_t>(resolveStringsAt(header, strings));
}

bool biosRecordStored(const StructureHeader* header) {
  return holdsField(header, bios_field::kCharacteristics, 8);
}

void storeBiosRecord(const BiosFacts& bios) {
  if (!bios.holdsCharacteristics()) return;
  setTextField(&biosRecord.vendor, bios.vendor.asText());
  setTextField(&biosRecord.version, bios.version.asText());
  setTextField(&biosRecord.releaseDate, bios.releaseDate.asText());
  biosRecord.present = 1;
  RomSizePie sizeInformation;
  setTextField(&biosRecord.romSize, romSizeText(bios, sizeInformation));
  biosCharacteristicsText(bios, biosRecord.characteristics);
}

void readBiosLanguageFacts(const StructureHeader* header, BiosLanguageFacts* language) {
  namespace field = bios_language_field;
  language->handle = header->handle;
  language->length = header->length;
  const unsigned n = fieldAt<uint8_t>(header, field::kInstallableLanguages);
  const unsigned current = fieldAt<uint8_t>(header, field::kCurrentLanguage);
  language->installable = static_cast<uint8_t>(n);
  language->current = {kNotSpecifiedText, sizeof kNotSpecifiedText - 1,
                       static_cast<uint8_t>(current)};
  // The installable languages and the current one, all in one pass over the set.
  StructureStrings set(header);
  const StructureStrings::Run run = set.take(n, current);
  language->languages = run.first;
  language->languagesBytes = run.bytes;
  language->found = run.found;
  unsigned held = run.found;
  if (current == 0) {
    // Not Specified, as set above.
  } else if (run.wanted != nullptr) {
    language->current.text = run.wanted;
    language->current.length = static_cast<uint32_t>(run.wantedLength);
  } else if (current > n && run.found == n) {
    // Behind the installable languages the pass goes on to it, when the set has not ended.
    size_t length = 0;
    const char* text = kBadIndexText;
    for (unsigned k = n + 1; k <= current; ++k) {
      text = set.next(&length);
      if (text == kBadIndexText) {
        held = k - 1;
        break;
      }
    }
    language->current.text = text;
    language->current.length = static_cast<uint32_t>(length);
  } else {
    language->current.text = kBadIndexText;
    language->current.length = sizeof kBadIndexText - 1;
  }
  language->stringsHeld = static_cast<uint8_t>(held);
}

size_t installableLanguagesLength(const BiosLanguageFacts& language) {
  const unsigned n = language.installable;
  const unsigned missing = n - language.found;
  // Each missing one adds a line feed and "<BAD INDEX>", but for the first line.
  return language.languagesBytes + missing * sizeof kBadIndexText -
         (language.found == 0 && n > 0 ? 1 : 0);
}

void installableLanguagesText(const BiosLanguageFacts& language, char* text) {
  // The NULs between the strings become the line feeds. From locals: the text may alias the
  // facts for all the compiler knows, which would keep it from copying many bytes at once.
  const char* const languages = language.languages;
  const size_t bytes = language.languagesBytes;
  for (size_t i = 0; i < bytes; ++i) text[i] = languages[i] != '\0' ? languages[i] : '\n';
  text += bytes;
  for (unsigned k = language.found; k < language.installable; ++k) {
    if (k > 0) *text++ = '\n';
    memcpy(text, kBadIndexText, sizeof kBadIndexText - 1);
    text += sizeof kBadIndexText - 1;
  }
  *text = '\0';
}

void storeBiosLanguageRecord(const BiosLanguageFacts& language) {
  if (!language.holdsCurrent()) {
    setTextField(&biosLanguageRecord.currentLanguage, "Unknown");
    setTextField(&biosLanguageRecord.installableLanguages, "Unknown");
    return;
  }
  // Up to 255 strings of any length: the text is written straight into its field, sized to fit.
  // Without memory for the whole text the field keeps what it held, as setTextField does.
  char* languagePie =
      newTextField(&biosLanguageRecord.installableLanguages, installableLanguagesLength(language));
  if (languagePie != nullptr) installableLanguagesText(language, languagePie);
  // The current language is stored whole, whatever its length.
  setTextField(&biosLanguageRecord.currentLanguage, language.current.asText());
}
