// The grid view's input: keys, the in-place editor, the mouse gestures and
// the header menus.
#include <algorithm>
#include <cmath>

#include "context/ApplicationContext.h"
#include "formula/FormulaValue.h"
#include "model/Action.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/Filter.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "object/Comment.h"
#include "object/Image.h"
#include "object/LineChart.h"
#include "platform/Desktop.h"
#include "platform/Keys.h"
#include "shell/Application.h"
#include "shell/popups/PopupMenu.h"
#include "value/NumberText.h"
#include "value/Unicode.h"
#include "view/OverviewGadget.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"
#include "view/SheetWindowParts.h"

namespace quadrell {

namespace {

// A sheet object moved or resized by the mouse. The object may have left the
// sheet since (removed, a comment closed): then there is nothing to put back.
class ObjectPlacementAction final : public Action {
 public:
  ObjectPlacementAction(Sheet* sheet, ObjectAnchor* anchor, const ObjectAnchor::Placement& before)
      : sheet_(sheet), anchor_(anchor), before_(before), after_(anchor->GetPlacement()) {}
  void Undo() override { Apply(before_); }
  void Redo() override { Apply(after_); }

 private:
  void Apply(const ObjectAnchor::Placement& placement) {
    sheet_->ResetObjects(1);
    while (SheetAnchor* a = sheet_->NextObject()) {
      if (a == anchor_) {
        anchor_->SetPlacement(placement);
        return;
      }
    }
  }
  Sheet* sheet_;
  ObjectAnchor* anchor_;
  ObjectAnchor::Placement before_;
  ObjectAnchor::Placement after_;
};

bool SamePlace(const ObjectAnchor::Placement& a, const ObjectAnchor::Placement& b) {
  return a.topLeft.cell == b.topLeft.cell && a.topLeft.x == b.topLeft.x && a.topLeft.y == b.topLeft.y &&
         a.width == b.width && a.height == b.height;
}

constexpr int32_t kLastRow = 1048576;
constexpr int32_t kLastColumn = 16383;
constexpr int kWheelRows = 3;

int64_t FloorMod(int64_t a, int64_t b) {
  int64_t m = a % b;
  return m < 0 ? m + b : m;
}

// The name of the block between two positions: B3, or B3:C5.
std::u16string BlockName(int32_t c1, int32_t r1, int32_t c2, int32_t r2) {
  auto name = [](int32_t c, int32_t r) { return ColumnName(c) + Utf8ToUtf16(IntegerText(r)); };
  if (c1 == c2 && r1 == r2) return name(c1, r1);
  return name(std::min(c1, c2), std::min(r1, r2)) + u":" + name(std::max(c1, c2), std::max(r1, r2));
}

}  // namespace

std::u16string SheetGadget::PointName(int32_t c1, int32_t r1, int32_t c2, int32_t r2) const {
  std::u16string name;
  if (editHome_ && sheet_ && editHome_->sheet != sheet_) {
    AppendSheetName(name, sheet_->GetName());
    name += u'!';
  }
  return name + BlockName(c1, r1, c2, r2);
}

void SheetGadget::OnLeftDoubleClick(int x, int y) {
  if (y < kHeaderHeight && x >= rowHeaderWidth_) {
    // On a border between two column headers: the column left of it fits its texts.
    for (const ColumnCache& c : columnCache_) {
      int right = rowHeaderWidth_ + c.right;
      if (c.right > c.left && std::abs(x - right) <= 2) {
        resizing_ = false;
        pending_ = Pending::None;
        pendingEdge_ = -1;
        FitColumnWidth(c.column);
        return;
      }
    }
    return;
  }
  if (x < rowHeaderWidth_ || y < kCellTop) return;
  // An edit under way (a double click that points, say) is not replaced by the cell's content.
  if (selectedObject_ || editing_) return;
  editText_ = EditableInput(GetActiveCell());
  editing_ = true;
  caretOn_ = true;
  EditChanged();
}

void SheetGadget::FitColumnWidth(int32_t column) {
  if (!sheet_ || column < 0) return;
  std::unique_ptr<Canvas> canvas = OpenBitmapCanvas(cellLayer_);
  if (!canvas) return;
  // A text is only measured when it may be wider than the widest so far (no
  // glyph is wider than its font is high).
  int widest = -1;
  const FontRecord* font = nullptr;
  sheet_->ForEachRow([&](int32_t, const Row& row) {
    Cell* cell = row.FindCell(column);
    if (!cell || cell->GetColumnSpan() != 1) return;
    std::u16string text = formulaView_ ? cell->GetInput() : cell->GetText();
    if (text.empty()) return;
    const StyleRecord* style = cell->GetStyle();
    int indent = style->indent * kIndentStep;
    if (static_cast<int64_t>(text.size()) * style->font->PixelHeight() + indent <= widest) return;
    if (style->font != font) {
      font = style->font;
      canvas->SetFont(*font->platformFont);
    }
    widest = std::max(widest, canvas->TextWidth(text) + indent);
  });
  if (widest < 0) return;
  Column* stored = sheet_->GetColumn(column);
  int32_t before = stored->GetWidth();
  int32_t width = widest + 6;  // a little air on both sides
  if (width == before) return;
  stored->SetWidth(width);
  if (stored->IsHidden()) stored->SetHidden(false);
  application_.AddAction(std::make_unique<ColumnWidthAction>(stored, before));
  ObjectsFollowGrid();
  application_.RefreshViews(true);
}

void SheetGadget::OnFocusLost() {
  if (pressed_) OnLeftUp(lastX_, lastY_);
  if (GridPopups* popups = GetGridPopups()) popups->CloseSuggestions();
}

// ---------------------------------------------------------------- mouse

bool SheetGadget::PressObject(int x, int y) {
  if (selectedObject_) {
    Rect box = ObjectBox(*selectedObject_);
    const Point corners[4] = {{box.x, box.y}, {box.Right(), box.y}, {box.x, box.Bottom()}, {box.Right(), box.Bottom()}};
    for (int k = 0; k < 4; ++k) {
      if (std::abs(x - corners[k].x) <= 6 && std::abs(y - corners[k].y) <= 6) {
        grabbedCorner_ = k + 1;
        movingObject_ = true;
        placementAtPress_ = selectedObject_->GetPlacement();
        return true;
      }
    }
    if (x >= box.Right() && x < box.Right() + kObjectPanelWidth && y >= box.y) {
      int dy = y - box.y;
      if (dy >= 10 && dy < 45) {
        grabbedCorner_ = 0;
        movingObject_ = true;
        placementAtPress_ = selectedObject_->GetPlacement();
        return true;
      }
      if (dy >= 45) {
        int index = (dy - 45) / kObjectPanelRow;
        const ObjectToolIcon* icon = selectedObject_->GetToolIcons();
        for (int k = 0; icon && k < index; ++k) icon = icon->next;
        if (icon) {
          if (icon->code == 2 || icon->code == 5) {
            container_.DeleteSelectedObject();
          } else if (icon->action) {
            icon->action(selectedObject_->GetObject());
            swallowRelease_ = true;
          }
          return true;
        }
      }
    }
  }
  int32_t column = ColumnAtX(x), row = RowAtY(y);
  const ColumnCache* c = FindColumnCache(column);
  const RowCache* r = FindRowCache(row);
  if (!c || !r) return false;
  int32_t ox = x - (rowHeaderWidth_ + 1 + c->left);
  int32_t oy = y - (kCellTop + r->top);
  sheet_->ResetObjects(1);
  std::vector<ObjectAnchor*> anchors;
  while (SheetAnchor* a = sheet_->NextObject()) {
    if (auto* placed = dynamic_cast<ObjectAnchor*>(a)) anchors.push_back(placed);
  }
  for (ObjectAnchor* anchor : anchors) {
    if (!anchor->HitTest(column, row, ox, oy)) continue;
    ObjectAnchor* before = selectedObject_;
    // The press may hide or delete a comment (and free its anchor).
    int32_t kind = anchor->PressAt(column, row, ox, oy);
    if (kind == kObjectHandled) {
      if (before == anchor) selectedObject_ = nullptr;
      application_.RedrawViewsWithObjects();
      return true;
    }
    if (before && before != anchor) before->Deselect();
    selectedObject_ = anchor;
    objectHitKind_ = kind;
    grabbedCorner_ = 0;
    movingObject_ = kind == kObjectGrab || kind == kObjectChartPart;
    placementAtPress_ = anchor->GetPlacement();
    CommitPendingEdit();
    Refresh();
    return true;
  }
  if (selectedObject_) {
    selectedObject_->Deselect();
    selectedObject_ = nullptr;
    objectHitKind_ = 0;
    Refresh();
  }
  return false;
}

void SheetGadget::SelectHeaders(bool rows, int32_t from, int32_t to) {
  int32_t first = std::min(from, to), last = std::max(from, to);
  if (rows) {
    SetSelection(std::make_unique<AreaRange>(-1, first, -1, last, sheet_));
  } else {
    SetSelection(std::make_unique<AreaRange>(first, -1, last, -1, sheet_));
  }
}

bool SheetGadget::PressHeader(int x, int y) {
  if (x >= rowHeaderWidth_ && y >= kHeaderHeight) return false;
  if (pending_ == Pending::UnhideRow || pending_ == Pending::UnhideColumn) {
    Unhide(pending_ == Pending::UnhideRow, pendingIndex_);
    pending_ = Pending::None;
    return true;
  }
  if (pending_ == Pending::ResizeRow) {
    resizing_ = true;
    Row* row = sheet_->GetRow(pendingIndex_);
    sizeAtPress_ = row->GetHeight();
    row->SetHeight(sizeAtPress_, true);  // from now on the user's height
    lastY_ = y;
    return true;
  }
  if (pending_ == Pending::ResizeColumn) {
    resizing_ = true;
    sizeAtPress_ = sheet_->GetColumnWidth(pendingIndex_);
    lastX_ = x;
    return true;
  }
  CommitPendingEdit();
  const bool shift = shiftDown_ || CurrentKeyModifiers().shift;
  if (x < rowHeaderWidth_ && y >= kHeaderHeight) {
    // Shift+click takes the rows from the anchor's; a drag goes on from here.
    int32_t row = RowAtY(y);
    if (!shift) anchorRow_ = row;
    anchorColumn_ = 0;
    SelectHeaders(true, anchorRow_, row);
    headerDrag_ = 1;
  } else if (y < kHeaderHeight && x >= rowHeaderWidth_) {
    int32_t column = ColumnAtX(x);
    if (!shift) anchorColumn_ = column;
    anchorRow_ = 1;
    SelectHeaders(false, anchorColumn_, column);
    headerDrag_ = 2;
  } else {
    SetSelection(std::make_unique<AreaRange>(-1, -1, -1, -1, sheet_));
  }
  Refresh();
  return true;
}

void SheetGadget::OnLeftDown(int x, int y) {
  if (!sheet_) return;
  lastX_ = x;
  lastY_ = y;
  pressed_ = true;
  dragged_ = false;
  container_.SetActiveView(this);
  ForgetRemovedObject();
  // A range pick reaches the cells under the objects too.
  if (!pickCallback_ && PressObject(x, y)) return;
  if (PressHeader(x, y)) return;
  if (mouseMode_ >= kMouseFillBrushArmed && mouseMode_ <= kMouseTextBrushPainting && y >= kCellTop && y <= 67 &&
      x > canvasWidth_ - 151) {
    mouseMode_ = kMouseNone;
    Refresh();
    return;
  }
  const int s = ScrollbarWidth();
  if (x >= canvasWidth_ - s) {
    scrollDrag_ = 2;
    OnMouseMove(x, y);
    return;
  }
  if (y >= canvasHeight_ - s) {
    scrollDrag_ = 1;
    OnMouseMove(x, y);
    return;
  }
  int32_t column = ColumnAtX(x), row = RowAtY(y);
  if (mouseMode_ == kMouseFillBrushArmed || mouseMode_ == kMouseTextBrushArmed) {
    mouseMode_ = mouseMode_ == kMouseFillBrushArmed ? kMouseFillBrushPainting : kMouseTextBrushPainting;
    lastBrushColumn_ = -1;
    PaintWithBrush(column, row);
    return;
  }
  if (hoverMode_ == kMouseHyperlink && shiftDown_) {
    if (Cell* cell = sheet_->GetCell(row, column)) {
      std::u16string_view link = cell->GetValue()->Link();
      if (link.empty()) link = cell->GetValue()->Text();
      if (link.starts_with(u"http://") || link.starts_with(u"https://")) {
        OpenWithDefaultHandler(link);
        pressed_ = false;
        return;
      }
    }
  }
  if (hoverMode_ != kMouseNone && hoverMode_ != kMouseHyperlink &&
      !(mouseMode_ >= kMouseFillBrushArmed && mouseMode_ <= kMouseFormatPainter)) {
    mouseMode_ = hoverMode_;
    if (mouseMode_ == kMouseFillHandle) fillSource_ = selection_->Copy();
  }
  if (mouseMode_ == kMouseFillHandle || mouseMode_ == kMouseComment) {
    pressColumn_ = column;
    pressRow_ = row;
    return;
  }
  if (pickCallback_) {
    pickInProgress_ = true;
    pressColumn_ = column;
    pressRow_ = row;
    AreaRange range(column, row, sheet_);
    pickCallback_(pickData_, &range, 0);
    return;
  }
  if (editing_ && IsOperandPosition(editText_, static_cast<int>(editText_.size()))) {
    pointing_ = true;
    pointBase_ = editText_;
    pressColumn_ = column;
    pressRow_ = row;
    pointText_ = PointName(column, row, column, row);
    editText_ = pointBase_ + pointText_;
    EditChanged();
    return;
  }
  CommitPendingEdit();
  if (Filter* filter = sheet_->GetFilter(); filter && filter->IsHeaderCell(row, column)) {
    Rect box = CellBox(row, column);
    int right = box.Right();
    int top = kCellTop + (box.y - kHeaderHeight);
    if (x >= right - 15 && x <= right - 2 && y >= top + 2 && y <= top + 15) {
      pressed_ = false;
      if (GridPopups* popups = GetGridPopups()) popups->OpenFilterDropdown(*this, column);
      return;
    }
  }
  pressColumn_ = column;
  pressRow_ = row;
  if (shiftDown_) {
    // Shift extends the block from the anchor to the pressed cell.
    SetSelection(std::make_unique<AreaRange>(anchorColumn_, anchorRow_, column, row, sheet_));
      pressColumn_ = anchorColumn_;
    pressRow_ = anchorRow_;
  } else {
    anchorColumn_ = column;
    anchorRow_ = row;
    SelectCell(column, row);
  }
  hoverColumn_ = column;
  hoverRow_ = row;
  ShowFormulaBarText();
  Refresh();
}

void SheetGadget::OnMouseMove(int x, int y) {
  if (!sheet_) return;
  uint8_t previousHover = hoverMode_;
  hoverMode_ = kMouseNone;
  if (resizing_ && pending_ == Pending::ResizeRow) {
    Row* row = sheet_->GetRow(pendingIndex_);
    int32_t height = std::max(row->GetHeight() + (y - lastY_), 0);
    lastY_ = y;
    row->SetHeight(height, true);
    ObjectsFollowGrid();
    pendingEdge_ = y;
    application_.RefreshViews(true);
    return;
  }
  if (resizing_ && pending_ == Pending::ResizeColumn) {
    Column* column = sheet_->GetColumn(pendingIndex_);
    int32_t width = std::max(column->GetWidth() + (x - lastX_), 0);
    lastX_ = x;
    column->SetWidth(width);
    if (width > 0 && column->IsHidden()) column->SetHidden(false);
    ObjectsFollowGrid();
    pendingEdge_ = x;
    application_.RefreshViews(true);
    return;
  }
  if (scrollDrag_ == 2) {
    int start = kHeaderHeight + frozenHeight_;
    int track = std::max(canvasHeight_ - ScrollbarWidth() - start, 1);
    double total = ScrollTotal(true);
    int64_t first = std::llround((y - start) * total / track - visibleRows_ / 2.0);
    int32_t row = static_cast<int32_t>(std::clamp<int64_t>(first, 1, kLastRow));
    if (row != firstRow_) {
      firstRow_ = row;
      Redraw(false);
    }
    return;
  }
  if (scrollDrag_ == 1) {
    int start = rowHeaderWidth_ + frozenWidth_;
    int track = std::max(canvasWidth_ - ScrollbarWidth() - start, 1);
    double total = ScrollTotal(false);
    int64_t first = std::llround((x - start) * total / track - visibleColumns_ / 2.0);
    int32_t column = static_cast<int32_t>(std::clamp<int64_t>(first, 0, kLastColumn));
    if (column != firstColumn_) {
      firstColumn_ = column;
      Redraw(false);
    }
    return;
  }
  int32_t column = ColumnAtX(x), row = RowAtY(y);
  if (pressed_ && headerDrag_ != 0) {
    if (headerDrag_ == 1 && row != hoverRow_) {
      hoverRow_ = row;
      SelectHeaders(true, anchorRow_, row);
      Refresh();
    } else if (headerDrag_ == 2 && column != hoverColumn_) {
      hoverColumn_ = column;
      SelectHeaders(false, anchorColumn_, column);
      Refresh();
    }
    return;
  }
  if (pressed_ && movingObject_ && selectedObject_) {
    DragObject(x, y);
    return;
  }
  if (pressed_ && mouseMode_ == kMouseFillHandle && fillSource_) {
    if (column != hoverColumn_ || row != hoverRow_) {
      hoverColumn_ = column;
      hoverRow_ = row;
      int32_t fc = fillSource_->GetFirstColumn(), fr = fillSource_->GetFirstRow();
      int32_t lc = fillSource_->GetLastColumn(), lr = fillSource_->GetLastRow();
      // Only the way the drag went further counts: a pointer just over a
      // column border while dragging down fills down the source's columns.
      int64_t down = row > lr ? row - lr : row < fr ? fr - row : 0;
      int64_t across = column > lc ? column - lc : column < fc ? fc - column : 0;
      if (down >= across) {
        SetSelection(std::make_unique<AreaRange>(fc, std::min(fr, row), lc, std::max(lr, row), sheet_));
      } else {
        SetSelection(std::make_unique<AreaRange>(std::min(fc, column), fr, std::max(lc, column), lr, sheet_));
      }
      Refresh();
    }
    return;
  }
  if (pressed_ && (mouseMode_ == kMouseFillBrushPainting || mouseMode_ == kMouseTextBrushPainting)) {
    PaintWithBrush(column, row);
    return;
  }
  if (pressed_ && pickInProgress_) {
    AreaRange range(pressColumn_, pressRow_, column, row, sheet_);
    pickCallback_(pickData_, &range, 0);
    return;
  }
  if (pressed_ && pointing_) {
    if (column != hoverColumn_ || row != hoverRow_) {
      hoverColumn_ = column;
      hoverRow_ = row;
      pointText_ = PointName(pressColumn_, pressRow_, column, row);
      editText_ = pointBase_ + pointText_;
      EditChanged();
    }
    return;
  }
  if (pressed_ && !editing_ && pressColumn_ >= 0 && mouseMode_ != kMouseComment) {
    if (column != hoverColumn_ || row != hoverRow_) {
      hoverColumn_ = column;
      hoverRow_ = row;
      dragged_ = true;
      SetSelection(std::make_unique<AreaRange>(pressColumn_, pressRow_, column, row, sheet_));
          Refresh();
    }
    return;
  }
  if (pressed_) return;
  if (x < rowHeaderWidth_ || y < kHeaderHeight) {
    HoverHeaders(x, y);
    return;
  }
  if (pending_ != Pending::None) {
    pending_ = Pending::None;
    pendingEdge_ = -1;
    canvas_->SetPointerShape(PointerShape::Cross);
    Refresh();
  }
  UpdateHover(x, y);
  if (hoverMode_ != previousHover) Refresh();
}

void SheetGadget::UpdateHover(int x, int y) {
  if (mouseMode_ >= kMouseFillBrushArmed && mouseMode_ <= kMouseFormatPainter) {
    hoverMode_ = mouseMode_;
    return;
  }
  if (selection_) {
    int32_t lc = selection_->GetLastColumn(), lr = selection_->GetLastRow();
    Rect corner = CellBox(lr, lc);
    if (corner.width > 0 && std::abs(x - corner.Right()) <= 3 && std::abs(y - corner.Bottom()) <= 3) {
      hoverMode_ = kMouseFillHandle;
      return;
    }
  }
  int32_t column = ColumnAtX(x), row = RowAtY(y);
  Row* stored = sheet_->FindRow(row);
  Cell* cell = stored ? stored->FindCell(column) : nullptr;
  if (cell && cell->GetValue()->Kind() == ValueKind::Hyperlink) {
    hoverMode_ = kMouseHyperlink;
    return;
  }
  if (cell && cell->GetComment()) {
    Rect box = CellBox(row, column);
    if (std::abs(x - box.Right()) <= 5 && std::abs(y - (box.y + 1)) <= 5) hoverMode_ = kMouseComment;
  }
}

void SheetGadget::HoverHeaders(int x, int y) {
  Pending before = pending_;
  int edgeBefore = pendingEdge_;
  pending_ = Pending::None;
  pendingEdge_ = -1;
  PointerShape shape = PointerShape::Arrow;
  if (x < rowHeaderWidth_ && y >= kHeaderHeight) {
    // Unhiding wins over resizing at the edge the hidden rows left.
    for (const RowCache& r : rowCache_) {
      int top = kHeaderHeight + r.top;
      if (r.followsHidden && x >= 2 && x <= 11 && y >= top - 7 && y <= top + 7) {
        pending_ = Pending::UnhideRow;
        pendingIndex_ = r.row;
        break;
      }
    }
    for (const RowCache& r : rowCache_) {
      if (pending_ != Pending::None) break;
      int bottom = kHeaderHeight + r.bottom;
      if (r.bottom > r.top && std::abs(y - bottom) <= 2) {
        pending_ = Pending::ResizeRow;
        pendingIndex_ = r.row;
        pendingEdge_ = bottom;
        shape = PointerShape::ResizeUpDown;
      }
      if (bottom > y + 2) break;
    }
  } else if (y < kHeaderHeight && x >= rowHeaderWidth_) {
    for (const ColumnCache& c : columnCache_) {
      int left = rowHeaderWidth_ + c.left;
      if (c.followsHidden && y >= 2 && y <= 11 && x >= left - 7 && x <= left + 7) {
        pending_ = Pending::UnhideColumn;
        pendingIndex_ = c.column;
        break;
      }
    }
    for (const ColumnCache& c : columnCache_) {
      if (pending_ != Pending::None) break;
      int right = rowHeaderWidth_ + c.right;
      if (c.right > c.left && std::abs(x - right) <= 2) {
        pending_ = Pending::ResizeColumn;
        pendingIndex_ = c.column;
        pendingEdge_ = right;
        shape = PointerShape::ResizeLeftRight;
      }
      if (right > x + 2) break;
    }
  }
  canvas_->SetPointerShape(shape);
  if (pending_ != before || pendingEdge_ != edgeBefore) Refresh();
}

void SheetGadget::DragObject(int x, int y) {
  int dx = x - lastX_, dy = y - lastY_;
  lastX_ = x;
  lastY_ = y;
  if (dx == 0 && dy == 0) return;
  ObjectAnchor* a = selectedObject_;
  if (grabbedCorner_ == 0 && objectHitKind_ == kObjectChartPart) {
    a->DragPart(dx, dy);
    application_.RedrawViewsWithObjects();
    return;
  }
  switch (grabbedCorner_) {
    case 1:
      a->MoveBy(dx, dy);
      a->ResizeBy(-dx, -dy);
      break;
    case 2:
      a->MoveBy(0, dy);
      a->ResizeBy(dx, -dy);
      break;
    case 3:
      a->MoveBy(dx, 0);
      a->ResizeBy(-dx, dy);
      break;
    case 4:
      a->ResizeBy(dx, dy);
      break;
    default:
      a->MoveBy(dx, dy);
      break;
  }
  application_.RedrawViewsWithObjects();
}

void SheetGadget::ObjectsFollowGrid() {
  sheet_->ResetObjects(1);
  while (SheetAnchor* a = sheet_->NextObject()) a->UpdatePosition();
}

void SheetGadget::OnLeftUp(int x, int y) {
  if (!sheet_) return;
  bool wasPressed = pressed_;
  pressed_ = false;
  if (swallowRelease_) {
    swallowRelease_ = false;
    return;
  }
  if (resizing_) EndResize();
  ForgetRemovedObject();
  if (wasPressed && selectedObject_ && objectHitKind_ == kObjectChartPart) {
    // A dragged title, plot or legend is one undo step.
    if (auto* chart = dynamic_cast<LineChart*>(selectedObject_->GetObject())) chart->CommitInteraction();
  }
  if (wasPressed && movingObject_ && selectedObject_ && !SamePlace(placementAtPress_, selectedObject_->GetPlacement())) {
    application_.AddAction(std::make_unique<ObjectPlacementAction>(sheet_, selectedObject_, placementAtPress_));
  }
  if (brushStroke_) {
    // One drag of the brush is one step of the undo list.
    std::unique_ptr<Action> stroke = std::move(brushStroke_);
    application_.AddAction(std::move(stroke));
  }
  headerDrag_ = 0;
  if (wasPressed && mouseMode_ == kMouseFillHandle && fillSource_) {
    AutoFill();
  } else if (mouseMode_ == kMouseFillBrushPainting) {
    mouseMode_ = kMouseFillBrushArmed;
  } else if (mouseMode_ == kMouseFormatPainter && wasPressed) {
    ApplyFormatPainter();
  } else if (mouseMode_ == kMouseComment && wasPressed) {
    int32_t column = ColumnAtX(x), row = RowAtY(y);
    if (Row* stored = sheet_->FindRow(row)) {
      if (Cell* cell = stored->FindCell(column); cell && cell->GetComment()) ShowComment(sheet_, cell);
    }
    application_.RedrawViewsWithObjects();
  }
  if (pickInProgress_) {
    pickInProgress_ = false;
    RangePickCallback callback = pickCallback_;
    void* data = pickData_;
    pickCallback_ = nullptr;
    pickData_ = nullptr;
    if (callback) callback(data, nullptr, 1);
  }
  if (mouseMode_ != kMouseFillBrushArmed && mouseMode_ != kMouseTextBrushArmed &&
      mouseMode_ != kMouseTextBrushPainting) {
    mouseMode_ = kMouseNone;
  }
  fillSource_.reset();
  pointing_ = false;
  pressColumn_ = pressRow_ = -1;
  movingObject_ = false;
  grabbedCorner_ = 0;
  scrollDrag_ = 0;
  if (resizing_) {
    resizing_ = false;
    pending_ = Pending::None;
    pendingEdge_ = -1;
    Refresh();
  }
}

void SheetGadget::EndResize() {
  if (pending_ == Pending::ResizeRow) {
    Row* row = sheet_->GetRow(pendingIndex_);
    if (row->GetHeight() != sizeAtPress_) application_.AddAction(std::make_unique<RowHeightAction>(row, sizeAtPress_));
  } else if (pending_ == Pending::ResizeColumn) {
    Column* column = sheet_->GetColumn(pendingIndex_);
    if (column->GetWidth() != sizeAtPress_) {
      application_.AddAction(std::make_unique<ColumnWidthAction>(column, sizeAtPress_));
    }
  }
  application_.RefreshViews(true);
}

void SheetGadget::Unhide(bool rows, int32_t at) {
  auto action = std::make_unique<LineVisibilityAction>();
  // Walk away from the row (column) that follows the hidden ones.
  for (int64_t k = static_cast<int64_t>(at) - 1; k >= (rows ? 1 : 0); --k) {
    int32_t index = static_cast<int32_t>(k);
    if (rows) {
      if (sheet_->GetRowHeight(index) != 0) break;
      Row* row = sheet_->GetRow(index);
      action->AddRow(row);
      if (row->IsHidden()) row->SetHidden(false);
      if (row->GetHeight() == 0) row->SetHeight(kDefaultRowHeight, true);
    } else {
      if (sheet_->GetColumnWidth(index) != 0) break;
      Column* column = sheet_->GetColumn(index);
      action->AddColumn(column);
      if (column->IsHidden()) column->SetHidden(false);
      if (column->GetWidth() == 0) column->SetWidth(kDefaultColumnWidth);
    }
  }
  if (!action->Empty()) {
    action->Done();
    application_.AddAction(std::move(action));
  }
  ObjectsFollowGrid();
  application_.RefreshViews(true);
}

// ---------------------------------------------------------------- auto-fill, painter, brushes

void SheetGadget::AutoFill() {
  std::unique_ptr<AreaRange> source = std::move(fillSource_);
  if (!source || !selection_) return;
  // Whole rows and columns have no handle to drag from.
  if (source->GetFirstColumn() < 0 || source->GetFirstRow() < 1 || selection_->GetFirstColumn() < 0 ||
      selection_->GetFirstRow() < 1) {
    return;
  }
  auto group = std::make_unique<GroupAction>();
  GroupAction* record = group.get();
  application_.AddAction(std::move(group));
  for (const Listener& l : listeners_) l.callback(l.data, 0);
  const int32_t sc = source->GetFirstColumn(), sr = source->GetFirstRow();
  const int32_t w = source->GetLastColumn() - sc + 1, h = source->GetLastRow() - sr + 1;
  auto number = [&](int32_t r, int32_t c, double& out) {
    Row* row = sheet_->FindRow(r);
    Cell* cell = row ? row->FindCell(c) : nullptr;
    if (!cell || !cell->GetValue()->IsNumeric() || cell->HasFormula()) return false;
    out = cell->GetValue()->Number();
    return true;
  };
  // Each column of the source is a series downwards when its cells are numbers
  // with one difference between neighbours, each row likewise to the right.
  auto series = [&](bool vertical, int32_t line, double& step) {
    int32_t length = vertical ? h : w;
    if (length < 2) return false;
    double previous = 0;
    for (int32_t k = 0; k < length; ++k) {
      double v;
      if (!(vertical ? number(sr + k, line, v) : number(line, sc + k, v))) return false;
      if (k == 1) step = v - previous;
      if (k > 1 && v - previous != step) return false;
      previous = v;
    }
    return true;
  };
  std::vector<double> stepY(static_cast<size_t>(w)), stepX(static_cast<size_t>(h));
  std::vector<char> downwards(static_cast<size_t>(w)), across(static_cast<size_t>(h));
  for (int32_t c = 0; c < w; ++c) downwards[static_cast<size_t>(c)] = series(true, sc + c, stepY[static_cast<size_t>(c)]);
  for (int32_t r = 0; r < h; ++r) across[static_cast<size_t>(r)] = series(false, sr + r, stepX[static_cast<size_t>(r)]);
  const int32_t tc = selection_->GetFirstColumn(), tr = selection_->GetFirstRow();
  const int32_t tlc = selection_->GetLastColumn(), tlr = selection_->GetLastRow();
  for (int32_t r = tr; r <= tlr; ++r) {
    for (int32_t c = tc; c <= tlc; ++c) {
      if (r >= sr && r < sr + h && c >= sc && c < sc + w) continue;
      int64_t rowOffset = r - sr, columnOffset = c - sc;
      int32_t blockRow = static_cast<int32_t>(rowOffset - FloorMod(rowOffset, h));
      int32_t blockColumn = static_cast<int32_t>(columnOffset - FloorMod(columnOffset, w));
      Cell* from = sheet_->GetCellDirect(r - blockRow, c - blockColumn);
      Cell* target = sheet_->GetCellDirect(r, c);
      const StyleRecord* styleBefore = target->GetStyle();
      auto sourceColumn = static_cast<size_t>(c - blockColumn - sc), sourceRow = static_cast<size_t>(r - blockRow - sr);
      bool vertical = downwards[sourceColumn], horizontal = across[sourceRow];
      if ((vertical && horizontal) || (vertical && blockColumn == 0) || (horizontal && blockRow == 0)) {
        const Value* v = from->GetValue();
        double n = v->Number() + (vertical ? blockRow * stepY[sourceColumn] : 0) +
                   (horizontal ? blockColumn * stepX[sourceRow] : 0);
        std::u16string text = GeneralForm16(n);
        record->AddAction(std::make_unique<CellInputAction>(target, text));
        target->SetInput(text);
        ValueRecord value = CopyValue(v);
        value.kind = ValueKind::Number;
        value.number = n;
        value.text.clear();
        target->SetValue(Intern(value));
      } else {
        std::u16string before = target->GetInput();
        if (!from->HasFormula() && from->GetValue()->IsNumeric()) {
          // A number repeats as the number with its format.
          target->SetInput(EditableInput(from));
          target->SetValue(from->GetValue());
        } else {
          target->CopyFrom(from, blockColumn, blockRow);
        }
        record->AddAction(std::make_unique<CellInputAction>(target, before, EditableInput(target)));
      }
      if (target->SetStyle(*from->GetStyle()) || target->GetStyle() != styleBefore) {
        record->AddAction(std::make_unique<StyleAction>(target, styleBefore));
      }
    }
  }
  for (const Listener& l : listeners_) l.callback(l.data, 1);
  application_.RefreshViews(true);
}

void SheetGadget::ApplyFormatPainter() {
  if (!painterStyle_ || !selection_) return;
  auto group = std::make_unique<GroupAction>();
  GroupAction* record = group.get();
  application_.AddAction(std::move(group));
  int32_t fc = std::max(selection_->GetFirstColumn(), 0), fr = std::max(selection_->GetFirstRow(), 1);
  int32_t lc = selection_->GetLastColumn() < 0 ? fc : selection_->GetLastColumn();
  int32_t lr = selection_->GetLastRow() < 0 ? fr : selection_->GetLastRow();
  for (int32_t r = fr; r <= lr; ++r) {
    for (int32_t c = fc; c <= lc; ++c) {
      Cell* cell = sheet_->GetCellDirect(r, c);
      const StyleRecord* before = cell->GetStyle();
      cell->SetStyle(*painterStyle_);
      record->AddAction(std::make_unique<StyleAction>(cell, before));
    }
  }
  painterStyle_ = nullptr;
  application_.RefreshViews(true);
}

void SheetGadget::PaintWithBrush(int32_t column, int32_t row) {
  auto paint = [&](int32_t c, int32_t r) {
    Cell* cell = sheet_->GetCellDirect(r, c);
    const StyleRecord* before = cell->GetStyle();
    StyleRecord style = cell->CopyStyle();
    if (mouseMode_ == kMouseFillBrushPainting) {
      style.fillColor = brushColour_;
    } else {
      style.textColor = brushColour_;
    }
    cell->SetStyle(style);
    if (cell->GetStyle() == before) return;
    if (!brushStroke_) brushStroke_ = std::make_unique<GroupAction>();
    brushStroke_->AddAction(std::make_unique<StyleAction>(cell, before));
  };
  if (lastBrushColumn_ < 0) {
    paint(column, row);
  } else {
    // Every cell on the line from the last painted one, one step along the longer axis.
    int32_t dx = column - lastBrushColumn_, dy = row - lastBrushRow_;
    int32_t steps = std::max(std::abs(dx), std::abs(dy));
    for (int32_t k = 1; k <= steps; ++k) {
      int32_t c = lastBrushColumn_ + static_cast<int32_t>(std::lround(static_cast<double>(dx) * k / steps));
      int32_t r = lastBrushRow_ + static_cast<int32_t>(std::lround(static_cast<double>(dy) * k / steps));
      paint(c, r);
    }
  }
  lastBrushColumn_ = column;
  lastBrushRow_ = row;
  application_.RefreshViews(false);
}

// ---------------------------------------------------------------- menus and drops

namespace {

// A header menu's change, made by its undo record.
void ChangeLines(SheetGadget& view, Application& application, LineAction::Kind kind, intptr_t at) {
  auto action = std::make_unique<LineAction>(view.GetSheet(), kind, static_cast<int32_t>(at));
  action->Do();
  application.AddAction(std::move(action));
  application.RefreshViews(true);
}

}  // namespace

void SheetGadget::InsertRowAt(void* view, intptr_t row) {
  auto* v = static_cast<SheetGadget*>(view);
  ChangeLines(*v, v->application_, LineAction::kInsertRow, row);
}

void SheetGadget::DeleteRowAt(void* view, intptr_t row) {
  auto* v = static_cast<SheetGadget*>(view);
  ChangeLines(*v, v->application_, LineAction::kDeleteRow, row);
}

// Objects follow the grid; a selection of just the hidden line moves off it.
void SheetGadget::AfterHiding(bool selectionHidden, int32_t dx, int32_t dy) {
  ObjectsFollowGrid();
  if (selectionHidden) MoveActiveCell(dx, dy);
  application_.RefreshViews(true);
}

void SheetGadget::HideRowAt(void* view, intptr_t row) {
  auto* v = static_cast<SheetGadget*>(view);
  auto r = static_cast<int32_t>(row);
  auto action = std::make_unique<LineVisibilityAction>();
  action->AddRow(v->sheet_->GetRow(r));
  v->sheet_->GetRow(r)->SetHidden(true);
  action->Done();
  v->application_.AddAction(std::move(action));
  const AreaRange* s = v->selection_.get();
  v->AfterHiding(s && s->GetFirstRow() == r && s->GetLastRow() == r, 0, 1);
}

void SheetGadget::InsertColumnAt(void* view, intptr_t column) {
  auto* v = static_cast<SheetGadget*>(view);
  ChangeLines(*v, v->application_, LineAction::kInsertColumn, column);
}

void SheetGadget::DeleteColumnAt(void* view, intptr_t column) {
  auto* v = static_cast<SheetGadget*>(view);
  ChangeLines(*v, v->application_, LineAction::kDeleteColumn, column);
}

void SheetGadget::HideColumnAt(void* view, intptr_t column) {
  auto* v = static_cast<SheetGadget*>(view);
  auto c = static_cast<int32_t>(column);
  auto action = std::make_unique<LineVisibilityAction>();
  action->AddColumn(v->sheet_->GetColumn(c));
  v->sheet_->GetColumn(c)->SetHidden(true);
  action->Done();
  v->application_.AddAction(std::move(action));
  const AreaRange* s = v->selection_.get();
  v->AfterHiding(s && s->GetFirstColumn() == c && s->GetLastColumn() == c, 1, 0);
}

namespace {
ChartEditorOpener gChartEditor = nullptr;
}  // namespace

void SetChartEditorOpener(ChartEditorOpener opener) { gChartEditor = opener; }

void SheetGadget::EditChartOf(void* view, intptr_t chart) {
  auto* object = reinterpret_cast<Object*>(chart);
  auto* v = static_cast<SheetGadget*>(view);
  if (auto* lineChart = dynamic_cast<LineChart*>(object); lineChart && gChartEditor) {
    gChartEditor(*v, lineChart);
  } else if (GridPopups* popups = GetGridPopups()) {
    popups->EditChart(*v, object);
  }
}

void SheetGadget::OnRightClick(int x, int y) {
  if (!sheet_) return;
  Rect screen = canvas_->ScreenRect();
  Point at{screen.x + x, screen.y + y};
  const Window& window = application_.GetWindow();
  if (x < rowHeaderWidth_ && y >= kHeaderHeight) {
    static const std::vector<MenuEntry> rowMenu = {{Text("popup:row:addLineAbove"), &SheetGadget::InsertRowAt},
                                                   {Text("popup:row:deleteLine"), &SheetGadget::DeleteRowAt},
                                                   {Text("popup:row:hideLine"), &SheetGadget::HideRowAt}};
    ShowPopupMenu(window, rowMenu, this, RowAtY(y), at);
  } else if (y < kHeaderHeight && x >= rowHeaderWidth_) {
    static const std::vector<MenuEntry> columnMenu = {
        {Text("popup:column:addColumnLeft"), &SheetGadget::InsertColumnAt},
        {Text("popup:column:deleteColumn"), &SheetGadget::DeleteColumnAt},
        {Text("popup:column:hideColumn"), &SheetGadget::HideColumnAt}};
    ShowPopupMenu(window, columnMenu, this, ColumnAtX(x), at);
  } else if (x >= rowHeaderWidth_ && y >= kCellTop) {
    int32_t column = ColumnAtX(x), row = RowAtY(y);
    const ColumnCache* c = FindColumnCache(column);
    const RowCache* r = FindRowCache(row);
    if (!c || !r) return;
    int32_t ox = x - (rowHeaderWidth_ + 1 + c->left), oy = y - (kCellTop + r->top);
    sheet_->ResetObjects(1);
    while (SheetAnchor* a = sheet_->NextObject()) {
      auto* placed = dynamic_cast<ObjectAnchor*>(a);
      if (placed && placed->GetKind() == kObjectChart && placed->HitTest(column, row, ox, oy)) {
        static const std::vector<MenuEntry> chartMenu = {{Text("popup:diagram:edit"), &SheetGadget::EditChartOf}};
        ShowPopupMenu(window, chartMenu, this, reinterpret_cast<intptr_t>(placed->GetObject()), at);
        return;
      }
    }
    // A cell: the menu acts on the selection, which moves to the cell unless it holds it.
    if (selectedObject_) {
      selectedObject_->Deselect();
      selectedObject_ = nullptr;
      objectHitKind_ = 0;
    }
    if (editing_) {
      std::u16string text = std::move(editText_);
      editText_.clear();
      editing_ = false;
      CommitEdit(text);
    }
    container_.SetActiveView(this);
    const AreaRange* s = selection_.get();
    bool inside = s && (s->GetFirstColumn() < 0 || (column >= s->GetFirstColumn() && column <= s->GetLastColumn())) &&
                  (s->GetFirstRow() < 0 || (row >= s->GetFirstRow() && row <= s->GetLastRow()));
    if (!inside) {
      anchorColumn_ = column;
      anchorRow_ = row;
      SelectCell(column, row);
      ShowFormulaBarText();
    }
    Refresh();
    static const std::vector<MenuEntry> cellMenu = {
        {Text("popup:cell:cut"), &SheetGadget::CutCells},
        {Text("popup:cell:copy"), &SheetGadget::CopyCells},
        {Text("popup:cell:paste"), &SheetGadget::PasteCells},
        {Text("popup:cell:deleteContents"), &SheetGadget::DeleteContents},
        {Text("popup:cell:insertComment"), &SheetGadget::InsertCommentHere},
        {Text("popup:cell:hyperlink"), &SheetGadget::InsertHyperlinkHere}};
    ShowPopupMenu(window, cellMenu, this, 0, at);
  }
}

namespace {

CellMenuCommand gInsertComment = nullptr;
CellMenuCommand gInsertHyperlink = nullptr;

}  // namespace

void SetCellMenuCommands(CellMenuCommand insertComment, CellMenuCommand insertHyperlink) {
  gInsertComment = insertComment;
  gInsertHyperlink = insertHyperlink;
}

// The menu has closed: the grid takes the keyboard back, where the clipboard commands look for it.
void SheetGadget::CutCells(void* view, intptr_t) {
  auto* v = static_cast<SheetGadget*>(view);
  v->GetCanvas().Focus();
  v->container_.Cut();
}

void SheetGadget::CopyCells(void* view, intptr_t) {
  auto* v = static_cast<SheetGadget*>(view);
  v->GetCanvas().Focus();
  v->container_.Copy();
}

void SheetGadget::PasteCells(void* view, intptr_t) {
  auto* v = static_cast<SheetGadget*>(view);
  v->GetCanvas().Focus();
  v->container_.Paste();
}

void SheetGadget::DeleteContents(void* view, intptr_t) {
  auto* v = static_cast<SheetGadget*>(view);
  v->GetCanvas().Focus();
  v->application_.Delete();
}

void SheetGadget::InsertCommentHere(void* view, intptr_t) {
  if (gInsertComment) gInsertComment(*static_cast<SheetGadget*>(view));
}

void SheetGadget::InsertHyperlinkHere(void* view, intptr_t) {
  if (gInsertHyperlink) gInsertHyperlink(*static_cast<SheetGadget*>(view));
}

void SheetGadget::DropFiles(const std::vector<std::u16string>& paths, Point point) {
  if (!sheet_ || rowCache_.empty() || columnCache_.empty()) return;
  int32_t column = ColumnAtX(point.x), row = RowAtY(point.y);
  const ColumnCache* c = FindColumnCache(column);
  const RowCache* r = FindRowCache(row);
  int32_t dx = c ? std::max(point.x - (rowHeaderWidth_ + 1 + c->left), 0) : 0;
  int32_t dy = r ? std::max(point.y - (kCellTop + r->top), 0) : 0;
  bool added = false;
  for (const std::u16string& path : paths) {
    std::unique_ptr<Image> image =
        LoadImageFile(Utf16ToUtf8(path), canvasWidth_ - rowHeaderWidth_, canvasHeight_ - kHeaderHeight);
    if (!image) continue;  // not a picture
    Cell* cell = sheet_->GetCellDirect(row, column);
    sheet_->AddObject(std::make_unique<ObjectAnchor>(sheet_, cell, std::move(image), dx, dy));
    added = true;
  }
  if (added) application_.RedrawViewsWithObjects();
}

}  // namespace quadrell
