#include "model/Filter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/Cell.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"

namespace quadrell {

namespace {

// Case folding for the sort: ASCII and the Latin-1 letters.
char16_t Fold(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  return c;
}

int CompareTexts(const std::u16string& a, const std::u16string& b, bool ignoreCase) {
  if (!ignoreCase) return a.compare(b);
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = Fold(a[i]);
    char16_t y = Fold(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::u16string TextAt(Row* row, int32_t column) {
  Cell* cell = row ? row->FindCell(column) : nullptr;
  return cell ? cell->GetText() : std::u16string();
}

}  // namespace

Filter::Filter(Sheet* sheet, const Range& range) : sheet_(sheet) {
  int32_t firstColumn = std::max(range.GetFirstColumn(), 0);
  int32_t firstRow = std::max(range.GetFirstRow(), 1);
  int32_t lastColumn = range.GetLastColumn() == -1 ? sheet->GetMaxColumn() : range.GetLastColumn();
  int32_t lastRow = range.GetLastRow() == -1 ? sheet->GetMaxRow() : range.GetLastRow();
  SetBounds(firstColumn, firstRow, std::max(lastColumn, firstColumn), std::max(lastRow, firstRow));
  settings_.resize(static_cast<size_t>(lastColumn_ - firstColumn_ + 1));
  entries_.reserve(static_cast<size_t>(lastRow_ - firstRow_));
  for (int32_t r = firstRow_ + 1; r <= lastRow_; ++r) entries_.push_back({sheet->GetRow(r), false, {}, 0});
}

Filter::~Filter() = default;

void Filter::SetBounds(int32_t firstColumn, int32_t firstRow, int32_t lastColumn, int32_t lastRow) {
  area_ = std::make_unique<AreaRange>(firstColumn, firstRow, lastColumn, lastRow, sheet_);
  firstColumn_ = area_->GetFirstColumn();
  firstRow_ = area_->GetFirstRow();
  lastColumn_ = area_->GetLastColumn();
  lastRow_ = area_->GetLastRow();
}

bool Filter::Contains(int32_t row, int32_t column) const {
  return row >= firstRow_ && row <= lastRow_ && column >= firstColumn_ && column <= lastColumn_;
}

bool Filter::IsHeaderCell(int32_t row, int32_t column) const {
  return row == firstRow_ && column >= firstColumn_ && column <= lastColumn_;
}

const FilterRowEntry* Filter::EntryAt(int32_t displayedRow) const {
  int64_t position = static_cast<int64_t>(displayedRow) - firstRow_ - 1;
  if (position < 0 || position >= static_cast<int64_t>(entries_.size())) return nullptr;
  return &entries_[static_cast<size_t>(position)];
}

FilterRowEntry* Filter::GetRowEntry(int32_t displayedRow) {
  return const_cast<FilterRowEntry*>(EntryAt(displayedRow));
}

Row* Filter::GetShownRow(int32_t displayedRow) {
  if (displayedRow == firstRow_) return sheet_->GetRow(firstRow_);
  const FilterRowEntry* entry = EntryAt(displayedRow);
  return entry && !entry->hidden ? entry->row : nullptr;
}

Cell* Filter::GetCell(int32_t row, int32_t column) {
  Row* shown = GetShownRow(row);
  return shown ? shown->GetCell(column) : nullptr;
}

int32_t Filter::GetSourceRow(int32_t displayedRow) const {
  if (displayedRow == firstRow_) return firstRow_;
  const FilterRowEntry* entry = EntryAt(displayedRow);
  return entry && !entry->hidden ? entry->row->GetIndex() : 0;
}

ColumnFilterSettings* Filter::GetColumnSettings(int32_t column) {
  if (column < firstColumn_ || column > lastColumn_) return nullptr;
  return &settings_[static_cast<size_t>(column - firstColumn_)];
}

size_t Filter::FirstHiddenPosition() const {
  auto found = std::find_if(entries_.begin(), entries_.end(), [](const FilterRowEntry& e) { return e.hidden; });
  return static_cast<size_t>(found - entries_.begin());
}

void Filter::MoveHiddenLast() {
  std::stable_partition(entries_.begin(), entries_.end(), [](const FilterRowEntry& e) { return !e.hidden; });
}

// One stable sort by (hidden, kind and number, text) gives what three stable
// sorts by text, then number, then hidden flag would. Rows without a number
// follow the numbers when ascending and precede them when descending; empty
// rows always come last among the shown ones.
void Filter::Sort(int32_t column, int32_t order) {
  if (column < firstColumn_ || column > lastColumn_) return;
  const bool descending = (order & kSortDescending) != 0;
  const bool ignoreCase = (order & kSortIgnoreCase) != 0;
  struct Key {
    int rank;
    size_t entry;
  };
  std::vector<Key> keys;
  keys.reserve(entries_.size());
  for (size_t i = 0; i < entries_.size(); ++i) {
    FilterRowEntry& e = entries_[i];
    Cell* cell = e.row->GetCell(column);
    e.sortText = cell->GetText();
    const Value* value = cell->GetValue();
    e.sortNumber = value->IsNumeric() ? value->Number() : std::numeric_limits<double>::quiet_NaN();
    int rank;
    if (e.sortText.empty()) {
      rank = 2;
    } else if (!std::isnan(e.sortNumber)) {
      rank = descending ? 1 : 0;
    } else {
      rank = descending ? 0 : 1;
    }
    keys.push_back({rank, i});
  }
  auto less = [&](const Key& ka, const Key& kb) {
    const FilterRowEntry& a = entries_[ka.entry];
    const FilterRowEntry& b = entries_[kb.entry];
    if (a.hidden != b.hidden) return !a.hidden;
    if (ka.rank != kb.rank) return ka.rank < kb.rank;
    if (ka.rank != 2 && !std::isnan(a.sortNumber) && a.sortNumber != b.sortNumber) {
      return descending ? a.sortNumber > b.sortNumber : a.sortNumber < b.sortNumber;
    }
    int byText = CompareTexts(a.sortText, b.sortText, ignoreCase);
    return descending ? byText > 0 : byText < 0;
  };
  std::stable_sort(keys.begin(), keys.end(), less);
  std::vector<FilterRowEntry> sorted;
  sorted.reserve(entries_.size());
  for (const Key& k : keys) sorted.push_back(std::move(entries_[k.entry]));
  entries_ = std::move(sorted);
}

void Filter::ApplyColumnFilter(const ColumnFilterSettings& settings, int32_t column) {
  ColumnFilterSettings* record = GetColumnSettings(column);
  if (!record) return;
  *record = settings;
  for (FilterRowEntry& e : entries_) {
    auto found = record->selected.find(TextAt(e.row, column));
    if (found == record->selected.end()) continue;
    // A row another column's filter hides stays hidden.
    e.hidden = !(found->second || record->showAll) || HiddenByOtherColumn(e.row, column);
  }
  MoveHiddenLast();
}

bool Filter::HiddenByOtherColumn(Row* row, int32_t column) const {
  for (size_t k = 0; k < settings_.size(); ++k) {
    const ColumnFilterSettings& other = settings_[k];
    int32_t c = firstColumn_ + static_cast<int32_t>(k);
    if (c == column || other.showAll) continue;
    auto found = other.selected.find(TextAt(row, c));
    if (found != other.selected.end() && !found->second) return true;
  }
  return false;
}

int32_t Filter::AddRow() {
  size_t at = FirstHiddenPosition();
  entries_.insert(entries_.begin() + static_cast<ptrdiff_t>(at), {sheet_->GetRow(lastRow_ + 1), false, {}, 0});
  SetBounds(firstColumn_, firstRow_, lastColumn_, lastRow_ + 1);
  return firstRow_ + static_cast<int32_t>(at) + 1;
}

void Filter::RowInserted(int32_t row) {
  if (row <= firstRow_) {
    SetBounds(firstColumn_, firstRow_ + 1, lastColumn_, lastRow_ + 1);
  } else if (row <= lastRow_) {
    size_t at = FirstHiddenPosition();
    entries_.insert(entries_.begin() + static_cast<ptrdiff_t>(at), {sheet_->GetRow(row), false, {}, 0});
    SetBounds(firstColumn_, firstRow_, lastColumn_, lastRow_ + 1);
  }
}

bool Filter::RowDeleted(int32_t row) {
  if (row == firstRow_) return false;
  if (row < firstRow_) {
    SetBounds(firstColumn_, firstRow_ - 1, lastColumn_, lastRow_ - 1);
  } else if (row <= lastRow_) {
    // The deleted row object was renumbered -1 by the sheet.
    auto found = std::find_if(entries_.begin(), entries_.end(),
                              [](const FilterRowEntry& e) { return e.row->GetIndex() == -1; });
    if (found != entries_.end()) entries_.erase(found);
    SetBounds(firstColumn_, firstRow_, lastColumn_, lastRow_ - 1);
  }
  return true;
}

void Filter::ColumnInserted(int32_t column) {
  if (column <= firstColumn_) {
    SetBounds(firstColumn_ + 1, firstRow_, lastColumn_ + 1, lastRow_);
  } else if (column <= lastColumn_) {
    settings_.insert(settings_.begin() + (column - firstColumn_), ColumnFilterSettings());
    SetBounds(firstColumn_, firstRow_, lastColumn_ + 1, lastRow_);
  }
}

bool Filter::ColumnDeleted(int32_t column) {
  if (column < firstColumn_) {
    SetBounds(firstColumn_ - 1, firstRow_, lastColumn_ - 1, lastRow_);
  } else if (column <= lastColumn_) {
    if (firstColumn_ == lastColumn_) return false;
    settings_.erase(settings_.begin() + (column - firstColumn_));
    SetBounds(firstColumn_, firstRow_, lastColumn_ - 1, lastRow_);
  }
  return true;
}

}  // namespace quadrell
