#include "shell/toolboxes/PivotToolbox.h"

#include <algorithm>

#include "context/ApplicationContext.h"
#include "model/Font.h"
#include "model/PivotTable.h"
#include "model/Range.h"
#include "platform/Canvas.h"
#include "shell/Application.h"
#include "shell/commands/DataCommands.h"

namespace quadrell {

namespace {

constexpr int kRow = 20;
constexpr int kListTop = 50;

}  // namespace

PivotToolbox::PivotToolbox(PivotTable* pivot, Application& application)
    : AbstractToolbox(application), pivot_(pivot), sheet_(pivot ? pivot->GetTargetSheet() : nullptr) {
  if (sheet_) sheet_->AddWatcher(this);
}

PivotToolbox::~PivotToolbox() {
  if (sheet_) sheet_->RemoveWatcher(this);
}

void PivotToolbox::SheetGone() {
  sheet_ = nullptr;
  pivot_ = nullptr;
  CloseSoon();
}

void PivotToolbox::Paint() {
  Canvas& c = canvas_->Surface();
  const int w = width_;
  c.ClearClip();
  c.FillBox(0, 0, w, std::max(height_, 1), 0xFFFFFF);
  c.DrawLine(0, 0, w, 0, 0xEEEEEE);
  c.DrawLine(0, 0, 0, height_, 0xEEEEEE);
  c.DrawLine(w - 28, 5, w - 12, 21, 0);
  c.DrawLine(w - 12, 5, w - 28, 21, 0);
  if (!pivot_) return;
  const PlatformFont& big = *GetFont(u"Arial", 12, 0)->platformFont;
  const PlatformFont& small = *GetFont(u"Arial", 10, 0)->platformFont;
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetTextColour(0);
  c.SetFont(big);
  c.DrawText(7, 30, Text("toolbox:pivot:columns"));
  std::vector<std::u16string> names;
  pivot_->GetSourceColumnNames(names);
  const int32_t first = pivot_->GetSourceRange().GetFirstColumn();
  auto nameOf = [&](int32_t column) {
    size_t i = static_cast<size_t>(column - first);
    return i < names.size() ? names[i] : std::u16string();
  };
  c.SetFont(small);
  for (size_t i = 0; i < names.size(); ++i) {
    int y = kListTop + kRow * static_cast<int>(i);
    c.FrameBox(5, y, w - 10, kRow, 0);
    c.SetClip(6, y, w - 12, kRow);
    c.DrawText(9, y + 3, names[i]);
    c.ClearClip();
  }
  auto area = [&](int64_t top, int64_t height, const std::vector<int32_t>& left, const std::vector<int32_t>& right) {
    c.FrameBox(5, static_cast<int>(top), w / 2 - 10, static_cast<int>(height), 0);
    c.FrameBox(w / 2 + 5, static_cast<int>(top), w / 2 - 10, static_cast<int>(height), 0);
    for (size_t i = 0; i < left.size(); ++i) {
      c.SetClip(6, static_cast<int>(top) + kRow * static_cast<int>(i), w / 2 - 12, kRow);
      c.DrawText(9, static_cast<int>(top) + kRow * static_cast<int>(i) + 3, nameOf(left[i]));
    }
    for (size_t i = 0; i < right.size(); ++i) {
      c.SetClip(w / 2 + 6, static_cast<int>(top) + kRow * static_cast<int>(i), w / 2 - 12, kRow);
      c.DrawText(w / 2 + 9, static_cast<int>(top) + kRow * static_cast<int>(i) + 3, nameOf(right[i]));
    }
    c.ClearClip();
  };
  std::vector<int32_t> filters, columns, rows, values;
  pivot_->GetFilterFields(filters);
  pivot_->GetColumnFields(columns);
  pivot_->GetRowFields(rows);
  pivot_->GetValueFields(values);
  int64_t y = kListTop + kRow * static_cast<int64_t>(names.size()) + 10;
  c.SetFont(big);
  c.DrawText(7, static_cast<int>(y), Text("toolbox:pivot:filter"));
  c.DrawText(w / 2 + 7, static_cast<int>(y), Text("toolbox:pivot:column"));
  upperTop_ = y + 20;
  upperHeight_ = std::max<int64_t>(50, kRow * static_cast<int64_t>(std::max(filters.size(), columns.size())));
  c.SetFont(small);
  area(upperTop_, upperHeight_, filters, columns);
  y = upperTop_ + upperHeight_ + 30;
  c.SetFont(big);
  c.DrawText(7, static_cast<int>(y), Text("toolbox:pivot:row"));
  c.DrawText(w / 2 + 7, static_cast<int>(y), Text("toolbox:pivot:value"));
  lowerTop_ = y + 20;
  lowerHeight_ = std::max<int64_t>(50, kRow * static_cast<int64_t>(std::max(rows.size(), values.size())));
  c.SetFont(small);
  area(lowerTop_, lowerHeight_, rows, values);
  y = lowerTop_ + lowerHeight_ + 30;
  c.SetFont(big);
  const std::u16string& again = Text("toolbox:pivot:reevaluate");
  c.FrameBox(5, static_cast<int>(y) - 2, c.TextWidth(again) + 6, 20, 0);
  c.DrawText(8, static_cast<int>(y), again);
}

void PivotToolbox::OnLeftDown(int x, int y) {
  if (!pivot_) return;
  const int w = width_;
  std::vector<std::u16string> names;
  pivot_->GetSourceColumnNames(names);
  const int32_t first = pivot_->GetSourceRange().GetFirstColumn();
  dragMode_ = kNoDrag;
  fieldsBefore_ = pivot_->GetFields();
  auto take = [&](std::vector<int32_t> list, int64_t top, DragMode mode) {
    int64_t index = (y - top) / kRow;
    if (y < top || index >= static_cast<int64_t>(list.size())) return;
    dragColumn_ = list[static_cast<size_t>(index)];
    size_t i = static_cast<size_t>(dragColumn_ - first);
    dragText_ = i < names.size() ? names[i] : std::u16string();
    dragMode_ = mode;
    const auto at = static_cast<int32_t>(index);
    if (mode == kFromFilter) pivot_->RemoveFilterField(at);
    else if (mode == kFromColumn) pivot_->RemoveColumnField(at);
    else if (mode == kFromRow) pivot_->RemoveRowField(at);
    else pivot_->RemoveValueField(at);
  };
  std::vector<int32_t> list;
  if (y >= kListTop && y < kListTop + kRow * static_cast<int64_t>(names.size()) && x >= 5 && x < w - 5) {
    size_t index = static_cast<size_t>((y - kListTop) / kRow);
    dragColumn_ = first + static_cast<int32_t>(index);
    dragText_ = names[index];
    dragMode_ = kFromList;
  } else if (y >= upperTop_ && y < upperTop_ + upperHeight_) {
    if (x >= 6 && x < w / 2 - 5) {
      pivot_->GetFilterFields(list);
      take(list, upperTop_, kFromFilter);
    } else if (x > w / 2 + 5 && x < w - 5) {
      pivot_->GetColumnFields(list);
      take(list, upperTop_, kFromColumn);
    }
  } else if (y >= lowerTop_ && y < lowerTop_ + lowerHeight_) {
    if (x >= 6 && x < w / 2 - 5) {
      pivot_->GetRowFields(list);
      take(list, lowerTop_, kFromRow);
    } else if (x > w / 2 + 5 && x < w - 5) {
      pivot_->GetValueFields(list);
      take(list, lowerTop_, kFromValue);
    }
  }
  Paint();
}

void PivotToolbox::OnMouseMove(int x, int y) {
  if (dragMode_ == kNoDrag) return;
  Paint();
  Canvas& c = canvas_->Surface();
  c.SetFont(*GetFont(u"Arial", 10, 0)->platformFont);
  int tw = c.TextWidth(dragText_) + 4, th = c.TextHeight(dragText_) + 4;
  c.FillBox(x, y, tw, th, 0xFFFFFF);
  c.FrameBox(x, y, tw, th, 0);
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetTextColour(0);
  c.DrawText(x + 2, y + 2, dragText_);
}

void PivotToolbox::OnLeftUp(int x, int y) {
  if (dragMode_ == kNoDrag || !pivot_) return;
  const int w = width_;
  const bool left = x < w / 2;
  if (y >= upperTop_ && y < upperTop_ + upperHeight_ && x >= 0 && x < w) {
    if (left) pivot_->AddFilterField(dragColumn_);
    else pivot_->AddColumnField(dragColumn_);
  } else if (y >= lowerTop_ && y < lowerTop_ + lowerHeight_ && x >= 0 && x < w) {
    if (left) pivot_->AddRowField(dragColumn_);
    else pivot_->AddValueField(dragColumn_);
  }
  // Anywhere else the field is dropped: dragged out of an area, it is gone.
  dragMode_ = kNoDrag;
  Paint();  // without the dragged name, before a question may come up
  Rebuild(true);
}

void PivotToolbox::OnClick(int x, int y) {
  if (x > width_ - 30 && y < 30) {
    CloseSoon();
    return;
  }
  int64_t button = lowerTop_ + lowerHeight_ + 30;
  if (y >= button - 2 && y < button + 20) Rebuild(false);
}

void PivotToolbox::Rebuild(bool fieldsChanged) {
  // Declined or failed, a drop takes its change of the fields back.
  if (pivot_ && !RebuildPivotTable(application_, *pivot_) && fieldsChanged && pivot_) {
    pivot_->SetFields(fieldsBefore_);
  }
  application_.RefreshViews(true);
  Paint();
}

}  // namespace quadrell
