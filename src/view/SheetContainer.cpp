#include "view/SheetContainer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>

#include "context/ApplicationContext.h"
#include "context/EmbeddedResources.h"
#include "formula/Formula.h"
#include "loadsave/LoadSaveXlsx.h"
#include "model/Action.h"
#include "model/Cell.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "object/Comment.h"
#include "object/Image.h"
#include "object/ImageCodec.h"
#include "platform/Desktop.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Keys.h"
#include "value/NumberText.h"
#include "shell/Application.h"
#include "shell/toolbar/ToolbarGadget.h"
#include "view/FormulaGadget.h"
#include "view/FormulaInputGadget.h"
#include "view/OverviewGadget.h"
#include "view/SheetGadget.h"
#include "view/SheetsGadget.h"

namespace quadrell {

namespace {

// Opens neither the filter dropdown nor the chart dialog; the suggestion calls pass on.
class NoGridPopups : public GridPopups {
 public:
  void OpenFilterDropdown(SheetGadget&, int32_t) override {}
  void EditChart(SheetGadget&, void*) override {}
};

std::unique_ptr<GridPopups>& InstalledPopups() {
  static auto* popups = new std::unique_ptr<GridPopups>();
  return *popups;
}

std::unique_ptr<FunctionSuggestions>& InstalledSuggestions() {
  static auto* suggestions = new std::unique_ptr<FunctionSuggestions>();
  return *suggestions;
}

// The input of the first cell of the sheet's selection, as the bar shows it.
std::u16string SelectedInput(const Sheet& sheet) {
  const Range* selection = sheet.GetSelection();
  int32_t row = selection ? std::max(selection->GetFirstRow(), 1) : 1;
  int32_t column = selection ? std::max(selection->GetFirstColumn(), 0) : 0;
  Row* stored = sheet.FindRow(row);
  return EditableInput(stored ? stored->FindCell(column) : nullptr);
}

Bitmap FormulaPicture() {
  std::optional<PixelImage> pixels = DecodePng(GetEmbeddedResource("fx.png"));
  return pixels ? ToBitmap(*pixels) : Bitmap(40, 20);
}

}  // namespace

GridPopups* GetGridPopups() {
  static NoGridPopups none;
  GridPopups* installed = InstalledPopups().get();
  return installed ? installed : &none;
}
void SetGridPopups(std::unique_ptr<GridPopups> popups) { InstalledPopups() = std::move(popups); }

FunctionSuggestions* GetFunctionSuggestions() { return InstalledSuggestions().get(); }
void SetFunctionSuggestions(std::unique_ptr<FunctionSuggestions> suggestions) {
  InstalledSuggestions() = std::move(suggestions);
}

SheetWindowLayout LayOutSheetWindow(int width, int height, int toolbarHeight, float splitRatio, int viewCount) {
  SheetWindowLayout layout;
  // The status field is wide enough for three six-digit figures side by side.
  layout.sheetTabs = Rect{0, height - 20, width - OverviewGadget::kWidth, 20};
  layout.statusField = Rect{width - OverviewGadget::kWidth, height - 20, OverviewGadget::kWidth, 20};
  layout.formulaIcon = Rect{0, toolbarHeight, 40, 20};
  layout.formulaBar = Rect{40, toolbarHeight, width - 40, 20};
  int top = toolbarHeight + 20;
  int bandHeight = height - toolbarHeight - 40;
  int x = 0;
  int w = static_cast<int>(std::lround(width * static_cast<double>(splitRatio)));
  for (int i = 0; i < viewCount; ++i) {
    bool another = i + 1 < viewCount;
    if (another) {
      w -= 2;
      layout.splitters.push_back(Rect{w, top, 3, bandHeight});
    }
    layout.views.push_back(Rect{x, top, w, bandHeight});
    x += w + (another ? 3 : 0);
    w = width - x;
  }
  return layout;
}

SheetContainer::SheetContainer(Application& application)
    : application_(application), workbook_(std::make_unique<Workbook>(Text("unknownName"), &application)) {
  Window& window = application_.GetWindow();
  width_ = window.Width();
  height_ = window.Height();
  auto view = std::make_unique<SheetGadget>(application_, *this, window,
                                            Rect{0, 40, std::max(width_, 1), std::max(height_ - 60, 1)},
                                            workbook_->GetActiveSheet());
  activeView_ = view.get();
  views_.push_back(std::move(view));
  sheetTabs_ = std::make_unique<SheetsGadget>(application_, *activeView_, *this,
                                              Rect{0, height_ - 20, std::max(width_ - 130, 50), 20});
  statusField_ = std::make_unique<OverviewGadget>(
      window, Rect{width_ - OverviewGadget::kWidth, height_ - 20, OverviewGadget::kWidth, OverviewGadget::kHeight});
  formulaIcon_ = CreateImageControl(window, Rect{0, 20, 40, 20}, FormulaPicture(), nullptr);
  formulaBar_ = std::make_unique<FormulaInputGadget>(window, Rect{40, 20, std::max(width_ - 40, 1), 20}, *this,
                                                     application_);
  if (!GetFunctionSuggestions()) SetFunctionSuggestions(std::make_unique<FormulaGadget>());
  toolbar_ = std::make_unique<ToolbarGadget>(application_, window, kKindSheet,
                                             [this] { return SheetToolbarStates(*this); });
  workbook_->AddSheetListener(&SheetContainer::SheetChanged, this);
  Resize(width_, height_);
  activeView_->GetCanvas().Focus();
}

SheetContainer::~SheetContainer() {
  workbook_->RemoveSheetListener(this);
  // The bar calls back into the views; it goes before them, unsaved as the window closes.
  formulaBar_.reset();
  if (FunctionSuggestions* suggestions = GetFunctionSuggestions()) suggestions->CloseSuggestions();
  // The views show the workbook's sheets: they go first.
  splitter_.reset();
  views_.clear();
}

void SheetContainer::SheetChanged(void* container, Sheet*) {
  auto* self = static_cast<SheetContainer*>(container);
  Sheet* active = self->workbook_->GetActiveSheet();
  for (auto& view : self->views_) {
    if (view->GetSheet() == active) continue;
    if (self->switchingForPointing_ && view.get() == self->pointingView_) {
      view->ShowSheetWhileEditing(active);
    } else {
      view->SetSheet(active);
    }
  }
  if (self->sheetTabs_) self->sheetTabs_->Repaint();
  // An edit that points into the sheet goes on, and the bar keeps showing it.
  if (self->switchingForPointing_) return;
  if (self->formulaBar_ && active) {
    // An edit in the bar belongs to the sheet it began on: it is committed there first.
    if (self->formulaBarEdit_) {
      self->formulaBar_->StopPointing();
      self->CommitFormulaBar();
    }
    self->formulaBar_->SetText(SelectedInput(*active));
    if (self->formulaBar_->HasFocus()) self->FormulaBarFocused();
  }
}

bool SheetContainer::PointIntoSheet(Sheet* sheet) {
  if (!sheet || workbook_->IndexOfSheet(sheet) < 0 || switchingForPointing_) return false;
  const bool bar = formulaBar_ && formulaBarEdit_ && formulaBar_->IsPointing() && formulaBar_->HasFocus();
  SheetGadget* editor = nullptr;
  if (!bar && activeView_ && activeView_->IsEditPointing()) editor = activeView_;
  if (!bar && !editor) return false;
  // The sheet shown already: the edit simply goes on.
  if (sheet == workbook_->GetActiveSheet()) return true;
  // The bar's pick belongs to the sheet shown so far; it starts again on the new one.
  if (bar) formulaBar_->StopPointing();
  pointingView_ = editor;
  switchingForPointing_ = true;
  workbook_->SetActiveSheet(sheet);
  switchingForPointing_ = false;
  pointingView_ = nullptr;
  if (bar) {
    formulaBar_->ResumePointing();
    FormulaBarChanged();
  }
  return true;
}

void SheetContainer::ShowSheet(Sheet* sheet) {
  if (!sheet || workbook_->IndexOfSheet(sheet) < 0 || workbook_->GetActiveSheet() == sheet) return;
  workbook_->SetActiveSheet(sheet);
}

void SheetContainer::SetFormulaBar(std::unique_ptr<FormulaBar> bar) {
  formulaBarEdit_.reset();
  formulaBar_ = std::move(bar);
  Resize(width_, height_);
}

void SheetContainer::SetSheetTabs(std::unique_ptr<SheetTabs> tabs) {
  sheetTabs_ = std::move(tabs);
  Resize(width_, height_);
}

void SheetContainer::SetToolbar(std::unique_ptr<Toolbar> toolbar) {
  toolbar_ = std::move(toolbar);
  Resize(width_, height_);
}

void SheetContainer::Resize(int width, int height) {
  width_ = width;
  height_ = height;
  int toolbarHeight = toolbar_ ? toolbar_->Layout(width) : 0;
  layout_ = LayOutSheetWindow(width, height, toolbarHeight, splitRatio_, static_cast<int>(views_.size()));
  if (sheetTabs_) sheetTabs_->SetBounds(layout_.sheetTabs);
  statusField_->Resize(layout_.statusField);
  formulaIcon_->SetBounds(layout_.formulaIcon);
  if (formulaBar_) formulaBar_->SetBounds(layout_.formulaBar);
  for (size_t i = 0; i < views_.size(); ++i) {
    Rect bounds = layout_.views[i];
    bounds.width = std::max(bounds.width, 1);
    bounds.height = std::max(bounds.height, 1);
    views_[i]->SetBounds(bounds);
  }
  PlaceSplitter();
  for (auto& view : views_) view->Redraw(true);
  if (sheetTabs_) sheetTabs_->Repaint();
}

void SheetContainer::PlaceSplitter() {
  if (!splitter_ || layout_.splitters.empty()) return;
  Rect bounds = layout_.splitters.front();
  bounds.height = std::max(bounds.height, 1);
  splitter_->SetBounds(bounds);
  PaintSplitter();
}

void SheetContainer::PaintSplitter() {
  Canvas& c = splitter_->Surface();
  int h = layout_.splitters.empty() ? 0 : layout_.splitters.front().height;
  c.DrawLine(0, 0, 0, h, 0xDDDDDD);
  c.DrawLine(1, 0, 1, h, 0xCCCCCC);
  c.DrawLine(2, 0, 2, h, 0xBBBBBB);
}

void SheetContainer::SetSplit(bool split) {
  if (split == (views_.size() > 1)) return;
  Window& window = application_.GetWindow();
  if (split) {
    splitRatio_ = 0.5f;
    views_.push_back(std::make_unique<SheetGadget>(application_, *this, window, Rect{0, 0, 1, 1},
                                                   views_.front()->GetSheet()));
    splitter_ = CreateCanvasControl(window, Rect{0, 0, 3, 1}, *this);
    splitter_->SetPointerShape(PointerShape::ResizeLeftRight);
  } else {
    splitRatio_ = 1.0f;
    splitter_.reset();
    if (activeView_ == views_.back().get()) activeView_ = views_.front().get();
    views_.pop_back();
  }
  Resize(width_, height_);
}

void SheetContainer::DragSplitter(int windowX) {
  if (width_ <= 0) return;
  int x = std::clamp(windowX, 100, std::max(width_ - 100, 100));
  splitRatio_ = static_cast<float>(x) / static_cast<float>(width_);
  Resize(width_, height_);
}

void SheetContainer::OnLeftDown(int, int) { splitterPressed_ = true; }
void SheetContainer::OnLeftUp(int, int) { splitterPressed_ = false; }
void SheetContainer::OnMouseMove(int x, int) {
  if (splitterPressed_ && splitter_) DragSplitter(splitter_->Bounds().x + x);
}

void SheetContainer::SetWorkbook(std::unique_ptr<Workbook> workbook) {
  if (!workbook) return;
  // The window's undo records and the copied block point into the workbook that goes.
  application_.ClearUndoLists();
  ClearCopy();
  copiedCells_.clear();
  workbook_->RemoveSheetListener(this);
  for (auto& view : views_) {
    view->CancelMouseMode();
    view->SetSheet(workbook->GetActiveSheet());
  }
  workbook_ = std::move(workbook);
  workbook_->AddSheetListener(&SheetContainer::SheetChanged, this);
  // An edit in the bar belonged to the workbook that went.
  formulaBarEdit_.reset();
  if (formulaBar_) formulaBar_->SetText(SelectedInput(*workbook_->GetActiveSheet()));
  if (sheetTabs_) sheetTabs_->Repaint();
  if (statusField_ && !workbook_->GetLoadNotice().empty()) statusField_->ShowNotice(workbook_->GetLoadNotice());
}

// ---------------------------------------------------------------- views

void SheetContainer::RefreshViews(bool full) {
  for (auto& view : views_) view->Redraw(full);
}

void SheetContainer::UpdateCellInViews(int32_t row, int32_t column) {
  for (auto& view : views_) {
    if (view->GetSheet() == workbook_->GetActiveSheet()) view->UpdateCell(row, column);
  }
}

void SheetContainer::RedrawViewsWithObjects() {
  for (auto& view : views_) view->RedrawObjects();
}

void SheetContainer::BlinkCarets() {
  if (formulaBar_) formulaBar_->ToggleCaret();
  for (auto& view : views_) view->ToggleCaret();
}

void SheetContainer::SelectAll() {
  for (auto& view : views_) view->SelectAll();
}

void SheetContainer::FilesDropped(const std::vector<std::u16string>& paths, Point screenPoint) {
  for (auto& view : views_) {
    Rect screen = view->GetCanvas().ScreenRect();
    if (!screen.Contains(screenPoint)) continue;
    activeView_ = view.get();
    view->DropFiles(paths, Point{screenPoint.x - screen.x, screenPoint.y - screen.y});
    return;
  }
}

bool SheetContainer::DeleteSelectedObject() {
  ObjectAnchor* anchor = activeView_ ? activeView_->GetSelectedObject() : nullptr;
  if (!anchor) return false;
  Sheet* sheet = activeView_->GetSheet();
  for (auto& view : views_) {
    if (view->GetSelectedObject() == anchor) view->SetSelectedObject(nullptr);
  }
  auto remove = std::make_unique<RemoveObjectAction>(sheet, anchor);
  remove->Redo();
  application_.AddAction(std::move(remove));
  RedrawViewsWithObjects();
  return true;
}

void SheetContainer::ClearFormulaBar() {
  if (formulaBar_) formulaBar_->SetText(u"");
}

void SheetContainer::EnterFromFormulaBar(int key) {
  if (!formulaBar_ || !formulaBar_->HasFocus() || !activeView_) return;
  if (formulaBar_->HandleEnterKey(key)) return;
  Sheet* home = GetFormulaBarSheet();
  CommitFormulaBar();
  // The key's release reaches the grid, which moves the active cell as for its own edits.
  activeView_->GetCanvas().Focus();
  // An edit that pointed into another sheet ends on its own.
  ShowSheet(home);
}

void SheetContainer::FormulaBarFocused() {
  if (!formulaBar_ || formulaBarEdit_ || !activeView_ || !activeView_->GetSheet()) return;
  FormulaBarEdit edit;
  edit.sheet = activeView_->GetSheet();
  edit.row = activeView_->GetActiveRow();
  edit.column = activeView_->GetActiveColumn();
  edit.original = EditableInput(FormulaBarCell(edit, false));
  // The bar edits what the cell holds now (the grid may have committed an edit on losing the focus).
  if (formulaBar_->GetText() != edit.original) formulaBar_->SetText(edit.original);
  formulaBarEdit_ = std::move(edit);
}

Cell* SheetContainer::FormulaBarCell(const FormulaBarEdit& edit, bool create) const {
  // The sheet may have left the workbook since editing began.
  if (!edit.sheet || workbook_->IndexOfSheet(edit.sheet) < 0) return nullptr;
  if (create) {
    Cell* cell = edit.sheet->GetCell(edit.row, edit.column);
    return cell == edit.sheet->GetPlaceholderCell() ? nullptr : cell;
  }
  Row* row = edit.sheet->FindRow(edit.row);
  return row ? row->FindCell(edit.column) : nullptr;
}

void SheetContainer::CommitFormulaBar() {
  if (!formulaBar_ || formulaBar_->IsPointing() || !formulaBarEdit_) return;
  FormulaBarEdit edit = std::move(*formulaBarEdit_);
  formulaBarEdit_.reset();
  std::u16string text = formulaBar_->GetText();
  if (text == edit.original) {
    // Outlines typed and taken back again are not left behind.
    if (Cell* cell = FormulaBarCell(edit, false)) cell->SetReferenceRanges(cell->GetInput());
    RefreshViews(false);
    return;
  }
  Cell* cell = FormulaBarCell(edit, true);
  if (!cell) return;
  application_.AddAction(std::make_unique<CellInputAction>(cell, text));
  cell->SetInput(text);
  RefreshViews(false);
}

void SheetContainer::CancelFormulaBar() {
  if (!formulaBar_) return;
  Sheet* home = nullptr;
  if (formulaBarEdit_) {
    FormulaBarEdit edit = std::move(*formulaBarEdit_);
    formulaBarEdit_.reset();
    formulaBar_->SetText(edit.original);
    if (Cell* cell = FormulaBarCell(edit, false)) cell->SetReferenceRanges(cell->GetInput());
    home = edit.sheet;
  }
  if (activeView_) {
    activeView_->GetCanvas().Focus();
    activeView_->Refresh();
  }
  // An edit that pointed into another sheet ends on its own.
  ShowSheet(home);
}

void SheetContainer::CommitPendingEdits() {
  if (formulaBarEdit_ && formulaBar_) {
    formulaBar_->StopPointing();
    CommitFormulaBar();
  }
  for (auto& view : views_) {
    if (!view->IsEditing()) continue;
    view->CommitPendingEdit();
    view->Refresh();
  }
}

void SheetContainer::FormulaBarChanged() {
  if (!formulaBar_ || !activeView_) return;
  // Outlines need a cell to hang on: the edited one is made when missing.
  Cell* cell = formulaBarEdit_ ? FormulaBarCell(*formulaBarEdit_, true) : nullptr;
  if (cell) cell->SetReferenceRanges(formulaBar_->GetText());
  // Pointing into another sheet, the view outlines what the formula names there.
  activeView_->OutlineReferences(formulaBar_->GetText(), GetFormulaBarSheet());
  activeView_->Refresh();
}

bool SheetContainer::FormulaBarHandlesShortcut(int event) {
  if (!formulaBar_ || !formulaBar_->HasFocus()) return false;
  switch (event) {
    case kEventDelete:
      return formulaBar_->HandleCommand(BarCommand::Delete);
    case kEventSelectAll:
      return formulaBar_->HandleCommand(BarCommand::SelectAll);
    case kEventCopy:
      return formulaBar_->HandleCommand(BarCommand::Copy);
    case kEventCut:
      return formulaBar_->HandleCommand(BarCommand::Cut);
    case kEventPaste:
      return formulaBar_->HandleCommand(BarCommand::Paste);
    case kEventUndo:
      return formulaBar_->HandleCommand(BarCommand::Undo);
    case kEventRedo:
      return formulaBar_->HandleCommand(BarCommand::Redo);
    default:
      return false;
  }
}

// ---------------------------------------------------------------- clipboard

std::u16string BlockText(AreaRange& range) {
  Sheet* sheet = range.GetSheet();
  std::u16string text;
  if (!sheet) return text;
  for (int32_t r = range.GetFirstRow(); r <= range.GetLastRow(); ++r) {
    for (int32_t c = range.GetFirstColumn(); c <= range.GetLastColumn(); ++c) {
      // Positions without a cell give empty fields; nothing is created.
      Cell* cell = nullptr;
      if (sheet->IsOverlayCell(r, c)) {
        cell = sheet->GetCell(r, c);
      } else if (Row* row = sheet->FindRow(r)) {
        cell = row->FindCell(c);
      }
      if (cell && cell != sheet->GetPlaceholderCell()) text += cell->GetText();
      text += c < range.GetLastColumn() ? u"\t" : u"\r\n";
    }
  }
  return text;
}

void SheetContainer::ClearCopy() {
  copiedRange_.reset();
  copyPending_ = false;
}

void SheetContainer::Copy() {
  if (!activeView_ || !activeView_->GetSelection()) return;
  Sheet* sheet = workbook_->GetActiveSheet();
  const AreaRange* selection = activeView_->GetSelection();
  int32_t fc = selection->GetFirstColumn(), fr = selection->GetFirstRow();
  int32_t lc = selection->GetLastColumn(), lr = selection->GetLastRow();
  // Whole rows and columns are the part of them that is used.
  UsedSize used = sheet->GetUsedSize();
  if (fc < 0 || lc < 0) {
    fc = 0;
    lc = std::max(used.column, 0);
  }
  if (fr < 0 || lr < 0) {
    fr = 1;
    lr = std::max(used.row, 1);
  }
  copiedCells_.clear();
  copiedRange_ = std::make_unique<AreaRange>(fc, fr, lc, lr, sheet);
  std::u16string text = BlockText(*copiedRange_);
  copyPending_ = true;
  SetClipboardText(text);
  copiedColumns_ = lc - fc + 1;
  copiedRows_ = lr - fr + 1;
  copiedCells_.reserve(static_cast<size_t>(copiedColumns_) * static_cast<size_t>(copiedRows_));
  for (int32_t r = fr; r <= lr; ++r) {
    for (int32_t c = fc; c <= lc; ++c) {
      SnapshotRecord record;
      Row* row = sheet->FindRow(r);
      Cell* cell = row ? row->FindCell(c) : nullptr;
      if (sheet->IsOverlayCell(r, c)) cell = sheet->GetCell(r, c);
      if (cell) {
        record.cell = cell;
        record.value = cell->GetValue();
        record.hasFormula = cell->HasFormula();
        if (record.hasFormula) record.formula = cell->GetEnglishFormulaText();
      } else {
        record.value = EmptyValue();
      }
      copiedCells_.push_back(std::move(record));
    }
  }
  cutFlag_ = false;
  activeView_->Refresh();
}

void SheetContainer::Cut() {
  Copy();
  cutFlag_ = true;
}

void SheetContainer::ClipboardChanged() {
  if (!copyPending_) {
    copiedRange_.reset();
  } else {
    copyPending_ = false;
  }
  for (auto& view : views_) view->Refresh();
}

void SheetContainer::Paste() {
  if (!activeView_) return;
  bool pasted = false;
  if (activeView_->GetCanvas().HasFocus()) {
    if (activeView_->IsEditing()) return;
    if (copiedRange_ && !copiedCells_.empty()) {
      InternalPaste();
    } else {
      TextPaste();
    }
    pasted = true;
  } else if (formulaBar_ && formulaBar_->HasFocus()) {
    formulaBar_->HandleCommand(BarCommand::Paste);
  }
  RefreshViews(false);
  if (pasted && cutFlag_) {
    copiedRange_.reset();
    copiedCells_.clear();
    cutFlag_ = false;
    for (auto& view : views_) view->Refresh();
  }
}

void SheetContainer::TextPaste() {
  Sheet* sheet = activeView_->GetSheet();
  int32_t row = activeView_->GetActiveRow(), column = activeView_->GetActiveColumn();
  std::u16string text = ClipboardText();
  std::u16string plain;
  plain.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    plain += text[i];
  }
  std::vector<std::u16string_view> lines;
  std::u16string_view rest = plain;
  while (true) {
    size_t end = rest.find(u'\n');
    if (end == std::u16string_view::npos) {
      // The empty piece after a final line feed is no line.
      if (!rest.empty() || lines.empty()) lines.push_back(rest);
      break;
    }
    lines.push_back(rest.substr(0, end));
    rest.remove_prefix(end + 1);
  }
  auto group = std::make_unique<GroupAction>();
  GroupAction* record = group.get();
  application_.AddAction(std::move(group));
  for (size_t i = 0; i < lines.size(); ++i) {
    std::u16string_view line = lines[i];
    size_t j = 0;
    while (true) {
      size_t tab = line.find(u'\t');
      std::u16string_view field = line.substr(0, tab);
      Cell* cell = sheet->GetCell(row + static_cast<int32_t>(i), column + static_cast<int32_t>(j));
      if (cell && cell != sheet->GetPlaceholderCell()) {
        record->AddAction(std::make_unique<CellInputAction>(cell, field));
        cell->SetInput(field);
      }
      if (tab == std::u16string_view::npos) break;
      line.remove_prefix(tab + 1);
      ++j;
    }
  }
}

