#pragma once
// The panel beside a pivot table's sheet: the source's columns, and four
// areas (filter, column, row, value) that columns are dragged into, between
// and out of; each drop builds the pivot table again.
#include <cstdint>
#include <string>
#include <vector>

#include "model/PivotTable.h"
#include "model/Sheet.h"
#include "shell/toolboxes/AbstractToolbox.h"

namespace quadrell {

class PivotToolbox final : public AbstractToolbox, private SheetWatcher {
 public:
  enum DragMode : uint8_t { kNoDrag = 0, kFromList = 1, kFromFilter = 2, kFromColumn = 3, kFromRow = 4, kFromValue = 5 };

  PivotToolbox(PivotTable* pivot, Application& application);
  ~PivotToolbox() override;

  void Paint() override;
  // The pointer, also for tests.
  void OnLeftDown(int x, int y) override;
  void OnLeftUp(int x, int y) override;
  void OnMouseMove(int x, int y) override;
  void OnClick(int x, int y) override;

  PivotTable* GetPivotTable() const { return pivot_; }
  int64_t UpperTop() const { return upperTop_; }
  int64_t LowerTop() const { return lowerTop_; }
  int64_t UpperHeight() const { return upperHeight_; }
  int64_t LowerHeight() const { return lowerHeight_; }
  DragMode GetDragMode() const { return dragMode_; }

 private:
  void Rebuild(bool fieldsChanged);
  // SheetWatcher: only the sheet's end matters here.
  void CellValueChanged(int32_t, int32_t) override {}
  void LinesChanged(bool, int32_t, int32_t) override {}
  void ObjectTaken(SheetAnchor*) override {}
  void SheetGone() override;

  PivotTable* pivot_;
  Sheet* sheet_;
  int32_t dragColumn_ = -1;
  std::u16string dragText_;
  int64_t upperTop_ = 0, lowerTop_ = 0, upperHeight_ = 50, lowerHeight_ = 50;
  DragMode dragMode_ = kNoDrag;
  PivotTable::Fields fieldsBefore_;  // as they were when the drag began
};

}  // namespace quadrell
