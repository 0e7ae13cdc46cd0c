#include "shell/commands/StyleCommands.h"

#include "shell/commands/DocumentCommands.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "model/Action.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/Font.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "shell/commands/CommandSupport.h"
#include "value/NumberFormat.h"

namespace quadrell {

namespace {


// Applies one setter to style copies; a font flag's direction is fixed by the first style it meets.
class Setter {
 public:
  Setter(StyleSetter kind, const StyleValue& value) : kind_(kind), value_(value) {}

  void operator()(StyleRecord& style) {
    const FontRecord* font = style.font ? style.font : GetDefaultFont();
    switch (kind_) {
      case StyleSetter::FontFlag: {
        uint32_t flag = static_cast<uint32_t>(value_.number);
        if (!flagOn_) flagOn_ = (font->flags & flag) == 0;
        style.font = GetFont(font->face, font->size, *flagOn_ ? (font->flags | flag) : (font->flags & ~flag));
        break;
      }
      case StyleSetter::FontName:
        if (!value_.text.empty()) style.font = GetFont(value_.text, font->size, font->flags);
        break;
      case StyleSetter::FontSize:
        if (value_.number > 0 && value_.number <= 409) {
          style.font = GetFont(font->face, static_cast<int32_t>(value_.number), font->flags);
        }
        break;
      case StyleSetter::FillColour:
        style.fillColor = static_cast<Colour>(value_.number);
        break;
      case StyleSetter::TextColour:
        style.textColor = static_cast<Colour>(value_.number);
        break;
      case StyleSetter::VerticalAlignment:
        style.verticalAlignment = static_cast<uint8_t>(std::clamp<int64_t>(value_.number, 0, 2));
        break;
      case StyleSetter::HorizontalAlignment:
        style.horizontalAlignment = static_cast<uint8_t>(std::clamp<int64_t>(value_.number, 0, 3));
        break;
      case StyleSetter::TextFlow:
        style.textFlow = value_.number < 0 ? static_cast<uint8_t>((style.textFlow + 1) % 3)
                                           : static_cast<uint8_t>(std::clamp<int64_t>(value_.number, 0, 2));
        break;
      case StyleSetter::CopyStyle:
        if (value_.style) style = *value_.style;
        break;
    }
  }

