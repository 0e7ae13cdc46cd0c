#pragma once
// Moving the entries of an index table by one place, for inserted and deleted
// rows and columns. Only stored entries move, so a sparse table does not fill
// with empty keys, and the work is bounded by the smaller of the key span and
// the table size.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace quadrell {

// The stored (non-null) entries with keys from first to last, in key order.
template <typename Table, typename P = decltype(std::declval<const Table&>().Get(0))>
std::vector<std::pair<int32_t, P>> StoredEntries(const Table& table, int32_t first, int32_t last) {
  std::vector<std::pair<int32_t, P>> entries;
  if (last < first) return entries;
  if (static_cast<int64_t>(last) - first + 1 <= table.Capacity()) {
    for (int64_t k = first; k <= last; ++k) {
      if (P v = table.Get(static_cast<int32_t>(k))) entries.emplace_back(static_cast<int32_t>(k), v);
    }
    return entries;
  }
  table.ForEachSlot([&](int32_t key, P value) {
    if (value && key >= first && key <= last) entries.emplace_back(key, value);
  });
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return entries;
}

// Entries from first to last move to key + 1, highest first; renumber(value, key) follows each move.
template <typename Table, typename F>
void ShiftEntriesUp(Table& table, int32_t first, int32_t last, F&& renumber) {
  auto entries = StoredEntries(table, first, last);
  for (size_t i = entries.size(); i-- > 0;) {
    auto [key, value] = entries[i];
    table.Put(key + 1, value);
    table.Put(key, nullptr);
    renumber(value, key + 1);
  }
}

// The entry at `at` leaves the table (returned); entries after it up to last move to key - 1.
template <typename Table, typename F>
auto ShiftEntriesDown(Table& table, int32_t at, int32_t last, F&& renumber) {
  auto removed = table.Get(at);
  if (removed) table.Put(at, nullptr);
  if (last > at) {
    for (auto [key, value] : StoredEntries(table, at + 1, last)) {
      table.Put(key - 1, value);
      table.Put(key, nullptr);
      renumber(value, key - 1);
    }
  }
  return removed;
}

}  // namespace quadrell