void SheetContainer::InternalPaste() {
  Sheet* sheet = activeView_->GetSheet();
  int32_t row = activeView_->GetActiveRow(), column = activeView_->GetActiveColumn();
  const AreaRange* selection = activeView_->GetSelection();
  // Whole rows land at the start of the row, whole columns at the top.
  if (selection && selection->GetFirstColumn() < 0) column = 0;
  if (selection && selection->GetFirstRow() < 0) row = 1;
  const int32_t x1 = copiedRange_->GetFirstColumn(), y1 = copiedRange_->GetFirstRow();
  const int32_t dc = column - x1, dr = row - y1;
  auto group = std::make_unique<GroupAction>();
  GroupAction* record = group.get();
  application_.AddAction(std::move(group));
  // Every text is made before a cut clears its sources, which the targets may overlap.
  std::vector<std::u16string> texts;
  texts.reserve(copiedCells_.size());
  for (const SnapshotRecord& s : copiedCells_) {
    if (s.hasFormula && s.cell && s.cell->HasFormula() && s.cell->GetEnglishFormulaText() == s.formula) {
      texts.push_back(s.cell->GetShiftedInput(dc, dr));
    } else if (s.hasFormula) {
      // The source changed since the copy: the formula as copied, moved and in the user's language.
      std::unique_ptr<Formula> copied = CompileFormula(s.formula, sheet, u"en");
      texts.push_back(u"=" + copied->CopyShifted(dc, dr)->ToText(application_.FormulaLanguage()));
    } else if (s.value && s.value->IsNumeric()) {
      // A number goes over as its number: its shown text ("1.200,00") may not read back as one.
      const Value* read = ParseInput(DisplayText(s.value));
      texts.push_back(read->IsNumeric() && read->Number() == s.value->Number() ? DisplayText(s.value)
                                                                                 : GeneralForm16(s.value->Number()));
    } else {
      texts.push_back(DisplayText(s.value));
    }
  }
  if (cutFlag_) {
    // The cut's sources empty as part of the paste's undo step.
    std::vector<Cell*> sources;
    for (const SnapshotRecord& s : copiedCells_) {
      if (s.cell && s.cell != sheet->GetPlaceholderCell()) sources.push_back(s.cell);
    }
    auto clear = std::make_unique<ClearCellsAction>(sources);
    clear->Redo();
    record->AddAction(std::move(clear));
    for (Cell* source : sources) source->SetReferenceRanges(u"");
  }
  for (int32_t r = 0; r < copiedRows_; ++r) {
    for (int32_t c = 0; c < copiedColumns_; ++c) {
      size_t index = static_cast<size_t>(r) * static_cast<size_t>(copiedColumns_) + static_cast<size_t>(c);
      Cell* target = sheet->GetCell(row + r, column + c);
      if (!target || target == sheet->GetPlaceholderCell()) continue;
      const std::u16string& text = texts[index];
      const SnapshotRecord& s = copiedCells_[index];
      record->AddAction(std::make_unique<CellInputAction>(target, text));
      target->SetInput(text);
      target->SetReferenceRanges(text);
      // The value keeps its display format (a date stays a date, 1.200,00 keeps its decimals).
      if (!s.hasFormula && s.value && (s.value->IsNumeric() || s.value->Kind() == ValueKind::Hyperlink)) {
        target->SetValue(s.value);
      }
    }
  }
}

// ---------------------------------------------------------------- recovery

void SheetContainer::EmergencySave() {
  MakeFolders(GetContext().Folder());
  SaveXlsx(*workbook_, RecoveryCopyPath());
}

std::string RecoveryCopyPath() {
  LocalTime t = CurrentLocalTime();
  static std::mt19937 random{std::random_device{}()};
  unsigned number = std::uniform_int_distribution<unsigned>(0, 2147483647u)(random);
  char name[64];
  std::snprintf(name, sizeof name, "%04d%02d%02d%02d%02d%02d-%X.xlsx", t.year, t.month, t.day, t.hour, t.minute,
                t.second, number);
  return GetContext().Folder() + name;
}

}  // namespace quadrell
