// An ordered list that owns copies of its elements: a count and an array of
// exactly that many element pointers. Every append reallocates the array to
// the new count; there is no spare capacity and no single-element removal.
#pragma once

#include <cstdint>
#include <new>

template <typename T>
class OwnedList {
 public:
  OwnedList() = default;
  OwnedList(const OwnedList&) = delete;
  OwnedList& operator=(const OwnedList&) = delete;
  virtual ~OwnedList() { Clear(); }

  // Appends a copy of item (the caller keeps its own) and returns the copy,
  // or null when memory ran out (the list is then unchanged).
  T* Add(const T& item) {
    T** grown = new (std::nothrow) T*[Count + 1];
    if (grown == nullptr) return nullptr;
    T* copy = new (std::nothrow) T(item);
    if (copy == nullptr) {
      delete[] grown;
      return nullptr;
    }
    for (int32_t i = 0; i < Count; ++i) grown[i] = Items[i];
    grown[Count] = copy;
    delete[] Items;
    Items = grown;
    ++Count;
    return copy;
  }

  // Destroys the elements from last to first and frees the array.
  void Clear() {
    if (Count < 1) return;
    const int32_t count = Count;
    Count = 0;
    for (int32_t i = count - 1; i >= 0; --i) delete Items[i];
    delete[] Items;
    Items = nullptr;
  }

  // Exchanges the contents of two lists without copying an element.
  void Swap(OwnedList& other) {
    T** items = Items;
    Items = other.Items;
    other.Items = items;
    const int32_t count = Count;
    Count = other.Count;
    other.Count = count;
  }

  int32_t Size() const { return Count; }
  T* At(int32_t index) const { return index >= 0 && index < Count ? Items[index] : nullptr; }

 private:
  int32_t Count = 0;
  T** Items = nullptr;
};
