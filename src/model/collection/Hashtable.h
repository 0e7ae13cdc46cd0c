#pragma once
// Open-addressing table from 32-bit keys to pointer-sized values. There is no
// removal: storing the null value stands for it, and the key keeps its slot.
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

namespace quadrell {

template <typename T>
class Hashtable {
  static_assert(std::is_trivially_copyable_v<T> && sizeof(T) <= 8,
                "Hashtable stores references or integers");

 public:
  Hashtable() : capacity_(kInitialCapacity), slots_(new Slot[kInitialCapacity]()) {}
  Hashtable(const Hashtable&) = delete;
  Hashtable& operator=(const Hashtable&) = delete;

  void Put(int32_t key, T value) {
    if (Find(key) == nullptr) {
      ++count_;
      if (2 * count_ > capacity_) Grow();
    }
    Slot* slot = Probe(slots_.get(), capacity_, key);
    if (!slot->used) {
      slot->used = 1;
      slot->key = key;
    }
    slot->value = value;
  }

  T Get(int32_t key) const {
    const Slot* slot = Find(key);
    return slot ? slot->value : T{};
  }

  void ResetIterator() {
    cursor_ = 0;
    HasNext();
  }
  bool HasNext() {
    while (cursor_ < capacity_ && !slots_[cursor_].used) ++cursor_;
    return cursor_ < capacity_;
  }
  T Next() { return slots_[cursor_++].value; }

  void Clear() {
    std::memset(static_cast<void*>(slots_.get()), 0, sizeof(Slot) * capacity_);
    count_ = 0;
  }

  // Calls f(key, value) for every stored key in slot order, null values included.
  // Independent of the iteration cursor, so walks may nest.
  template <typename F>
  void ForEachSlot(F&& f) const {
    for (int64_t i = 0; i < capacity_; ++i) {
      if (slots_[i].used) f(slots_[i].key, slots_[i].value);
    }
  }

  int64_t Capacity() const { return capacity_; }
  int64_t Count() const { return count_; }
  size_t MemoryBytes() const { return sizeof(Slot) * static_cast<size_t>(capacity_); }

 private:
  static constexpr int64_t kInitialCapacity = 17;

#pragma pack(push, 1)
  struct Slot {
    uint8_t used;
    int32_t key;
    T value;
  };
#pragma pack(pop)

  static int64_t Home(int32_t key, int64_t capacity) {
    return ((static_cast<int64_t>(key) * 3) & 0x7FFFFFFF) % capacity;
  }

  static Slot* Probe(Slot* slots, int64_t capacity, int32_t key) {
    int64_t i = Home(key, capacity);
    while (slots[i].used && slots[i].key != key) {
      if (++i == capacity) i = 0;
    }
    return &slots[i];
  }

  const Slot* Find(int32_t key) const {
    int64_t i = Home(key, capacity_);
    while (slots_[i].used) {
      if (slots_[i].key == key) return &slots_[i];
      if (++i == capacity_) i = 0;
    }
    return nullptr;
  }

  void Grow() {
    int64_t capacity = (capacity_ + (capacity_ >> 1)) | 1;
    std::unique_ptr<Slot[]> slots(new Slot[capacity]());
    for (int64_t i = 0; i < capacity_; ++i) {
      if (slots_[i].used) *Probe(slots.get(), capacity, slots_[i].key) = slots_[i];
    }
    slots_ = std::move(slots);
    capacity_ = capacity;
  }

  int64_t capacity_;
  int64_t count_ = 0;
  int64_t cursor_ = 0;
  std::unique_ptr<Slot[]> slots_;
};

}  // namespace quadrell
