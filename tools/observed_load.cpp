#include "tools/observed_load.h"

#include <stdio.h>

#include "reader/reader.h"

namespace {

struct Observers {
  LoadMessages* messages;
  Inventory* inventory;
};

void observeStructure(uint32_t position, const StructureFacts* facts, void* context) {
  Inventory::observeStructure(position, facts, static_cast<Observers*>(context)->inventory);
}

void observeWalk(const InventoryWalk* walk, void* context) {
  Inventory::observeWalk(walk, static_cast<Observers*>(context)->inventory);
}

void observeMessage(DiagnosticKind kind, DiagnosticNumbers numbers, void* context) {
  LoadMessages::observe(kind, numbers, static_cast<Observers*>(context)->messages);
}

void runLoad(const LoadObserver& observer) {
  observeLoad(&observer);
  getRecord(kProcessorCategory);
  observeLoad(nullptr);
}

}  // namespace

void runObservedLoad(LoadMessages* messages, Inventory* inventory) {
  Observers observers = {messages, inventory};
  const LoadObserver observer = {inventory != nullptr ? observeStructure : nullptr,
                                 inventory != nullptr ? observeWalk : nullptr,
                                 messages != nullptr ? observeMessage : nullptr, &observers};
  runLoad(observer);
  // The load has run; some of its messages are lost, not the records.
  if (messages != nullptr && messages->failed()) {
    fputs("zentrik: not enough memory for the reader's messages\n", stderr);
  }
}

void runLoadOntoStderr() {
  runLoad(LoadObserver{nullptr, nullptr, writeOntoStderr, nullptr});
}
