#include "shell/commands/InsertCommands.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <set>

#include "context/ApplicationContext.h"
#include "model/Action.h"
#include "model/Cell.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "object/Comment.h"
#include "object/Image.h"
#include "object/LineChart.h"
#include "object/SheetAnchor.h"
#include "platform/Dialogs.h"
#include "shell/commands/CommandSupport.h"
#include "value/Unicode.h"

namespace quadrell {

void InsertImage(Application& application) {
  if (!ActiveViewOf(application)) return;
  FileChoice choice = AskOpenFile(&application.GetWindow(), Text("loadfile"), kImageFilter);
  if (choice.path.empty()) return;
  InsertImageFile(application, choice.path);
}

bool InsertImageFile(Application& application, const std::u16string& path) {
  SheetGadget* view = ActiveViewOf(application);
  if (!view || !view->GetSheet()) return false;
  Rect area = view->GetCanvas().Bounds();
  int32_t width = std::max(area.width - view->GetRowHeaderWidth(), 1);
  int32_t height = std::max(area.height - SheetGadget::kCellTop, 1);
  // Damaged files, other kinds and pictures beyond the decoders' pixel limit all come back empty.
  std::unique_ptr<Image> image = LoadImageFile(Utf16ToUtf8(path), width, height);
  if (!image) {
    ShowError(&application.GetWindow(), Text("errorImage"), TextWithArgument("errorImageMsg", path));
    return false;
  }
  Sheet* sheet = view->GetSheet();
  Cell* cell = sheet->GetCellDirect(view->GetActiveRow(), view->GetActiveColumn());
  auto anchor = std::make_unique<ObjectAnchor>(sheet, cell, std::move(image), 0, 0);
  SheetAnchor* placed = anchor.get();
  sheet->AddObject(std::move(anchor));
  application.AddAction(std::make_unique<AddObjectAction>(sheet, placed));
  application.RedrawViewsWithObjects();
  return true;
}

void InsertComment(Application& application) {
  SheetGadget* view = ActiveViewOf(application);
  if (!view || !view->GetSheet()) return;
  Cell* cell = view->GetActiveCell();
  if (!cell || cell == view->GetSheet()->GetPlaceholderCell()) return;
  AddComment(view->GetSheet(), cell);
  application.RefreshViews(false);
  application.RedrawViewsWithObjects();
}

ChartPlace PlaceForChart(const Sheet& sheet, const ChartBlock& block, int32_t width, int32_t height,
                         const std::optional<ChartBlock>& shown) {
  const int32_t firstRow = std::clamp(block.firstRow, 1, kSheetRows);
  const int32_t firstColumn = std::clamp(block.firstColumn, 0, kSheetColumns - 1);
  // Whether the columns (rows) from `from` to `last` are wide (high) enough;
  // only as many are summed as the chart needs.
  auto columnsFit = [&](int32_t from, int32_t last) {
    int64_t room = 0;
    for (int32_t c = from; c <= last && room < width; ++c) room += sheet.GetColumnWidth(c);
    return room >= width;
  };
  auto rowsFit = [&](int32_t from, int32_t last) {
    int64_t room = 0;
    for (int32_t r = from; r <= last && room < height; ++r) room += sheet.GetRowHeight(r);
    return room >= height;
  };
  // Right of the data and of whatever is typed next to it in its rows, so the
  // chart hides no filled cell there.
  std::set<int32_t> taken;
  sheet.ForEachStoredCell(block.lastColumn + 1, firstRow, kSheetColumns - 1, std::max(block.lastRow, firstRow),
                          [&](Cell* cell) {
                            if (cell->IsFilled()) taken.insert(cell->GetColumnIndex());
                          });
  int32_t rightColumn = block.lastColumn + 1;
  while (taken.count(rightColumn)) ++rightColumn;
  const ChartPlace right{firstRow, rightColumn};
  const ChartPlace below{block.lastRow + 1, firstColumn};
  const bool rightFits = rightColumn < kSheetColumns && columnsFit(rightColumn, kSheetColumns - 1);
  const bool belowFits = block.lastRow + 1 <= kSheetRows && rowsFit(block.lastRow + 1, kSheetRows);
  if (shown) {
    // Where the user can see it at once, right before below.
    if (rightFits && firstRow >= shown->firstRow && firstRow <= shown->lastRow &&
        rightColumn >= shown->firstColumn && columnsFit(rightColumn, shown->lastColumn)) {
      return right;
    }
    if (belowFits && firstColumn >= shown->firstColumn && firstColumn <= shown->lastColumn &&
        block.lastRow + 1 >= shown->firstRow && rowsFit(block.lastRow + 1, shown->lastRow)) {
      return below;
    }
  }
  if (rightFits) return right;
  if (belowFits) return below;
  return {firstRow, firstColumn};
}

LineChart* InsertChart(Application& application, SheetGadget& view, const ChartBlock& block, int type) {
  Sheet* sheet = view.GetSheet();
  if (!sheet) return nullptr;
  auto chart = std::make_unique<LineChart>(sheet, block, static_cast<uint8_t>(type));
  LineChart* made = chart.get();
  // The cells the view shows, whole or in part.
  const ChartBlock shown{view.GetFirstColumn(), view.GetFirstRow(),
                         view.GetFirstColumn() + std::max(view.GetVisibleColumns(), 1) - 1,
                         view.GetFirstRow() + std::max(view.GetVisibleRows(), 1) - 1};
  ChartPlace place = PlaceForChart(*sheet, block, made->GetObjectWidth(), made->GetObjectHeight(), shown);
  auto anchor = std::make_unique<ObjectAnchor>(sheet, sheet->GetCellDirect(place.row, place.column), std::move(chart), 0, 0);
  SheetAnchor* placed = anchor.get();
  sheet->AddObject(std::move(anchor));
  application.AddAction(std::make_unique<AddObjectAction>(sheet, placed));
  application.RedrawViewsWithObjects();
  return made;
}

std::u16string SitePart(std::u16string_view address) {
  size_t scheme = address.find(u"://");
  std::u16string_view rest = scheme == std::u16string_view::npos ? address : address.substr(scheme + 3);
  size_t end = rest.find_first_of(u"/?#");
  return std::u16string(rest.substr(0, end));
}

void SetHyperlink(Application& application, std::u16string_view address, std::u16string_view shown) {
  SheetGadget* view = ActiveViewOf(application);
  if (!view || !view->GetSheet()) return;
  Cell* cell = view->GetActiveCell();
  if (!cell || cell == view->GetSheet()->GetPlaceholderCell()) return;
  auto action = std::make_unique<CellValueAction>(cell);
  cell->SetValueAsInput(NewHyperlink(shown.empty() ? address : shown, address));
  action->Finish();
  application.AddAction(std::move(action));
  application.RefreshViews(false);
}

void InsertHyperlink(Application& application) {
  if (!ActiveViewOf(application)) return;
  const Window* window = &application.GetWindow();
  std::optional<std::u16string> address = AskText(window, Text("toolbar:link"), Text("hyperlink:link"), u"http://");
  if (!address) return;
  std::optional<std::u16string> shown =
      AskText(window, Text("toolbar:link"), Text("hyperlink:simpleText"), SitePart(*address));
  if (!shown) return;
  SetHyperlink(application, *address, *shown);
}

}  // namespace quadrell
