#include "fuzz/load_allocations.h"

#include <cstdlib>
#include <vector>

#include "reader/record_store.h"
#include "reader/testing.h"

namespace {

// The copies made since the last release. setTextField never frees the copy it replaces, so
// only this list knows them all.
std::vector<char*>& textCopies() {
  static std::vector<char*>* copies = [] {
    auto* list = new std::vector<char*>;
    list->reserve(1 << 16);
    return list;
  }();
  return *copies;
}

}  // namespace

// The harnesses link with --wrap for setTextField: calls from the decoders land here first.
extern "C" void __real__Z12setTextFieldPPcPKc(char** field, const char* text);
extern "C" void __wrap__Z12setTextFieldPPcPKc(char** field, const char* text) {
  char* const before = *field;
  __real__Z12setTextFieldPPcPKc(field, text);
  // An unchanged field means the copy could not be made.
  if (*field != before) textCopies().push_back(*field);
}

void releaseLoad() {
  for (char* copy : textCopies()) free(copy);
  textCopies().clear();
  // Earlier lists were freed when the list grew; resetRecords forgets this one without freeing.
  free(memoryDevices);
  memoryDevices = nullptr;
  resetRecords();
  resetReaderForTesting();
}

size_t textCopyCount() {
  return textCopies().size();
}

void forgetTextCopiesFrom(size_t count) {
  if (count < textCopies().size()) textCopies().resize(count);
}
