#include "model/Style.h"

#include <cstring>
#include <memory>
#include <vector>

namespace quadrell {

namespace {

// The style table: records by handle (index + 1), found through an open
// addressing table of handles keyed by a hash of all the field values.
class StyleTable {
 public:
  uint32_t Intern(const StyleRecord& record) {
    uint64_t hash = Hash(record);
    size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      uint32_t handle = slots_[i];
      if (handle == 0) break;
      if (hashes_[handle] == hash && *records_[handle] == record) return handle;
    }
    records_.push_back(std::make_unique<StyleRecord>(record));
    hashes_.push_back(hash);
    uint32_t handle = static_cast<uint32_t>(records_.size() - 1);
    if (2 * records_.size() > slots_.size()) {
      Rehash(slots_.size() * 2);
    } else {
      Place(handle);
    }
    return handle;
  }

  const StyleRecord* At(uint32_t handle) const {
    return handle < records_.size() ? records_[handle].get() : nullptr;
  }
  size_t Count() const { return records_.size() - 1; }

  StyleTable() : slots_(64, 0) {
    records_.push_back(nullptr);  // handle 0 names no style
    hashes_.push_back(0);
  }

 private:
  static uint64_t Mix(uint64_t h, uint64_t v) {
    h = (h ^ v) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
  }
  static uint64_t Border(const BorderLine& b) { return (static_cast<uint64_t>(b.colour) << 8) | b.lineStyle; }
  static uint64_t Hash(const StyleRecord& r) {
    uint64_t h = Mix(0x51ED270B, reinterpret_cast<uintptr_t>(r.font));
    h = Mix(h, Border(r.top) ^ (Border(r.bottom) << 32));
    h = Mix(h, Border(r.left) ^ (Border(r.right) << 32));
    h = Mix(h, r.fillColor | (static_cast<uint64_t>(r.textColor) << 32));
    uint64_t bytes = r.verticalAlignment | (uint64_t{r.horizontalAlignment} << 8) | (uint64_t{r.indent} << 16) |
                     (uint64_t{r.textFlow} << 24) | (static_cast<uint64_t>(static_cast<uint16_t>(r.numberFormatId)) << 32);
    h = Mix(h, bytes);
    return h * 0xBF58476D1CE4E5B9ull;
  }
  void Place(uint32_t handle) {
    size_t mask = slots_.size() - 1;
    size_t i = hashes_[handle] & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = handle;
  }
  void Rehash(size_t capacity) {
    slots_.assign(capacity, 0);
    for (uint32_t h = 1; h < records_.size(); ++h) Place(h);
  }

  std::vector<std::unique_ptr<StyleRecord>> records_;
  std::vector<uint64_t> hashes_;
  std::vector<uint32_t> slots_;
};

StyleTable& Table() {
  static StyleTable* table = new StyleTable();  // never destroyed: styles outlive every holder
  return *table;
}

}  // namespace

StyleRecord NewDefaultStyle() { return StyleRecord(); }

uint32_t InternStyleHandle(const StyleRecord& record) { return Table().Intern(record); }

const StyleRecord* StyleFromHandle(uint32_t handle) { return handle ? Table().At(handle) : nullptr; }

const StyleRecord* InternStyle(const StyleRecord& record) { return Table().At(Table().Intern(record)); }

const StyleRecord* GetDefaultStyle() {
  static const StyleRecord* style = InternStyle(StyleRecord());
  return style;
}

size_t InternedStyleCount() { return Table().Count(); }

}  // namespace quadrell
