#include "decoders/record_fields.h"

#include <string.h>

namespace {

// A list of the texts of set bits, items as they are; its text is left empty.
FieldValue bitsValue(const BitTexts* parts, size_t count) {
  FieldValue value = kNotHeld;
  value.text = {"", 0};
  for (size_t i = 0; i < count; ++i) value.parts[i] = parts[i];
  value.partCount = count;
  return value;
}

FieldValue textValue(FieldText text) {
  FieldValue value = kNotHeld;
  value.text = text;
  return value;
}

FieldValue numberValue(FieldText text, bool known, uint64_t number) {
  FieldValue value = textValue(text);
  value.known = known;
  value.number = number;
  return value;
}

FieldValue frequency(const ProcessorFacts& p, unsigned offset, uint16_t value, FieldRoom& room) {
  if (!p.holds(offset, 2)) return kNotHeld;
  return numberValue(processorFrequencyText(value, room.frequency), value != 0, value);
}

FieldValue count(const ProcessorFacts& p, ProcessorCount which, FieldRoom& room) {
  if (!holdsCount(p, which)) return kNotHeld;
  const FieldText text = processorCountText(p, which, room.count);
  return numberValue(text, text.text != nullptr, processorCount(p, which));
}

// A size: its text, and the bytes it stands for where the structure gives them.
template <typename Facts>
FieldValue sizeValue(const Facts& facts, FieldRoom& room,
                     FieldText (*text)(const Facts&, MemoryNumberPie&),
                     bool (*bytes)(const Facts&, uint64_t*)) {
  const FieldText shown = text(facts, room.memoryNumber);
  if (shown.text == nullptr) return kNotHeld;
  uint64_t count = 0;
  const bool known = bytes(facts, &count);
  return numberValue(shown, known, count);
}

FieldValue speed(FieldText text, uint32_t megatransfers) {
  if (text.text == nullptr) return kNotHeld;
  return numberValue(text, megatransfers != 0, megatransfers);
}

}  // namespace

FieldValue biosCharacteristics(const BiosFacts& bios, FieldRoom&) {
  BitTexts parts[3];
  const size_t count = biosCharacteristicBits(bios, parts);
  if (count == 0) return kNotHeld;
  return bitsValue(parts, count);
}

FieldValue biosRomSize(const BiosFacts& bios, FieldRoom& room) {
  const FieldText text = romSizeText(bios, room.romSize);
  if (text.text == nullptr) return kNotHeld;
  // 64 kB blocks less one, or the extended word (16 MB where the structure ends before it),
  // whose top two bits give its unit: MB, GB; the others name none.
  if (bios.romSize != 0xFF)
    return numberValue(text, true, (bios.romSize + 1u) * uint64_t{64} << 10);
  const uint16_t extended =
      bios.holds(bios_field::kExtendedRomSize, 2) ? bios.extendedRomSize : uint16_t{16};
  const unsigned unit = extended >> 14;
  return numberValue(text, unit < 2, uint64_t{extended & 0x3FFFu} << (unit == 0 ? 20 : 30));
}

FieldValue currentLanguage(const BiosLanguageFacts& language, FieldRoom&) {
  return stringValue(language.holdsCurrent(), language.current);
}

FieldValue installableLanguages(const BiosLanguageFacts& language, FieldRoom&) {
  if (!language.holds(bios_language_field::kInstallableLanguages, 1)) return kNotHeld;
  // The strings as the set holds them, NULs between them; those missing behind them.
  FieldValue value =
      textValue({language.languages != nullptr ? language.languages : "", language.languagesBytes});
  value.separator = '\0';
  value.items = language.installable;
  value.found = language.found;
  return value;
}

FieldValue processorFamily(const ProcessorFacts& p, FieldRoom&) {
  if (!p.holds(processor_field::kFamily, 1)) return kNotHeld;
  FieldValue value = kNotHeld;
  value.text = processorFamilyText(p, &value.named);
  value.number = processorFamilyCode(p);
  return value;
}

