// What a BIOS Information (type 0) or BIOS Language Information (type 13) structure holds, and
// the texts the package makes of it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "decoders/bios_layout.h"
#include "decoders/facts.h"
#include "decoders/value_text.h"

struct BiosFacts {
  uint16_t handle;
  uint8_t length;
  uint8_t romSize;
  uint16_t extendedRomSize;
  uint32_t characteristics;  // the lower half of the 64-bit field; no bit of the upper has a text
  uint32_t characteristicsUpper;
  uint8_t extensionByte1;
  uint8_t extensionByte2;
  uint8_t stringsHeld;  // the strings of its set, where one of those below is missing
  StringFact vendor;
  StringFact version;
  StringFact releaseDate;

  bool holds(unsigned offset, unsigned size) const { return holdsBytes(length, offset, size); }
  // SMBIOS 2.0's structure ends with the characteristics: the package decodes from there on.
  bool holdsCharacteristics() const { return holds(bios_field::kCharacteristics, 8); }
};

struct BiosLanguageFacts {
  uint16_t handle;
  uint8_t length;
  uint8_t installable;  // how many of the strings are languages, 1 on
  uint8_t stringsHeld;  // the strings of its set, where one named is missing
  // Strings 1 to installable, as one run from the start of the first to the end of the last
  // found: each filtered, NULs between them. found says how many it holds; every one behind them
  // is missing.
  const char* languages;
  size_t languagesBytes;
  unsigned found;
  StringFact current;

  bool holds(unsigned offset, unsigned size) const { return holdsBytes(length, offset, size); }
  bool holdsCurrent() const { return holds(bios_language_field::kCurrentLanguage, 1); }
};

// The ROM size text of the ROM size byte, or of the extended ROM size word when the byte is 0xFF.
// Room for five digits, a blank and "<OUT OF SPEC>".
using RomSizePie = char[24];
FieldText romSizeText(uint8_t romSize, uint16_t extendedRomSize, RomSizePie& sizeInformation);
// The same of a structure: a structure without the extended ROM size word reads as one that
// gives 16 MB in it. Null where the structure ends before the ROM size byte.
FieldText romSizeText(const BiosFacts& bios, RomSizePie& sizeInformation);

// The characteristics text of a structure as the package stores it: the texts of the set bits
// of the characteristics field, then a line feed and those of each extension byte the structure
// holds; into characteristics, which holds kBiosCharacteristicsSize bytes. For a structure that
// holds the characteristics.
void biosCharacteristicsText(const BiosFacts& bios, char* characteristics);
// Its items: those of the characteristics field, then those of each extension byte the structure
// holds, a part each; returns how many parts (0 where the structure ends before the
// characteristics).
size_t biosCharacteristicBits(const BiosFacts& bios, BitTexts (&parts)[3]);
// Its parts: replaces characteristics with the texts of the set bits of the characteristics
// field; appends a line feed and the texts of the set bits of one extension byte.
void characteristicsText(uint32_t lower, uint32_t upper, char* characteristics);
void extensionByte1Text(uint8_t byte, char* characteristics);
void extensionByte2Text(uint8_t byte, char* characteristics);

// Whether the extension bytes the structure holds say "System is a virtual machine".
bool biosSaysVirtualMachine(const BiosFacts& bios);

// The length of the installable languages text: strings 1 to installable, one per line, with
// "<BAD INDEX>" for each that is missing; and that text, written into text (length bytes and a
// NUL).
size_t installableLanguagesLength(const BiosLanguageFacts& language);
void installableLanguagesText(const BiosLanguageFacts& language, char* text);
