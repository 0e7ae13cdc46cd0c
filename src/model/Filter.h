#pragma once
// A filter gives a block of a sheet a header row with filter buttons, hides
// rows by the values of a column and sorts rows by a column. It never moves a
// cell: it is a display order over the row objects below the header, which
// the sheet's GetCell (and so the grid view and area iteration) consults.
// Formulas read the stored order.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quadrell {

class AreaRange;
class Cell;
class Range;
class Row;
class Sheet;

// Sort order flags.
constexpr int32_t kSortDescending = 1;
constexpr int32_t kSortIgnoreCase = 2;

struct FilterRowEntry {
  Row* row = nullptr;
  bool hidden = false;
  std::u16string sortText;
  double sortNumber = 0;
};

struct ColumnFilterSettings {
  bool showAll = true;
  // Display text -> shown. Rows whose text is not listed keep their state.
  std::map<std::u16string, bool> selected;
};

class Filter {
 public:
  // The first row of the range is the header row; every row below it becomes
  // an entry (rows are created when missing).
  Filter(Sheet* sheet, const Range& range);
  ~Filter();
  Filter(const Filter&) = delete;
  Filter& operator=(const Filter&) = delete;

  const AreaRange* GetRange() const { return area_.get(); }
  // Inside the area, header row included.
  bool Contains(int32_t row, int32_t column) const;
  // The header row's stored cell, or the cell of the row shown at the
  // position (created when missing); null where a hidden entry stands.
  Cell* GetCell(int32_t row, int32_t column);
  int32_t GetHeaderRow() const { return firstRow_; }
  bool IsHeaderCell(int32_t row, int32_t column) const;
  // Orders the rows by the display texts and values of the column; hidden
  // rows go last.
  void Sort(int32_t column, int32_t order);
  // The settings of a column of the area, or null.
  ColumnFilterSettings* GetColumnSettings(int32_t column);
  FilterRowEntry* GetRowEntry(int32_t displayedRow);
  // Takes a copy of the settings for the column, hides and shows the rows it
  // names (a row another column's settings hide stays hidden), and moves the
  // hidden rows behind the shown ones.
  void ApplyColumnFilter(const ColumnFilterSettings& settings, int32_t column);
  // Takes the stored row below the area in as a shown entry; the area grows
  // by one row. Returns the displayed row of the new entry.
  int32_t AddRow();

  // The sheet's notifications, after it renumbered its rows or columns. Rows
  // and columns inserted or deleted inside the area make it grow or shrink,
  // those above or left of it move it, so every stored row and column keeps
  // exactly one place on screen. A deletion that leaves the filter without
  // its header row or its last column answers false: the sheet drops it.
  void RowInserted(int32_t row);
  bool RowDeleted(int32_t row);
  void ColumnInserted(int32_t column);
  bool ColumnDeleted(int32_t column);

  // Nothing relies on it; no row is reported hidden.
  bool IsRowHidden(int32_t) const { return false; }
  // The header row for the header; the stored number of the row shown at a
  // position, 0 where a hidden entry (or none) stands.
  int32_t GetSourceRow(int32_t displayedRow) const;
  // The row object whose cells show at a displayed row: the stored header
  // row, an entry's row, or null where a hidden entry (or none) stands.
  Row* GetShownRow(int32_t displayedRow);
  int32_t GetEntryCount() const { return static_cast<int32_t>(entries_.size()); }
  // The shown order with the hidden marks, to put back after a sort (undo).
  const std::vector<FilterRowEntry>& GetEntries() const { return entries_; }
  void SetEntries(std::vector<FilterRowEntry> entries) { entries_ = std::move(entries); }

 private:
  void SetBounds(int32_t firstColumn, int32_t firstRow, int32_t lastColumn, int32_t lastRow);
  const FilterRowEntry* EntryAt(int32_t displayedRow) const;
  size_t FirstHiddenPosition() const;
  void MoveHiddenLast();
  bool HiddenByOtherColumn(Row* row, int32_t column) const;

  Sheet* sheet_;
  std::unique_ptr<AreaRange> area_;
  int32_t firstColumn_ = 0;
  int32_t firstRow_ = 1;
  int32_t lastColumn_ = 0;
  int32_t lastRow_ = 1;
  std::vector<FilterRowEntry> entries_;
  std::vector<ColumnFilterSettings> settings_;
};

}  // namespace quadrell