FieldValue processorFlags(const ProcessorFacts& p, FieldRoom&) {
  if (!p.holdsId()) return kNotHeld;
  // "UNKNOWN" and "None" as they stand; the named flags as items.
  const FieldText word = processorFlagsWithoutItems(detectProcessorIdKind(p), p.id);
  if (word.text != nullptr) return textValue(word);
  const BitTexts flags = processorFlagBits(p.id);
  return bitsValue(&flags, 1);
}

FieldValue processorVoltage(const ProcessorFacts& p, FieldRoom& room) {
  if (!p.holds(processor_field::kVoltage, 1)) return kNotHeld;
  unsigned millivolts = 0;
  const bool known = processorMillivolts(p.voltage, &millivolts);
  return numberValue(processorVoltageText(p.voltage, room.voltage), known, millivolts);
}

FieldValue processorExternalClock(const ProcessorFacts& p, FieldRoom& room) {
  return frequency(p, processor_field::kExternalClock, p.externalClock, room);
}
FieldValue processorMaxSpeed(const ProcessorFacts& p, FieldRoom& room) {
  return frequency(p, processor_field::kMaxSpeed, p.maxSpeed, room);
}
FieldValue processorCurrentSpeed(const ProcessorFacts& p, FieldRoom& room) {
  return frequency(p, processor_field::kCurrentSpeed, p.currentSpeed, room);
}

FieldValue processorCoreCount(const ProcessorFacts& p, FieldRoom& room) {
  return count(p, ProcessorCount::kCores, room);
}
FieldValue processorCoresEnabled(const ProcessorFacts& p, FieldRoom& room) {
  return count(p, ProcessorCount::kCoresEnabled, room);
}
FieldValue processorThreadCount(const ProcessorFacts& p, FieldRoom& room) {
  return count(p, ProcessorCount::kThreads, room);
}

FieldValue processorCharacteristics(const ProcessorFacts& p, FieldRoom&) {
  if (!p.holds(processor_field::kCharacteristics, 2)) return kNotHeld;
  const FieldText none = processorCharacteristicsWithoutItems(p.characteristics);
  if (none.text != nullptr) return textValue(none);
  const BitTexts characteristics = processorCharacteristicBits(p.characteristics);
  return bitsValue(&characteristics, 1);
}

FieldValue processorId(const ProcessorFacts& p, FieldRoom& room) {
  if (!p.holdsId()) return kNotHeld;
  return textValue(processorIdText(p.id, room.id));
}

FieldValue processorSignature(const ProcessorFacts& p, FieldRoom& room) {
  if (!p.holdsId()) return kNotHeld;
  return textValue(processorSignatureText(detectProcessorIdKind(p), p.id, room.signature));
}

FieldValue arrayMaximumCapacity(const MemoryArrayFacts& array, FieldRoom& room) {
  return sizeValue(array, room, maximumCapacityText, maximumCapacityBytes);
}

FieldValue deviceSize(const MemoryDeviceFacts& d, FieldRoom& room) {
  return sizeValue(d, room, deviceSizeText, deviceSizeBytes);
}

FieldValue deviceSpeed(const MemoryDeviceFacts& d, FieldRoom& room) {
  return speed(deviceSpeedText(d, room.memoryNumber), deviceSpeedMTs(d));
}

FieldValue deviceConfiguredSpeed(const MemoryDeviceFacts& d, FieldRoom& room) {
  return speed(deviceConfiguredSpeedText(d, room.memoryNumber), deviceConfiguredSpeedMTs(d));
}

FieldValue deviceConfiguredVoltage(const MemoryDeviceFacts& d, FieldRoom& room) {
  if (!d.holds(memory_device_field::kConfiguredVoltage, 2)) return kNotHeld;
  const uint16_t millivolts = d.configuredVoltage;
  return numberValue(memoryVoltageText(millivolts, room.memoryNumber), millivolts != 0, millivolts);
}

FieldValue deviceReserved(const MemoryDeviceFacts&, FieldRoom&) {
  return kNotHeld;
}
