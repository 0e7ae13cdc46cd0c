#include "shell/popups/BorderGadget.h"

#include <algorithm>

#include "model/Cell.h"
#include "model/Column.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Style.h"
#include "model/Util.h"
#include "platform/Keys.h"
#include "shell/Application.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"

namespace quadrell {

namespace {


// The selection as a block; whole rows and columns reach the sheet's edges.
struct Block {
  int32_t c1, r1, c2, r2;
  bool wholeRows, wholeColumns;
};

Block BlockOf(const AreaRange& selection) {
  Block b{selection.GetFirstColumn(), selection.GetFirstRow(), selection.GetLastColumn(), selection.GetLastRow(),
          selection.GetFirstColumn() < 0, selection.GetFirstRow() < 0};
  if (b.wholeRows) b.c1 = 0, b.c2 = kSheetColumns - 1;
  if (b.wholeColumns) b.r1 = 1, b.r2 = kSheetRows;
  return b;
}

// Which edge each of a position's four lines belongs to.
struct Sides {
  int top, bottom, left, right;
};

Sides SidesAt(const Block& b, int32_t row, int32_t column, bool fullWidth = false, bool fullHeight = false) {
  Sides s;
  s.top = !fullHeight && row == b.r1 ? kOuterTop : kInnerHorizontal;
  s.bottom = !fullHeight && row == b.r2 ? kOuterBottom : kInnerHorizontal;
  s.left = !fullWidth && column == b.c1 ? kOuterLeft : kInnerVertical;
  s.right = !fullWidth && column == b.c2 ? kOuterRight : kInnerVertical;
  return s;
}

void AddLine(BorderEdge& edge, const BorderLine& line) {
  int style = line.lineStyle;
  if (edge.style == -1) {
    edge.style = style;
  } else if (edge.style != style) {
    edge.style = -2;
  }
  if (style != 0) {
    if (edge.colour == -1) {
      edge.colour = line.colour;
    } else if (edge.colour != static_cast<int64_t>(line.colour)) {
      edge.colour = kMixedColour;
    }
  }
}

void AddStyle(BorderSummary& summary, const StyleRecord& style, const Sides& s) {
  AddLine(summary[static_cast<size_t>(s.top)], style.top);
  AddLine(summary[static_cast<size_t>(s.bottom)], style.bottom);
  AddLine(summary[static_cast<size_t>(s.left)], style.left);
  AddLine(summary[static_cast<size_t>(s.right)], style.right);
}

// Sets the line from the edge when the edge is set; a mixed colour keeps the line's own.
bool SetLine(BorderLine& line, const BorderEdge& edge) {
  if (edge.style < 0) return false;
  BorderLine before = line;
  line.lineStyle = static_cast<uint8_t>(edge.style);
  if (edge.colour >= 0 && edge.colour != kMixedColour) line.colour = static_cast<Colour>(edge.colour);
  return !(line == before);
}

bool SetLines(StyleRecord& style, const BorderSummary& summary, const Sides& s) {
  bool changed = SetLine(style.top, summary[static_cast<size_t>(s.top)]);
  changed |= SetLine(style.bottom, summary[static_cast<size_t>(s.bottom)]);
  changed |= SetLine(style.left, summary[static_cast<size_t>(s.left)]);
  changed |= SetLine(style.right, summary[static_cast<size_t>(s.right)]);
  return changed;
}

// The stored cells inside the block (whole rows and columns: only the used area).
template <typename F>
void ForEachStoredCell(const Sheet& sheet, const Block& b, F&& f) {
  sheet.ForEachRow([&](int32_t number, Row& row) {
    if (number < b.r1 || number > b.r2) return;
    int32_t last = std::min(b.c2, row.GetLastColumn());
    for (int32_t c = std::max(b.c1, 0); c <= last; ++c) {
      if (Cell* cell = row.FindCell(c)) f(number, c, *cell);
    }
  });
}

const StyleRecord& SheetStyle(const Sheet& sheet) { return sheet.GetStyle() ? *sheet.GetStyle() : *GetDefaultStyle(); }

}  // namespace

BorderSummary ReadBorderSummary(const Sheet& sheet, const AreaRange& selection) {
  BorderSummary summary{};
  Block b = BlockOf(selection);
  if (b.wholeRows && b.wholeColumns) {
    AddStyle(summary, SheetStyle(sheet), Sides{kInnerHorizontal, kInnerHorizontal, kInnerVertical, kInnerVertical});
  } else if (b.wholeRows) {
    for (int32_t r = b.r1; r <= b.r2; ++r) {
      Row* row = sheet.FindRow(r);
      AddStyle(summary, row ? *row->GetStyle() : SheetStyle(sheet), SidesAt(b, r, 0, true));
    }
  } else if (b.wholeColumns) {
    for (int32_t c = b.c1; c <= b.c2; ++c) {
      Column* column = sheet.FindColumn(c);
      AddStyle(summary, column ? *column->GetStyle() : SheetStyle(sheet), SidesAt(b, 0, c, false, true));
    }
  }
  if (b.wholeRows || b.wholeColumns) {
    ForEachStoredCell(sheet, b, [&](int32_t r, int32_t c, Cell& cell) { AddStyle(summary, *cell.GetStyle(), SidesAt(b, r, c)); });
    return summary;
  }
  for (int32_t r = b.r1; r <= b.r2; ++r) {
    Row* row = sheet.FindRow(r);
    for (int32_t c = b.c1; c <= b.c2; ++c) {
      Cell* cell = row ? row->FindCell(c) : nullptr;
      AddStyle(summary, cell ? *cell->GetStyle() : SheetStyle(sheet), SidesAt(b, r, c));
    }
  }
  return summary;
}

void TogglePreset(BorderSummary& summary, int mask, int style, Colour colour) {
  // Bits of the mask by edge: top 1, bottom 8, left 2, right 4, inner horizontal 16, inner vertical 32.
  static constexpr int kBits[6] = {1, 8, 2, 4, 16, 32};
  int same = 0;
  for (size_t e = 0; e < 6; ++e) {
    bool inMask = (mask & kBits[e]) != 0;
    if (!inMask || summary[e].style == style || summary[e].style == -1) ++same;
  }
  if (same == 6) style = 0;
  for (size_t e = 0; e < 6; ++e) {
    if (mask & kBits[e]) summary[e] = BorderEdge{colour, style};
  }
}

std::unique_ptr<GroupAction> ApplyBorderSummary(Sheet& sheet, const AreaRange& selection,
                                                 const BorderSummary& summary) {
  auto group = std::make_unique<GroupAction>();
  Block b = BlockOf(selection);
  auto changeCell = [&](int32_t r, int32_t c, Cell& cell) {
    const StyleRecord* before = cell.GetStyle();
    StyleRecord style = cell.CopyStyle();
    if (!SetLines(style, summary, SidesAt(b, r, c)) && cell.HasStyle()) return;
    cell.SetStyle(style);
    group->AddAction(std::make_unique<StyleAction>(&cell, before));
  };
  if (b.wholeRows && b.wholeColumns) {
    const StyleRecord* before = sheet.GetStyle();
    StyleRecord style = sheet.CopyStyle();
    if (SetLines(style, summary, Sides{kInnerHorizontal, kInnerHorizontal, kInnerVertical, kInnerVertical})) {
      sheet.SetStyle(style);
      group->AddAction(std::make_unique<StyleAction>(&sheet, before));
    }
  } else if (b.wholeRows) {
    for (int32_t r = b.r1; r <= b.r2; ++r) {
      Row* row = sheet.GetRow(r);
      const StyleRecord* before = row->GetStyle();
      StyleRecord style = row->CopyStyle();
      if (!SetLines(style, summary, SidesAt(b, r, 0, true))) continue;
      row->SetStyle(style);
      group->AddAction(std::make_unique<StyleAction>(row, before));
    }
  } else if (b.wholeColumns) {
    for (int32_t c = b.c1; c <= b.c2; ++c) {
      Column* column = sheet.GetColumn(c);
      const StyleRecord* before = column->GetStyle();
      StyleRecord style = column->CopyStyle();
      if (!SetLines(style, summary, SidesAt(b, 0, c, false, true))) continue;
      column->SetStyle(style);
      group->AddAction(std::make_unique<StyleAction>(column, before));
    }
  }
  if (b.wholeRows || b.wholeColumns) {
    // Only the stored cells: a line for every position comes from the row, column or sheet style.
    std::vector<std::pair<int32_t, int32_t>> stored;
    ForEachStoredCell(sheet, b, [&](int32_t r, int32_t c, Cell&) { stored.emplace_back(r, c); });
    for (auto [r, c] : stored) {
      if (Cell* cell = sheet.GetCellDirect(r, c)) changeCell(r, c, *cell);
    }
    return group;
  }
  for (int32_t r = b.r1; r <= b.r2; ++r) {
    for (int32_t c = b.c1; c <= b.c2; ++c) {
      Cell* cell = sheet.GetCellDirect(r, c);
      if (cell && cell != sheet.GetPlaceholderCell()) changeCell(r, c, *cell);
    }
  }
  return group;
}

// ---- the toolbar control and its panel ----

BorderGadget::BorderGadget(Window& window, const Rect& bounds, Application& application)
    : DropdownGadget(window, bounds), application_(application) {
  picker_ = std::make_unique<ColorGadget>(180, [this](Colour c) { colour_ = c; PaintPanel(); },
                                          [this](Colour c) { colour_ = c; PaintPanel(); });
  PaintButton();
}

BorderGadget::~BorderGadget() { ClosePopup(); }

void BorderGadget::PaintButton() {
  Canvas& c = canvas_->Surface();
  int w = canvas_->Bounds().width;
  PaintSplitButtonGround(c, hoverPart_);
  c.HorizontalLine(2, 2, 15, kBlack);
  c.VerticalLine(2, 2, 15, kBlack);
  c.VerticalLine(16, 2, 15, kBlack);
  c.HorizontalLine(2, 16, 15, kBlack);
  c.VerticalLine(9, 2, 15, kBlack);
  c.HorizontalLine(2, 9, 15, kBlack);
  if (hoverPart_ != 0) c.FrameBox(0, 0, w, 20, kHover);
}

void BorderGadget::OnMouseMove(int x, int) {
  int part = x < 20 ? 1 : 2;
  if (part == hoverPart_) return;
  hoverPart_ = part;
  PaintButton();
}

void BorderGadget::OnMouseLeave() {
  hoverPart_ = 0;
  PaintButton();
}

bool BorderGadget::Read() {
  if (application_.GetKind() != kKindSheet) return false;
  SheetGadget* view = static_cast<SheetContainer&>(application_.GetContainer()).GetActiveView();
  if (!view || !view->GetSheet() || !view->GetSelection()) return false;
  const AreaRange& selection = *view->GetSelection();
  summary_ = ReadBorderSummary(*view->GetSheet(), selection);
  severalRows_ = selection.GetFirstRow() < 0 || selection.GetLastRow() > selection.GetFirstRow();
  severalColumns_ = selection.GetFirstColumn() < 0 || selection.GetLastColumn() > selection.GetFirstColumn();
  return true;
}

void BorderGadget::Apply() {
  SheetGadget* view = static_cast<SheetContainer&>(application_.GetContainer()).GetActiveView();
  if (!view || !view->GetSheet() || !view->GetSelection()) return;
  std::unique_ptr<GroupAction> group = ApplyBorderSummary(*view->GetSheet(), *view->GetSelection(), summary_);
  if (group->Size() > 0) application_.AddAction(std::move(group));
  application_.RefreshViews(false);
}

void BorderGadget::OnClick(int x, int) {
  hoverPart_ = x < 20 ? 1 : 2;
  if (hoverPart_ == 1) {
    if (!Read()) return;
    TogglePreset(summary_, kBorderPresets[presetIndex_], styleIndex_ + 1, kBlack);
    Apply();
    return;
  }
  if (!MayOpen() || !Read()) return;
  Rect screen = canvas_->ScreenRect();
  pointer_ = Point{-1, -1};
  OpenPopup(Rect{screen.x, screen.Bottom() - 1, kPanelWidth, kPanelHeight}, panel_);
  PaintPanel();
}

void BorderGadget::PaintPanel() {
  if (!popupCanvas_) return;
  Canvas& c = popupCanvas_->Surface();
  constexpr Colour kTick = 0xAAAAAA;
  c.ClearClip();
  c.FillBox(0, 0, kPanelWidth, kPanelHeight, kWhite);
  c.FrameBox(0, 0, kPanelWidth, kPanelHeight, kHover);
  // The preview square with ticks outside its corners.
  c.HorizontalLine(14, 30, 6, kTick);
  c.VerticalLine(20, 24, 6, kTick);
  c.HorizontalLine(100, 30, 7, kTick);
  c.VerticalLine(100, 24, 6, kTick);
  c.HorizontalLine(14, 110, 6, kTick);
  c.VerticalLine(20, 110, 7, kTick);
  c.HorizontalLine(100, 110, 7, kTick);
  c.VerticalLine(100, 110, 7, kTick);
  if (severalRows_) {
    c.VerticalLine(20, 65, 10, kTick);
    c.HorizontalLine(14, 70, 6, kTick);
    c.VerticalLine(100, 65, 10, kTick);
    c.HorizontalLine(100, 70, 7, kTick);
  }
  if (severalColumns_) {
    c.HorizontalLine(55, 30, 10, kTick);
    c.VerticalLine(60, 24, 6, kTick);
    c.HorizontalLine(55, 110, 10, kTick);
    c.VerticalLine(60, 110, 7, kTick);
  }
  auto edge = [&](int e, int x1, int y1, int x2, int y2) {
    const BorderEdge& b = summary_[static_cast<size_t>(e)];
    if (b.style <= 0) return;
    c.SetLineColour(b.colour >= 0 && b.colour != kMixedColour ? static_cast<Colour>(b.colour) : 0x888888);
    DrawStyledLine(c, x1, y1, x2, y2, b.style);
  };
  edge(kOuterTop, 20, 30, 100, 30);
  edge(kOuterLeft, 20, 30, 20, 110);
  edge(kOuterRight, 100, 30, 100, 110);
  edge(kOuterBottom, 20, 110, 100, 110);
  if (severalRows_) edge(kInnerHorizontal, 20, 70, 100, 70);
  if (severalColumns_) edge(kInnerVertical, 60, 30, 60, 110);
  // Line styles.
  if (pointer_.x >= 121 && pointer_.x <= 239 && pointer_.y >= 11 && pointer_.y <= 129) {
    c.FillBox(120, 20 * ((pointer_.y - 10) / 20) + 11, 120, 19, kHover);
  }
  c.FrameBox(120, 20 * styleIndex_ + 11, 120, 19, 0xDDDDDD);
  c.SetLineColour(kBlack);
  for (int s = 1; s <= 6; ++s) DrawStyledLine(c, 130, 20 * s, 230, 20 * s, s);
  // Presets.
  if (pointer_.x >= 11 && pointer_.x <= 249 && pointer_.y >= 151 && pointer_.y <= 169) {
    c.FillBox(20 * ((pointer_.x - 10) / 20) + 10, 150, 20, 20, kHover);
  }
  for (int k = 0; k < 12; ++k) {
    int mask = kBorderPresets[k];
    int x = 20 * k + 10, y = 150;
    auto part = [&](int bit, int x1, int y1, int x2, int y2) {
      if (mask & bit) {
        c.DrawLine(x + x1, y + y1, x + x2, y + y2, kBlack);
        c.PlotPoint(x + x2, y + y2, kBlack);
      } else {
        int n = std::max(x2 - x1, y2 - y1);
        for (int t = 0; t <= n; t += 2) c.PlotPoint(x + x1 + (x2 > x1 ? t : 0), y + y1 + (y2 > y1 ? t : 0), 0x888888);
      }
    };
    part(1, 2, 2, 16, 2);
    part(2, 2, 2, 2, 16);
    part(4, 16, 2, 16, 16);
    part(8, 2, 16, 16, 16);
    part(32, 9, 3, 9, 15);
    part(16, 3, 9, 15, 9);
    if (mask & 128) c.DrawLine(x + 2, y + 2, x + 16, y + 16, kBlack);
    if (mask & 64) c.DrawLine(x + 2, y + 16, x + 16, y + 2, kBlack);
  }
  picker_->Paint(c);
}

void BorderGadget::Panel::OnMouseMove(int x, int y) {
  BorderGadget& box = box_;
  auto hovered = [](Point p) {
    if (p.x >= 121 && p.x <= 239 && p.y >= 11 && p.y <= 129) return (p.y - 10) / 20;
    if (p.x >= 11 && p.x <= 249 && p.y >= 151 && p.y <= 169) return 100 + (p.x - 10) / 20;
    return -1;
  };
  int before = hovered(box.pointer_);
  box.pointer_ = Point{x, y};
  if (hovered(box.pointer_) != before) box.PaintPanel();
}

void BorderGadget::Panel::OnClick(int x, int y) {
  BorderGadget& box = box_;
  if (x >= 121 && x <= 239 && y >= 11 && y <= 129) {
    box.styleIndex_ = std::clamp((y - 10) / 20, 0, 5);
    box.PaintPanel();
  } else if (x >= 11 && x <= 249 && y >= 151 && y <= 169) {
    box.presetIndex_ = std::clamp((x - 10) / 20, 0, 11);
    // Another undo step may have changed the cells since the panel opened.
    box.Read();
    TogglePreset(box.summary_, kBorderPresets[box.presetIndex_], box.styleIndex_ + 1, box.colour_);
    box.Apply();
    box.PaintPanel();
  }
  box.picker_->Click(x, y);
}

void BorderGadget::Panel::OnKeyUp(int key) {
  if (key == kKeyEscape) box_.ClosePopup();
}

}  // namespace quadrell
