#include "model/RangeDependencies.h"

#include <algorithm>

#include "model/Cell.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"

namespace quadrell {

namespace {

// A corner whose row or column was deleted no longer names a position.
bool StillOnSheet(const Cell* cell, const Sheet* sheet) {
  Row* row = cell->GetRow();
  if (!row || row->GetIndex() < 0 || sheet->FindRow(row->GetIndex()) != row) return false;
  return row->FindCell(cell->GetColumnIndex()) == cell;
}

}  // namespace

bool RangeDependencies::CurrentRect(const Range* range, Rect& rect) const {
  if (const auto* cells = dynamic_cast<const CellRange*>(range)) {
    if (!StillOnSheet(cells->GetStartCell(), sheet_) || !StillOnSheet(cells->GetEndCell(), sheet_)) return false;
  }
  rect = {range->GetFirstRow(), range->GetFirstColumn(), range->GetLastRow(), range->GetLastColumn()};
  return rect.firstRow <= rect.lastRow && rect.firstColumn <= rect.lastColumn && rect.firstColumn >= 0;
}

RangeDependencies::Group* RangeDependencies::Join(Cell* cell, const Rect& rect) {
  auto [at, added] = groups_.try_emplace(rect);
  Group* slot = &at->second;
  if (added) {
    slot->rect = rect;
    int32_t r1 = rect.firstRow >> kRowBlockShift, r2 = rect.lastRow >> kRowBlockShift;
    int32_t c1 = rect.firstColumn >> kColumnBlockShift, c2 = rect.lastColumn >> kColumnBlockShift;
    if ((static_cast<int64_t>(r2) - r1 + 1) * (static_cast<int64_t>(c2) - c1 + 1) > kMaxBlocks) {
      huge_.push_back(slot);
    } else {
      for (int32_t rb = r1; rb <= r2; ++rb) {
        for (int32_t cb = c1; cb <= c2; ++cb) byBlock_[BlockKey(rb, cb)].push_back(slot);
      }
    }
  } else if (slot->readers.empty()) {
    --emptyGroups_;
  }
  slot->readers.push_back(cell);
  return slot;
}

void RangeDependencies::Leave(Registration& registration) {
  Group* group = registration.group;
  registration.group = nullptr;
  if (!group) return;
  auto& readers = group->readers;
  for (size_t i = readers.size(); i-- > 0;) {
    if (readers[i] == registration.cell) {
      readers[i] = readers.back();
      readers.pop_back();
      break;
    }
  }
  if (!readers.empty()) return;
  if (group->cached) DropCache(*group);
  // Groups nobody reads are swept out once they are many.
  if (++emptyGroups_ < 64 || emptyGroups_ * 2 < groups_.size()) return;
  auto sweep = [](std::vector<Group*>& list) {
    std::erase_if(list, [](const Group* g) { return g->readers.empty(); });
  };
  sweep(huge_);
  for (auto it = byBlock_.begin(); it != byBlock_.end();) {
    sweep(it->second);
    it = it->second.empty() ? byBlock_.erase(it) : std::next(it);
  }
  std::erase_if(groups_, [](const auto& entry) { return entry.second.readers.empty(); });
  emptyGroups_ = 0;
}

void RangeDependencies::Register(Cell* cell, Range* range) {
  if (!range) return;
  auto found = registrations_.find(range);
  if (found != registrations_.end()) {
    Leave(found->second);
    registrations_.erase(found);
  }
  Registration registration{cell, range, nullptr};
  Rect rect;
  if (CurrentRect(range, rect)) registration.group = Join(cell, rect);
  registrations_.emplace(range, registration);
}

void RangeDependencies::Unregister(const Range* range) {
  auto found = registrations_.find(range);
  if (found == registrations_.end()) return;
  Leave(found->second);
  registrations_.erase(found);
}

Cell* RangeDependencies::DependentOf(const Range* range) const {
  auto found = registrations_.find(range);
  return found == registrations_.end() ? nullptr : found->second.cell;
}

template <typename F>
void RangeDependencies::ForEachGroupAt(int32_t row, int32_t column, F&& f) const {
  if (auto found = byBlock_.find(BlockKey(row >> kRowBlockShift, column >> kColumnBlockShift));
      found != byBlock_.end()) {
    for (Group* g : found->second) {
      if (!g->readers.empty() && g->rect.Contains(row, column)) f(*g);
    }
  }
  for (Group* g : huge_) {
    if (!g->readers.empty() && g->rect.Contains(row, column)) f(*g);
  }
}

void RangeDependencies::CollectReaders(int32_t row, int32_t column, std::vector<Cell*>& out) const {
  if (groups_.empty()) return;
  ForEachGroupAt(row, column, [&](const Group& g) { out.insert(out.end(), g.readers.begin(), g.readers.end()); });
}

bool RangeDependencies::ValueChangedAt(int32_t row, int32_t column) {
  if (groups_.empty()) return false;
  bool any = false;
  ForEachGroupAt(row, column, [&](Group& g) {
    any = true;
    if (g.table) g.table->hasSum = false;
  });
  return any;
}

bool RangeDependencies::HasReaders(int32_t row, int32_t column) const {
  if (groups_.empty()) return false;
  bool any = false;
  ForEachGroupAt(row, column, [&](const Group&) { any = true; });
  return any;
}

std::vector<Cell*> RangeDependencies::ReadersSpanning(int32_t at, bool row) const {
  std::vector<Cell*> cells;
  for (const auto& [range, registration] : registrations_) {
    int32_t low = row ? range->GetFirstRow() : range->GetFirstColumn();
    int32_t high = row ? range->GetLastRow() : range->GetLastColumn();
    if (at >= low && at <= high) cells.push_back(registration.cell);
  }
  std::sort(cells.begin(), cells.end());
  cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
  return cells;
}

void RangeDependencies::LayoutChanged() {
  while (!cachedGroups_.empty()) DropCache(*cachedGroups_.back());
  groups_.clear();
  byBlock_.clear();
  huge_.clear();
  emptyGroups_ = 0;
  for (auto& [range, registration] : registrations_) {
    registration.group = nullptr;
    Rect rect;
    if (CurrentRect(range, rect)) registration.group = Join(registration.cell, rect);
  }
}

void RangeDependencies::DropCache(Group& group) {
  if (!group.cached) return;
  ++cacheVersion_;
  group.cached = false;
  cachedPositions_ -= group.table->cells.size();
  group.table.reset();
  Group* last = cachedGroups_.back();
  cachedGroups_[group.cachedIndex] = last;
  last->cachedIndex = group.cachedIndex;
  cachedGroups_.pop_back();
}

void RangeDependencies::DropCachesAt(int32_t row, int32_t column) {
  // Cached groups have readers, so they are all in the index.
  std::vector<Group*> stale;
  ForEachGroupAt(row, column, [&](Group& g) {
    if (g.cached) stale.push_back(&g);
  });
  for (Group* g : stale) DropCache(*g);
}

RangeDependencies::CellTable* RangeDependencies::CachedCells(int32_t firstRow, int32_t firstColumn, int32_t lastRow,
                                                         int32_t lastColumn) {
  if (groups_.empty()) return nullptr;
  auto found = groups_.find(Rect{firstRow, firstColumn, lastRow, lastColumn});
  if (found == groups_.end() || found->second.readers.empty()) return nullptr;
  Group& g = found->second;
  if (g.cached) return g.table.get();
  // A table pays off only when several formulas read the same block.
  if (g.readers.size() < 2) return nullptr;
  int64_t height = static_cast<int64_t>(lastRow) - firstRow + 1;
  int64_t width = static_cast<int64_t>(lastColumn) - firstColumn + 1;
  if (height <= 0 || width <= 0 || height * width > static_cast<int64_t>(kCacheBudget - cachedPositions_)) {
    return nullptr;
  }
  g.table = std::make_unique<CellTable>();
  g.table->cells.assign(static_cast<size_t>(height * width), nullptr);
  auto takeRow = [&](int32_t r, const Row& row) {
    size_t base = static_cast<size_t>(r - firstRow);
    if (width <= 64) {
      for (int32_t c = firstColumn; c <= lastColumn; ++c) {
        if (Cell* cell = row.FindCell(c)) g.table->cells[static_cast<size_t>(c - firstColumn) * height + base] = cell;
      }
    } else {
      row.ForEachCell([&](int32_t c, Cell* cell) {
        if (c >= firstColumn && c <= lastColumn) g.table->cells[static_cast<size_t>(c - firstColumn) * height + base] = cell;
      });
    }
  };
  if (height <= sheet_->RowTableCapacity()) {
    for (int32_t r = firstRow; r <= lastRow; ++r) {
      if (Row* row = sheet_->FindRow(r)) takeRow(r, *row);
    }
  } else {
    sheet_->ForEachRow([&](int32_t r, const Row& row) {
      if (r >= firstRow && r <= lastRow) takeRow(r, row);
    });
  }
  g.cached = true;
  cachedPositions_ += g.table->cells.size();
  g.cachedIndex = static_cast<uint32_t>(cachedGroups_.size());
  cachedGroups_.push_back(&g);
  return g.table.get();
}

}  // namespace quadrell
