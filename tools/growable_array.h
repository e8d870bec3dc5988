// A growable array of plain values on the C heap, for the tool, which is built without the C++
// standard library. Values are copied byte for byte, so only trivially copyable types may be held.
// When memory runs out a push changes nothing and the array remembers it (failed()).
#pragma once

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

template <typename T>
class GrowableArray {
  static_assert(__is_trivially_copyable(T), "values are moved with memcpy");

 public:
  GrowableArray() = default;
  ~GrowableArray() { free(items_); }
  GrowableArray(const GrowableArray&) = delete;
  GrowableArray& operator=(const GrowableArray&) = delete;

  bool push(const T& item) {
    if (size_ == capacity_ && !grow()) return false;
    memcpy(&items_[size_], &item, sizeof(T));
    ++size_;
    return true;
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  bool failed() const { return failed_; }
  T& operator[](size_t index) { return items_[index]; }
  const T& operator[](size_t index) const { return items_[index]; }
  T* begin() { return items_; }
  T* end() { return items_ + size_; }
  const T* begin() const { return items_; }
  const T* end() const { return items_ + size_; }

 private:
  bool grow() {
    const size_t largest = static_cast<size_t>(-1) / sizeof(T);
    if (capacity_ > largest / 2) return fail();
    const size_t capacity = capacity_ == 0 ? 8 : capacity_ * 2;
    T* items = static_cast<T*>(realloc(items_, capacity * sizeof(T)));
    if (items == nullptr) return fail();
    items_ = items;
    capacity_ = capacity;
    return true;
  }
  bool fail() {
    failed_ = true;
    return false;
  }

  T* items_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
  bool failed_ = false;
};
