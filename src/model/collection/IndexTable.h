#pragma once
// A table from 32-bit keys to pointers for keys that mostly run densely from
// 0 (the cells of a row, the rows of a sheet): those live in a plain array
// indexed by key, 8 bytes each and nothing allocated while empty; keys far
// beyond the filled part, and negative ones, go to a hashtable made on first
// need. Storing null removes an entry.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "model/collection/Hashtable.h"

namespace quadrell {

template <typename T>
class IndexTable {
  static_assert(std::is_pointer_v<T>, "IndexTable stores pointers");

 public:
  IndexTable() = default;
  IndexTable(const IndexTable&) = delete;
  IndexTable& operator=(const IndexTable&) = delete;

  T Get(int32_t key) const {
    if (static_cast<uint32_t>(key) < denseCapacity_) return dense_[key];
    return sparse_ ? sparse_->Get(key) : nullptr;
  }

  void Put(int32_t key, T value) {
    if (static_cast<uint32_t>(key) >= denseCapacity_ && value && !sparse_ && FitsDense(key)) GrowDense(key);
    if (static_cast<uint32_t>(key) < denseCapacity_) {
      denseCount_ += (value != nullptr) - (dense_[key] != nullptr);
      dense_[key] = value;
      return;
    }
    if (!sparse_) {
      if (!value) return;
      sparse_ = std::make_unique<Hashtable<T>>();
    }
    sparse_->Put(key, value);
  }

  // Makes room at once for the keys below `keys`, of which `entries` will be
  // stored, where the array would grow to hold them anyway.
  void Reserve(int32_t keys, int32_t entries) {
    if (keys > 0 && static_cast<uint32_t>(keys) > denseCapacity_ && !sparse_ &&
        int64_t{keys} <= kDenseSlack + 3 * (int64_t{denseCount_} + std::max(entries, 1))) {
      Resize(static_cast<uint32_t>(keys));
    }
  }

  // Calls f(key, value) for every stored entry: the dense keys in order, then
  // the others in no particular order. Null entries may be visited.
  template <typename F>
  void ForEachSlot(F&& f) const {
    for (uint32_t k = 0; k < denseCapacity_; ++k) {
      if (dense_[k]) f(static_cast<int32_t>(k), dense_[k]);
    }
    if (sparse_) sparse_->ForEachSlot(f);
  }

  // The slots a walk over every entry visits: what a caller weighs against
  // looking up each key of a span.
  int64_t Capacity() const { return int64_t{denseCapacity_} + (sparse_ ? sparse_->Capacity() : 0); }
  size_t MemoryBytes() const {
    return sizeof(T) * denseCapacity_ + (sparse_ ? sizeof(Hashtable<T>) + sparse_->MemoryBytes() : 0);
  }

 private:
  // A key joins the array while the array stays at least about a third full.
  bool FitsDense(int32_t key) const {
    return key >= 0 && int64_t{key} < kDenseSlack + 3 * (int64_t{denseCount_} + 1);
  }

  void GrowDense(int32_t key) {
    uint32_t capacity = std::max<uint32_t>(static_cast<uint32_t>(key) + 1, denseCapacity_ + denseCapacity_ / 2);
    Resize((capacity + 3) & ~uint32_t{3});
  }

  void Resize(uint32_t capacity) {
    std::unique_ptr<T[]> grown(new T[capacity]());
    std::copy(dense_.get(), dense_.get() + denseCapacity_, grown.get());
    dense_ = std::move(grown);
    denseCapacity_ = capacity;
  }

  static constexpr int64_t kDenseSlack = 16;

  std::unique_ptr<T[]> dense_;
  uint32_t denseCapacity_ = 0;
  uint32_t denseCount_ = 0;
  std::unique_ptr<Hashtable<T>> sparse_;
};

}  // namespace quadrell
