// One table per record: the texts the tool makes of a structure's facts are the package's own.
// Every structure of every sample, fuzz seed and real machine's table is loaded alone, and what
// the package stores of it is compared, field by field, with the text the table makes of the
// facts the load read it into.
#include "decoders/record_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/serving/served_firmware_table.h"
#include "reader/load_observer.h"
#include "structures/structure.h"
#include "tests/support/reader_fixture.h"

namespace {

// The items of a list as the reports show them: without empty ones.
std::vector<std::string> itemsOf(const std::string& text, char separator) {
  std::vector<std::string> items;
  std::string item;
  for (const char c : text + separator) {
    if (c != separator) {
      item += c;
    } else if (!item.empty()) {
      items.push_back(item);
      item.clear();
    }
  }
  return items;
}

std::vector<std::string> itemsOf(const FieldValue& v) {
  std::vector<std::string> items;
  for (size_t p = 0; p < v.partCount; ++p) {
    v.parts[p].forEach([&items](const ValueText& item) { items.push_back(item.text); });
  }
  if (v.partCount == 0) items = itemsOf(std::string(v.text.text, v.text.length), v.separator);
  for (unsigned k = v.found; k < v.items; ++k) items.push_back(kBadIndexText);
  return items;
}

template <const auto& kFields, typename Record, typename Facts>
void expectTheRecordsTexts(const Record& record, const Facts& facts) {
  FieldRoom room;
  for (const auto& field : kFields) {
    SCOPED_TRACE(field.key);
    const char* stored = recordText(record, field);
    if (stored == nullptr) continue;
    const FieldValue value = field.value(facts, room);
    if (value.text.text == nullptr) {
      // Only the oldest processor layout's fields get a text the structure does not hold.
      EXPECT_STREQ(stored, kUnknowableText);
    } else if (field.kind == FieldKind::kList) {
      EXPECT_EQ(itemsOf(stored, '\n'), itemsOf(value));
    } else {
      EXPECT_EQ(stored, std::string(value.text.text, value.text.length));
    }
  }
}

struct Observed {
  StructureFacts facts;
  bool seen = false;
};

class RecordFields : public ReaderTest {
 protected:
  // Loads table, its messages dropped, and compares the record of its structure of type with
  // the facts the load read it into.
  void loadAndCompare(const Bytes& table, uint8_t type) {
    freshReader();
    Observed observed;
    const LoadObserver observer = {[](uint32_t, const StructureFacts* facts, void* context) {
                                     auto& o = *static_cast<Observed*>(context);
                                     o.facts = *facts;
                                     o.seen = true;
                                   },
                                   nullptr, [](DiagnosticKind, DiagnosticNumbers, void*) {},
                                   &observed};
    const Bytes raw = rawBuffer(table);
    platform::serveRawTable(raw.data(), raw.size());
    observeLoad(&observer);
    getRecord(0);
    observeLoad(nullptr);
    if (!observed.seen || observed.facts.type != type) return;
    ++compared_;
    const StructureFacts& f = observed.facts;
    switch (type) {
      case kBiosInformationType:
        if (bios().present == 1) expectTheRecordsTexts<kBiosFields>(bios(), f.bios);
        break;
      case kBiosLanguageType:
        // Too short for its languages, it stores "Unknown" for both.
        if (f.biosLanguage.holdsCurrent()) {
          expectTheRecordsTexts<kBiosLanguageFields>(biosLanguage(), f.biosLanguage);
        }
        break;
      case kProcessorInformationType:
        expectTheRecordsTexts<kProcessorFields>(processor(), f.processor);
        break;
      case kPhysicalMemoryArrayType:
        expectTheRecordsTexts<kMemoryArrayFields>(memoryArray(), f.memoryArray);
        break;
      case kMemoryDeviceType:
        if (devices() != nullptr)
          expectTheRecordsTexts<kMemoryDeviceFields>(devices()[0], f.memoryDevice);
        break;
    }
  }

  size_t compared_ = 0;
};

TEST_F(RecordFields, TheToolsTextsAreThePackages) {
  const std::vector<std::string> inputs = everyTableInput();
  // An array of system memory for one device, so that a device alone has an entry to fill.
  const Bytes array = Structure(16, 0x0F).u8(0x05, 3).u16(0x0D, 1);
  for (const std::string& path : inputs) {
    SCOPED_TRACE(path);
    Bytes raw;
    if (!readTableAsRaw(path, &raw) || raw.size() < 8) continue;
    const Bytes table(raw.begin() + 8, raw.end());
    ConstStructureIterator structures(table.data(), static_cast<uint32_t>(table.size()));
    for (uint8_t length = 0; !structures.atEnd() && structures.formattedLength(&length);) {
      const size_t start = static_cast<size_t>(structures.offset());
      const uint8_t type = table[start];
      structures.next(length);
      const size_t end = structures.offset() < table.size() ? structures.offset() : table.size();
      const Bytes alone(table.begin() + static_cast<ptrdiff_t>(start),
                        table.begin() + static_cast<ptrdiff_t>(end));
      loadAndCompare(type == kMemoryDeviceType ? tableOf({array, alone}) : alone, type);
      if (length < 4) break;
    }
  }
  EXPECT_GT(compared_, 100u);
}

}  // namespace