 private:
  StyleSetter kind_;
  const StyleValue& value_;
  std::optional<bool> flagOn_;
};

// The block a selection covers, whole rows and columns as -1.
struct Block {
  int32_t firstColumn, firstRow, lastColumn, lastRow;
};

Block BlockOf(const AreaRange& selection) {
  return Block{selection.GetFirstColumn(), selection.GetFirstRow(), selection.GetLastColumn(), selection.GetLastRow()};
}

// The stored cells of the block that pass the test, gathered before any of
// them is changed.
template <typename Test>
std::vector<Cell*> StoredCells(const Sheet& sheet, const Block& block, Test&& test) {
  std::vector<Cell*> cells;
  sheet.ForEachStoredCell(block.firstColumn, block.firstRow, block.lastColumn, block.lastRow, [&](Cell* cell) {
    if (test(*cell)) cells.push_back(cell);
  });
  return cells;
}

// Existing cells with a style of their own inside the rows and columns (whole ones as -1).
template <typename F>
void ForEachStyledCell(const Sheet& sheet, const Block& block, F&& f) {
  for (Cell* cell : StoredCells(sheet, block, [](const Cell& c) { return c.HasStyle(); })) f(*cell);
}

}  // namespace

void ApplyStyleChange(Application& application, StyleSetter setter, const StyleValue& value) {
  if (application.GetKind() == kKindTextDocument) return ApplyDocumentStyleChange(application, setter, value);
  SheetGadget* view = ActiveViewOf(application);
  if (!view || !view->GetSelection() || !view->GetSheet()) return;
  Sheet& sheet = *view->GetSheet();
  Block block = BlockOf(*view->GetSelection());
  Setter apply(setter, value);
  auto group = std::make_unique<GroupAction>();
  bool layoutChanged = false;

  auto changeCell = [&](Cell& cell) {
    const StyleRecord* before = cell.GetStyle();
    StyleRecord style = cell.CopyStyle();
    apply(style);
    if (cell.HasStyle() && style == *before) return;
    layoutChanged |= cell.SetStyle(style);
    group->AddAction(std::make_unique<StyleAction>(&cell, before));
  };

  if (block.firstColumn < 0 && block.firstRow < 0) {
    const StyleRecord* before = sheet.GetStyle();
    StyleRecord style = sheet.CopyStyle();
    apply(style);
    sheet.SetStyle(style);
    group->AddAction(std::make_unique<StyleAction>(&sheet, before));
    ForEachStyledCell(sheet, block, changeCell);
  } else if (block.firstColumn < 0) {
    for (int32_t r = std::max(block.firstRow, 1); r <= block.lastRow; ++r) {
      Row* row = sheet.GetRow(r);
      const StyleRecord* before = row->GetStyle();
      StyleRecord style = row->CopyStyle();
      apply(style);
      row->SetStyle(style);
      group->AddAction(std::make_unique<StyleAction>(row, before));
    }
    ForEachStyledCell(sheet, block, changeCell);
  } else if (block.firstRow < 0) {
    for (int32_t c = std::max(block.firstColumn, 0); c <= block.lastColumn; ++c) {
      Column* column = sheet.GetColumn(c);
      const StyleRecord* before = column->GetStyle();
      StyleRecord style = column->CopyStyle();
      apply(style);
      column->SetStyle(style);
      group->AddAction(std::make_unique<StyleAction>(column, before));
    }
    ForEachStyledCell(sheet, block, changeCell);
  } else {
    for (int32_t r = block.firstRow; r <= block.lastRow; ++r) {
      for (int32_t c = block.firstColumn; c <= block.lastColumn; ++c) {
        Cell* cell = sheet.GetCellDirect(r, c);
        if (cell && cell != sheet.GetPlaceholderCell()) changeCell(*cell);
      }
    }
  }
  if (group->Size() > 0) application.AddAction(std::move(group));
  application.RefreshViews(layoutChanged || block.firstColumn < 0 || block.firstRow < 0);
}

namespace {

void ApplyNumber(Application& application, StyleSetter setter, int64_t number) {
  StyleValue value;
  value.number = number;
  ApplyStyleChange(application, setter, value);
}

}  // namespace

void ToggleFontFlag(Application& application, uint32_t flag) { ApplyNumber(application, StyleSetter::FontFlag, flag); }

void SetFontName(Application& application, std::u16string_view face) {
  StyleValue value;
  value.text = std::u16string(face);
  ApplyStyleChange(application, StyleSetter::FontName, value);
}

void SetFontSize(Application& application, int32_t points) { ApplyNumber(application, StyleSetter::FontSize, points); }

void SetFillColour(Application& application, Colour colour) {
  ApplyNumber(application, StyleSetter::FillColour, colour);
}

void SetTextColour(Application& application, Colour colour) {
  ApplyNumber(application, StyleSetter::TextColour, colour);
}

void SetVerticalAlignment(Application& application, uint8_t alignment) {
  ApplyNumber(application, StyleSetter::VerticalAlignment, alignment);
}

void SetHorizontalAlignment(Application& application, uint8_t alignment) {
  ApplyNumber(application, StyleSetter::HorizontalAlignment, alignment);
}

void SetTextFlow(Application& application, int mode) { ApplyNumber(application, StyleSetter::TextFlow, mode); }

void PercentFormat(Application& application) {
  SheetGadget* view = ActiveViewOf(application);
  if (!view || !view->GetSelection() || !view->GetSheet()) return;
  Sheet& sheet = *view->GetSheet();
  Block block = BlockOf(*view->GetSelection());
  auto group = std::make_unique<GroupAction>();
  auto change = [&](Cell& cell) {
    const Value* value = cell.GetValue();
    if (!value->IsNumeric() || value->IsBoolean()) return;
    auto action = std::make_unique<CellValueAction>(&cell);
    // The cell's number format too: a recalculated result, or a number typed
    // later, shows as a percentage as well.
    StyleRecord style = cell.CopyStyle();
    style.numberFormatId = kFormatPercent;
    cell.SetStyle(style);
    if (cell.HasFormula()) {
      cell.Recalculate();
    } else {
      // A new pooled value: the old one may be shared by other cells.
      cell.SetValueAsInput(NewNumber(value->Number(), kFormatPercent));
    }
    action->Finish();
    group->AddAction(std::move(action));
  };
  // Only cells that exist: a whole column creates nothing.
  for (Cell* cell : StoredCells(sheet, block, [](const Cell&) { return true; })) change(*cell);
  if (group->Size() > 0) application.AddAction(std::move(group));
  application.RefreshViews(false);
}

void MergeCells(Application& application) {
  SheetGadget* view = ActiveViewOf(application);
  if (!view || !view->GetSheet()) return;
  view->GetSheet()->MergeCells(true);
  application.RefreshViews(true);
}

}  // namespace quadrell
