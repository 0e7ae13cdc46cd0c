#pragma once
// The links from the ranges that formulas read to the formula cells that read
// them, kept by the sheet. A range is registered once, not in every cell it
// covers: a change at a position finds its readers through an index by
// column, so a range neither creates its cells nor costs a link per cell, and
// cells typed later inside a range are covered at once. The index is by
// blocks of 64 rows x 16 columns, so a change at a position looks only at the
// ranges near it, however many ranges the sheet holds.
//
// Ranges with the same bounds share one group; a group read by formulas keeps
// a table of its cells, so that many formulas over one range read it without
// looking each cell up.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "model/collection/SmallList.h"

namespace quadrell {

class Cell;
class Range;
class Sheet;

class RangeDependencies {
 public:
  // The cells of a registered block, column by column (null where none is
  // stored), and the sum of their numbers while no value in the block changed.
  struct CellTable {
    std::vector<Cell*> cells;
    bool hasSum = false;
    double sum = 0;
    int16_t firstFormat = 0;
  };

  explicit RangeDependencies(Sheet* sheet) : sheet_(sheet) {}
  RangeDependencies(const RangeDependencies&) = delete;
  RangeDependencies& operator=(const RangeDependencies&) = delete;

  // A range has at most one dependent cell: a later registration replaces it.
  void Register(Cell* cell, Range* range);
  void Unregister(const Range* range);
  Cell* DependentOf(const Range* range) const;
  size_t Count() const { return registrations_.size(); }
  bool Empty() const { return registrations_.empty(); }

  // Appends the cells whose registered ranges hold the position.
  void CollectReaders(int32_t row, int32_t column, std::vector<Cell*>& out) const;
  bool HasReaders(int32_t row, int32_t column) const;
  // A value changed at the position: kept sums over it are stale. True when
  // the position has readers.
  bool ValueChangedAt(int32_t row, int32_t column);
  // The cells whose registered ranges span the row (or the column), each once.
  std::vector<Cell*> ReadersSpanning(int32_t at, bool row) const;
  // Rows or columns moved: the ranges' bounds are read again.
  void LayoutChanged();
  // A cell object was made at the position: tables of cells that cover it are stale.
  void CellCreated(int32_t row, int32_t column) {
    if (!cachedGroups_.empty()) DropCachesAt(row, column);
  }
  // The cells of the block (column by column, null where none is stored) when
  // the block is a registered range worth keeping a table for; else null.
  // Valid while CacheVersion() stays as it was.
  CellTable* CachedCells(int32_t firstRow, int32_t firstColumn, int32_t lastRow, int32_t lastColumn);
  // Grows whenever a table of cells is dropped.
  uint64_t CacheVersion() const { return cacheVersion_; }

 private:
  struct Rect {
    int32_t firstRow, firstColumn, lastRow, lastColumn;
    bool operator==(const Rect&) const = default;
    bool Contains(int32_t row, int32_t column) const {
      return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
    }
  };
  struct RectHash {
    size_t operator()(const Rect& r) const {
      uint64_t h = (static_cast<uint64_t>(static_cast<uint32_t>(r.firstRow)) << 32) ^ static_cast<uint32_t>(r.firstColumn);
      h = h * 0x9E3779B97F4A7C15ull ^ ((static_cast<uint64_t>(static_cast<uint32_t>(r.lastRow)) << 32) ^
                                        static_cast<uint32_t>(r.lastColumn));
      return static_cast<size_t>(h * 0xBF58476D1CE4E5B9ull >> 7);
    }
  };
  struct Group {
    Rect rect;
    SmallList<Cell*> readers;  // mostly one
    std::unique_ptr<CellTable> table;  // while cached
    uint32_t cachedIndex = 0;  // its place in cachedGroups_ while cached
    bool cached = false;
  };
  struct Registration {
    Cell* cell;
    Range* range;
    Group* group;  // null for a range whose corner left the sheet
  };

  // Index blocks: 64 rows by 16 columns. A range covering more blocks than
  // kMaxBlocks is kept in one list that every lookup reads.
  static constexpr int kRowBlockShift = 6;
  static constexpr int kColumnBlockShift = 4;
  static constexpr int64_t kMaxBlocks = 256;
  static uint64_t BlockKey(int32_t rowBlock, int32_t columnBlock) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(rowBlock)) << 32) | static_cast<uint32_t>(columnBlock);
  }
  // Cell tables are kept up to this many positions in all.
  static constexpr size_t kCacheBudget = size_t{8} << 20;

  bool CurrentRect(const Range* range, Rect& rect) const;
  Group* Join(Cell* cell, const Rect& rect);
  void Leave(Registration& registration);
  void DropCache(Group& group);
  void DropCachesAt(int32_t row, int32_t column);
  template <typename F>
  void ForEachGroupAt(int32_t row, int32_t column, F&& f) const;

  Sheet* sheet_;
  std::unordered_map<const Range*, Registration> registrations_;
  // Nodes stay where they are made, so groups are kept in them and named by address.
  std::unordered_map<Rect, Group, RectHash> groups_;
  std::unordered_map<uint64_t, std::vector<Group*>> byBlock_;
  std::vector<Group*> huge_;
  std::vector<Group*> cachedGroups_;
  size_t cachedPositions_ = 0;
  uint64_t cacheVersion_ = 0;
  size_t emptyGroups_ = 0;
};

}  // namespace quadrell
