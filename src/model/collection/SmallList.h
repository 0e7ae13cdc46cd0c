#pragma once
// A list of pointer-sized items that holds its first item in place: most
// cells that are read by formulas are read by exactly one, and a list of one
// then costs no allocation. 16 bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace quadrell {

template <typename T>
class SmallList {
  static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= sizeof(void*), "SmallList holds pointer-sized items");

 public:
  SmallList() = default;
  ~SmallList() {
    if (capacity_ > 1) delete[] heap_;
  }
  SmallList(const SmallList&) = delete;
  SmallList& operator=(const SmallList&) = delete;

  bool empty() const { return size_ == 0; }
  size_t size() const { return size_; }
  T* begin() { return capacity_ > 1 ? heap_ : &one_; }
  T* end() { return begin() + size_; }
  const T* begin() const { return capacity_ > 1 ? heap_ : &one_; }
  const T* end() const { return begin() + size_; }
  T& operator[](size_t i) { return begin()[i]; }
  const T& operator[](size_t i) const { return begin()[i]; }

  void push_back(T item) {
    if (size_ == capacity_) Grow();
    begin()[size_++] = item;
  }
  T& back() { return begin()[size_ - 1]; }
  void pop_back() { --size_; }
  // Keeps the order of the others.
  T* erase(T* at) {
    std::copy(at + 1, end(), at);
    --size_;
    return at;
  }

 private:
  void Grow() {
    uint32_t capacity = capacity_ < 4 ? 4 : capacity_ * 2;
    T* grown = new T[capacity];
    std::copy(begin(), end(), grown);
    if (capacity_ > 1) delete[] heap_;
    heap_ = grown;
    capacity_ = capacity;
  }

  union {
    T one_;
    T* heap_;
  };
  uint32_t size_ = 0;
  uint32_t capacity_ = 1;
};

}  // namespace quadrell
