#include "model/Sheet.h"

#include <algorithm>

#include "context/ApplicationContext.h"
#include "model/Action.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/Filter.h"
#include "model/Host.h"
#include "model/PivotTable.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/TableShift.h"
#include "model/Workbook.h"
#include "object/Object.h"

namespace quadrell {

Sheet::Sheet(Workbook* workbook) : name_(Text("sheet")), workbook_(workbook), defaultStyle_(GetDefaultStyle()) {
  placeholder_ = std::make_unique<Cell>(-1, -1, this);
  selection_ = std::make_unique<AreaRange>(0, 1, this);
  GetCellDirect(1, 0);  // a new sheet holds A1, the cell of its first selection
}

Sheet::~Sheet() {
  // Watchers that outlive the sheet (charts kept by undo records) let go of it.
  std::vector<SheetWatcher*> watchers = watchers_;
  for (SheetWatcher* w : watchers) w->SheetGone();
  // The filter and the pivot tables refer to rows and cells: they go first.
  filter_.reset();
  pivotTables_.clear();
  objects_.clear();
  commentObjects_.clear();
  selection_.reset();
  rangeDependencies_.reset();
  placeholder_.reset();
  droppedCells_.clear();
  rows_.ForEachSlot([](int32_t, Row* row) { delete row; });
  columns_.ForEachSlot([](int32_t, Column* column) { delete column; });
}

Host* Sheet::GetHost() const { return workbook_ ? workbook_->GetHost() : nullptr; }

void Sheet::SetStyle(const StyleRecord& style) {
  defaultStyle_ = InternStyle(style);
  Row::InheritedStylesChanged();
}

Row* Sheet::GetRow(int32_t row) {
  Row* found = rows_.Get(row);
  if (!found) {
    found = new Row(row, this);
    rows_.Put(row, found);
    maxRow_ = std::max(maxRow_, row);
  }
  return found;
}

Column* Sheet::GetColumn(int32_t column) {
  Column* found = columns_.Get(column);
  if (!found) {
    found = new Column(column, this);
    columns_.Put(column, found);
    maxColumn_ = std::max(maxColumn_, column);
  }
  return found;
}

Cell* Sheet::GetCell(int32_t row, int32_t column) {
  if (filter_ && filter_->Contains(row, column)) {
    Cell* cell = filter_->GetCell(row, column);
    return cell ? cell : placeholder_.get();
  }
  for (const auto& table : pivotTables_) {
    if (table->Contains(row, column)) return table->GetCell(row, column);
  }
  return GetCellDirect(row, column);
}

bool Sheet::IsOverlayCell(int32_t row, int32_t column) const {
  if (filter_ && filter_->Contains(row, column)) return true;
  for (const auto& table : pivotTables_) {
    if (table->Contains(row, column)) return true;
  }
  return false;
}

std::u16string Sheet::GetCellText(int32_t row, int32_t column) {
  Row* shown = GetRow(row);
  if (filter_ && filter_->Contains(row, column)) shown = filter_->GetShownRow(row);
  Cell* cell = shown ? shown->FindCell(column) : nullptr;
  return cell ? cell->GetText() : std::u16string();
}

void Sheet::SetFilter(std::unique_ptr<Filter> filter) { filter_ = std::move(filter); }

PivotTable* Sheet::AddPivotTable(std::unique_ptr<PivotTable> table) {
  if (!table) return nullptr;
  PivotTable* added = table.get();
  pivotTables_.push_back(std::move(table));
  maxColumn_ = std::max(maxColumn_, added->GetColumnCount());
  maxRow_ = std::max(maxRow_, added->GetRowCount() + 1);
  added->SetTargetSheet(this);
  return added;
}

PivotTable* Sheet::GetPivotTable(int32_t index) const {
  return index >= 0 && index < GetPivotTableCount() ? pivotTables_[static_cast<size_t>(index)].get() : nullptr;
}

int32_t Sheet::GetRowHeight(int32_t row) const {
  Row* found = rows_.Get(row);
  return found ? found->GetHeight() : kDefaultRowHeight;
}

int32_t Sheet::GetColumnWidth(int32_t column) const {
  Column* found = columns_.Get(column);
  return found ? found->GetWidth() : kDefaultColumnWidth;
}

bool Sheet::HasCellAt(int32_t row, int32_t column) const {
  Row* found = rows_.Get(row);
  return found && found->HasCell(column);
}

void Sheet::SetSelection(std::unique_ptr<Range> range) {
  if (range) selection_ = std::move(range);
}

// --- Objects ---

void Sheet::AddObject(std::unique_ptr<SheetAnchor> anchor) {
  if (anchor) objects_.push_back(std::move(anchor));
}

void Sheet::ResetObjects(int32_t direction) {
  objectsForward_ = direction == 1;
  objectCursor_ = objectsForward_ ? 0 : objects_.size();
}

SheetAnchor* Sheet::NextObject() {
  if (objectsForward_) return objectCursor_ < objects_.size() ? objects_[objectCursor_++].get() : nullptr;
  if (objectCursor_ == 0) return nullptr;
  objectCursor_ = std::min(objectCursor_, objects_.size());
  return objectCursor_ > 0 ? objects_[--objectCursor_].get() : nullptr;
}

void Sheet::RemoveObject(SheetAnchor* anchor) {
  auto found = std::find_if(objects_.begin(), objects_.end(), [&](const auto& a) { return a.get() == anchor; });
  if (found == objects_.end()) return;
  // No comment may be left pointing at a freed anchor.
  std::erase_if(commentObjects_, [&](const auto& entry) { return entry.second == anchor; });
  size_t index = static_cast<size_t>(found - objects_.begin());
  objects_.erase(found);
  if (objectCursor_ > index) --objectCursor_;
}

void Sheet::AddWatcher(SheetWatcher* watcher) {
  if (watcher && std::find(watchers_.begin(), watchers_.end(), watcher) == watchers_.end()) watchers_.push_back(watcher);
}

void Sheet::RemoveWatcher(SheetWatcher* watcher) { std::erase(watchers_, watcher); }

void Sheet::TellWatchers(int32_t row, int32_t column) {
  // A watcher may leave while being told: walk a copy, skipping those gone.
  std::vector<SheetWatcher*> watchers = watchers_;
  for (SheetWatcher* w : watchers) {
    if (std::find(watchers_.begin(), watchers_.end(), w) != watchers_.end()) w->CellValueChanged(row, column);
  }
}

void Sheet::TellLinesChanged(bool rows, int32_t at, int32_t delta) {
  std::vector<SheetWatcher*> watchers = watchers_;
  for (SheetWatcher* w : watchers) {
    if (std::find(watchers_.begin(), watchers_.end(), w) != watchers_.end()) w->LinesChanged(rows, at, delta);
  }
}

void Sheet::UpdateObjectPositions() {
  for (auto& anchor : objects_) anchor->UpdatePosition();
}

void Sheet::SetCommentObject(const CommentRecord* record, SheetAnchor* anchor) {
  if (!record) return;
  if (anchor) {
    commentObjects_[record] = anchor;
  } else {
    commentObjects_.erase(record);
  }
}

SheetAnchor* Sheet::GetCommentObject(const CommentRecord* record) const {
  auto found = commentObjects_.find(record);
  return found == commentObjects_.end() ? nullptr : found->second;
}

void Sheet::RemoveCommentObject(const CommentRecord* record) {
  SheetAnchor* anchor = GetCommentObject(record);
  commentObjects_.erase(record);
  if (anchor) RemoveObject(anchor);
}

// --- Range dependencies ---

void Sheet::RegisterRangeDependency(Cell* cell, Range* range) { rangeDependencies_->Register(cell, range); }

void Sheet::UnregisterRangeDependency(Cell*, Range* range) { rangeDependencies_->Unregister(range); }

// --- Inserting and deleting ---

// Formula cells whose ranges grew or shrank read their new extent. A
// recalculation may change the registrations: the list is taken before.
void Sheet::RecalculateAll(const std::vector<Cell*>& cells) {
  for (Cell* cell : cells) cell->Recalculate();
}

void Sheet::InsertRow(int32_t at) {
  if (at < 1) return;
  usedKnown_ = false;
  ShiftEntriesUp(rows_, at, maxRow_, [](Row* row, int32_t number) { row->SetIndex(number); });
  maxRow_ = at > maxRow_ ? at : maxRow_ + 1;
  rows_.Put(at, new Row(at, this));
  ForgetRowCache();
  rangeDependencies_->LayoutChanged();
  RecalculateAll(rangeDependencies_->ReadersSpanning(at, true));
  if (filter_) filter_->RowInserted(at);
  TellLinesChanged(true, at, 1);
  UpdateObjectPositions();
}

void Sheet::DeleteRow(int32_t at) {
  if (at < 1) return;
  usedKnown_ = false;
  // A range that loses the row reads the rest of it afterwards.
  std::vector<Cell*> readers = rangeDependencies_->ReadersSpanning(at, true);
  if (Row* row = rows_.Get(at)) row->Invalidate();
  Row* removed = ShiftEntriesDown(rows_, at, maxRow_, [](Row* row, int32_t number) { row->SetIndex(number); });
  if (removed) deletedRows_.emplace_back(removed);
  if (at <= maxRow_) --maxRow_;
  ForgetRowCache();
  rangeDependencies_->LayoutChanged();
  // Readers in the deleted row keep showing "Ref".
  std::erase_if(readers, [](Cell* c) { return c->GetRowIndex() < 0; });
  RecalculateAll(readers);
  // Without its header row a filter has nothing left to show its buttons on.
  if (filter_ && !filter_->RowDeleted(at)) filter_.reset();
  TellLinesChanged(true, at, -1);
  UpdateObjectPositions();
}

void Sheet::InsertColumn(int32_t at) {
  if (at < 0) return;
  usedKnown_ = false;
  ShiftEntriesUp(columns_, at, maxColumn_, [](Column* column, int32_t index) { column->SetIndex(index); });
  maxColumn_ = at > maxColumn_ ? at : maxColumn_ + 1;
  columns_.Put(at, new Column(at, this));
  rows_.ForEachSlot([&](int32_t, Row* row) {
    if (row) row->InsertColumn(at);
  });
  rangeDependencies_->LayoutChanged();
  RecalculateAll(rangeDependencies_->ReadersSpanning(at, false));
  if (filter_) filter_->ColumnInserted(at);
  TellLinesChanged(false, at, 1);
  UpdateObjectPositions();
}

void Sheet::DeleteColumn(int32_t at) {
  if (at < 0) return;
  usedKnown_ = false;
  std::vector<Cell*> readers = rangeDependencies_->ReadersSpanning(at, false);
  Column* removed =
      ShiftEntriesDown(columns_, at, maxColumn_, [](Column* column, int32_t index) { column->SetIndex(index); });
  if (removed) deletedColumns_.emplace_back(removed);
  if (at <= maxColumn_) --maxColumn_;
  std::vector<Cell*> dropped;
  rows_.ForEachSlot([&](int32_t, Row* row) {
    if (!row) return;
    if (std::unique_ptr<Cell> cell = row->DeleteColumn(at)) {
      dropped.push_back(cell.get());
      droppedCells_.push_back(std::move(cell));
    }
  });
  for (Cell* cell : dropped) cell->Detach();
  rangeDependencies_->LayoutChanged();
  // A reader dropped with the column is no longer on the sheet.
  std::erase_if(readers, [&](Cell* c) { return std::find(dropped.begin(), dropped.end(), c) != dropped.end(); });
  RecalculateAll(readers);
  if (filter_ && !filter_->ColumnDeleted(at)) filter_.reset();
  TellLinesChanged(false, at, -1);
  UpdateObjectPositions();
}

bool Sheet::RestoreRow(int32_t at, Row* row) {
  if (at < 1 || !row) return false;
  usedKnown_ = false;
  auto found = std::find_if(deletedRows_.begin(), deletedRows_.end(), [&](const auto& r) { return r.get() == row; });
  if (found == deletedRows_.end()) return false;
  found->release();
  deletedRows_.erase(found);
  ShiftEntriesUp(rows_, at, maxRow_, [](Row* r, int32_t number) { r->SetIndex(number); });
  maxRow_ = at > maxRow_ ? at : maxRow_ + 1;
  rows_.Put(at, row);
  row->SetIndex(at);
  ForgetRowCache();
  rangeDependencies_->LayoutChanged();
  RecalculateAll(rangeDependencies_->ReadersSpanning(at, true));
  if (filter_) filter_->RowInserted(at);
  TellLinesChanged(true, at, 1);
  UpdateObjectPositions();
  return true;
}

bool Sheet::RestoreColumn(int32_t at, Column* column, const std::vector<Cell*>& cells) {
  if (at < 0 || !column) return false;
  usedKnown_ = false;
  auto found = std::find_if(deletedColumns_.begin(), deletedColumns_.end(),
                            [&](const auto& c) { return c.get() == column; });
  if (found == deletedColumns_.end()) return false;
  found->release();
  deletedColumns_.erase(found);
  ShiftEntriesUp(columns_, at, maxColumn_, [](Column* c, int32_t index) { c->SetIndex(index); });
  maxColumn_ = at > maxColumn_ ? at : maxColumn_ + 1;
  columns_.Put(at, column);
  column->SetIndex(at);
  rows_.ForEachSlot([&](int32_t, Row* row) {
    if (row) row->InsertColumn(at);
  });
  for (Cell* cell : cells) {
    auto dropped = std::find_if(droppedCells_.begin(), droppedCells_.end(),
                                [&](const auto& c) { return c.get() == cell; });
    if (dropped == droppedCells_.end() || !cell->GetRow()) continue;
    std::unique_ptr<Cell> back = std::move(*dropped);
    droppedCells_.erase(dropped);
    cell->GetRow()->PutBackCell(at, std::move(back));
  }
  rangeDependencies_->LayoutChanged();
  RecalculateAll(rangeDependencies_->ReadersSpanning(at, false));
  if (filter_) filter_->ColumnInserted(at);
  TellLinesChanged(false, at, 1);
  UpdateObjectPositions();
  return true;
}

Sheet::TakenObject Sheet::TakeObject(SheetAnchor* anchor) {
  TakenObject taken;
  auto found = std::find_if(objects_.begin(), objects_.end(), [&](const auto& a) { return a.get() == anchor; });
  if (found == objects_.end()) return taken;
  for (const auto& [record, shown] : commentObjects_) {
    if (shown == anchor) taken.records.push_back(record);
  }
  std::erase_if(commentObjects_, [&](const auto& entry) { return entry.second == anchor; });
  taken.position = static_cast<size_t>(found - objects_.begin());
  taken.anchor = std::move(*found);
  objects_.erase(found);
  if (objectCursor_ > taken.position) --objectCursor_;
  std::vector<SheetWatcher*> watchers = watchers_;
  for (SheetWatcher* w : watchers) w->ObjectTaken(anchor);
  return taken;
}

SheetAnchor* Sheet::PutBackObject(TakenObject taken) {
  if (!taken.anchor) return nullptr;
  size_t position = std::min(taken.position, objects_.size());
  SheetAnchor* anchor = taken.anchor.get();
  objects_.insert(objects_.begin() + static_cast<ptrdiff_t>(position), std::move(taken.anchor));
  if (objectCursor_ > position) ++objectCursor_;
  for (const CommentRecord* record : taken.records) commentObjects_[record] = anchor;
  anchor->UpdatePosition();
  return anchor;
}

// --- Used area and merging ---

UsedSize Sheet::GetUsedSize() const {
  if (!usedKnown_) {
    usedSize_ = ScanUsedSize();
    usedKnown_ = true;
  }
  return anyUsed_ ? usedSize_ : UsedSize{};
}

UsedSize Sheet::ScanUsedSize() const {
  UsedSize size;
  bool any = false;
  rows_.ForEachSlot([&](int32_t number, Row* row) {
    if (!row || number < 1 || number > maxRow_) return;
    int32_t last = row->GetLastColumn();
    row->ForEachCell([&](int32_t column, Cell* cell) {
      if (column < 0 || column > last || !cell->IsUsed()) return;
      if (!any) {
        size = {column, number};
        any = true;
      } else {
        size.column = std::max(size.column, column);
        size.row = std::max(size.row, number);
      }
    });
  });
  anyUsed_ = any;
  return size;
}

void Sheet::MergeCells(bool recordUndo) {
  int32_t firstColumn = selection_->GetFirstColumn();
  int32_t firstRow = selection_->GetFirstRow();
  int32_t lastColumn = selection_->GetLastColumn();
  int32_t lastRow = selection_->GetLastRow();
  if (firstColumn < 0 || firstRow < 1 || lastColumn < firstColumn || lastRow < firstRow) return;
  // The group goes to the host first and is filled as the merge goes on; a
  // host that does not take it leaves it here, to be dropped at the end.
  GroupAction* group = nullptr;
  std::unique_ptr<Action> pushed;
  Host* host = recordUndo ? GetHost() : nullptr;
  if (host) {
    auto made = std::make_unique<GroupAction>();
    group = made.get();
    group->AddAction(std::make_unique<MergeAction>(this));
    pushed = std::move(made);
    host->AddAction(std::move(pushed));
  }
  Cell* topLeft = GetCellDirect(firstRow, firstColumn);
  int64_t spanCount = static_cast<int64_t>(topLeft->GetColumnSpan()) * topLeft->GetRowSpan();
  if (selection_->GetCellCount() == spanCount) {
    int32_t columns = topLeft->GetColumnSpan();
    int32_t rows = topLeft->GetRowSpan();
    for (int32_t r = firstRow; r < firstRow + rows; ++r) {
      for (int32_t c = firstColumn; c < firstColumn + columns; ++c) {
        Cell* cell = GetCellDirect(r, c);
        cell->SetSpan(1, 1);
        cell->SetMergeMaster(nullptr);
      }
    }
    return;
  }
  std::u16string text;
  bool othersContributed = false;
  for (int32_t r = firstRow; r <= lastRow; ++r) {
    for (int32_t c = firstColumn; c <= lastColumn; ++c) {
      Cell* cell = GetCellDirect(r, c);
      std::u16string part = cell->GetText();
      if (!part.empty()) {
        if (!text.empty()) text += u' ';
        text += part;
        if (cell != topLeft) othersContributed = true;
      }
      if (cell == topLeft) continue;
      if (group) group->AddAction(std::make_unique<CellInputAction>(cell, u""));
      cell->SetInput(u"");
      cell->SetSpan(0, 0);
      cell->SetMergeMaster(topLeft);
    }
  }
  while (!text.empty() && text.back() == u' ') text.pop_back();
  topLeft->SetSpan(lastColumn - firstColumn + 1, lastRow - firstRow + 1);
  // The top-left cell keeps its own input when it is all the merged area held.
  if (othersContributed) {
    if (group) group->AddAction(std::make_unique<CellInputAction>(topLeft, text));
    if (topLeft->HasFormula()) topLeft->SetInput(u"");
    topLeft->SetValue(NewText(text));
  }
  const StyleRecord* before = topLeft->GetStyle();
  StyleRecord style = topLeft->CopyStyle();
  style.horizontalAlignment = kHorizontalCenter;
  topLeft->SetStyle(style);
  // Undoing the merge takes the centring back too.
  if (group) group->AddAction(std::make_unique<StyleAction>(topLeft, before));
}

size_t Sheet::ModelMemoryBytes() const {
  size_t bytes = sizeof(Sheet) + rows_.MemoryBytes() + columns_.MemoryBytes();
  rows_.ForEachSlot([&](int32_t, Row* row) {
    if (!row) return;
    bytes += row->MemoryBytes();
    row->ForEachCell([&](int32_t, Cell*) { bytes += sizeof(Cell); });
  });
  columns_.ForEachSlot([&](int32_t, Column* column) {
    if (column) bytes += sizeof(Column);
  });
  return bytes;
}

}  // namespace quadrell
