#pragma once
// Growable array of pointer-sized items; grows by half its capacity.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

namespace quadrell {

template <typename T>
class ArrayList {
  static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= 8,
                "ArrayList stores references or integers");

 public:
  ArrayList() : items_(new T[kInitialCapacity]()) {}
  ArrayList(const ArrayList&) = delete;
  ArrayList& operator=(const ArrayList&) = delete;

  void Add(T item) {
    if (count_ == capacity_) {
      int64_t capacity = static_cast<int64_t>(std::nearbyint(static_cast<double>(capacity_) * 1.5));
      std::unique_ptr<T[]> items(new T[capacity]());
      std::memcpy(static_cast<void*>(items.get()), items_.get(), sizeof(T) * count_);
      items_ = std::move(items);
      capacity_ = capacity;
    }
    items_[count_++] = item;
  }

  // Removes every occurrence, keeping the order of the rest.
  void Remove(T item) {
    int64_t kept = 0;
    for (int64_t i = 0; i < count_; ++i) {
      if (!(items_[i] == item)) items_[kept++] = items_[i];
    }
    count_ = kept;
  }

  T Get(int64_t index) const { return index < 0 || index >= count_ ? T{} : items_[index]; }

  template <typename F>
  void ForEach(F&& callback) const {
    for (int64_t i = 0; i < count_; ++i) callback(items_[i]);
  }

  int64_t Count() const { return count_; }
  int64_t Capacity() const { return capacity_; }

  void Clear() { count_ = 0; }

 private:
  static constexpr int64_t kInitialCapacity = 17;
  std::unique_ptr<T[]> items_;
  int64_t count_ = 0;
  int64_t capacity_ = kInitialCapacity;
};

}  // namespace quadrell
