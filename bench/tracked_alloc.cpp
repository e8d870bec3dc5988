#include "bench/tracked_alloc.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/serving/served_firmware_table.h"

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
void __real_free(void* block);
}

namespace {

// Each block carries this in front of what the caller sees; 16 bytes keep malloc's alignment.
struct alignas(16) Link {
  Link* previous;
  Link* next;
  size_t size;
};
static_assert(sizeof(Link) % alignof(std::max_align_t) == 0, "header keeps the alignment");

Link head{&head, &head, 0};
size_t heldBytes = 0;
bool tracking = true;

// A block taken while tracking is off stays off the list: its links are null.
void* attach(Link* link, size_t size, bool tracked) {
  link->size = size;
  if (!tracked) {
    link->previous = link->next = nullptr;
    return link + 1;
  }
  link->previous = &head;
  link->next = head.next;
  head.next->previous = link;
  head.next = link;
  heldBytes += size;
  return link + 1;
}

Link* detach(void* block) {
  Link* link = static_cast<Link*>(block) - 1;
  if (link->previous == nullptr) return link;
  link->previous->next = link->next;
  link->next->previous = link->previous;
  heldBytes -= link->size;
  return link;
}

}  // namespace

extern "C" {

void* __wrap_malloc(size_t size) {
  if (size > SIZE_MAX - sizeof(Link)) return nullptr;
  auto* link = static_cast<Link*>(__real_malloc(sizeof(Link) + size));
  return link != nullptr ? attach(link, size, tracking) : nullptr;
}

void* __wrap_calloc(size_t count, size_t size) {
  if (size != 0 && count > (SIZE_MAX - sizeof(Link)) / size) return nullptr;
  auto* link = static_cast<Link*>(__real_calloc(1, sizeof(Link) + count * size));
  return link != nullptr ? attach(link, count * size, tracking) : nullptr;
}

void __wrap_free(void* block) {
  if (block != nullptr) __real_free(detach(block));
}

void* __wrap_realloc(void* block, size_t size) {
  if (block == nullptr) return __wrap_malloc(size);
  if (size > SIZE_MAX - sizeof(Link)) return nullptr;
  const bool tracked = (static_cast<Link*>(block) - 1)->previous != nullptr;
  Link* link = detach(block);
  const size_t oldSize = link->size;
  auto* moved = static_cast<Link*>(__real_realloc(link, sizeof(Link) + size));
  if (moved == nullptr) return attach(link, oldSize, tracked);  // the old block is still valid
  return attach(moved, size, tracked);
}

}  // extern "C"

void releaseTrackedAllocations() {
  while (head.next != &head) __real_free(detach(head.next + 1));
}

size_t trackedBytes() {
  return heldBytes;
}

UntrackedAllocations::UntrackedAllocations() : wasTracking_(tracking) {
  tracking = false;
}
UntrackedAllocations::~UntrackedAllocations() {
  tracking = wasTracking_;
}

void serveUntracked(const void* raw, size_t size) {
  UntrackedAllocations untracked;
  platform::serveRawTable(raw, size);
}
