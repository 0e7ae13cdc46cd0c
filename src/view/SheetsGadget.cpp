#include "view/SheetsGadget.h"

#include <algorithm>
#include <optional>

#include "context/ApplicationContext.h"
#include "formula/TextCase.h"
#include "model/Action.h"
#include "model/Font.h"
#include "model/Sheet.h"
#include "model/Style.h"
#include "model/Workbook.h"
#include "platform/Dialogs.h"
#include "platform/Keys.h"
#include "shell/Application.h"
#include "shell/popups/PopupMenu.h"
#include "value/Unicode.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"

namespace quadrell {

namespace {

constexpr Colour kTextColour = 0x444444;
constexpr Colour kLineColour = 0xEEEEEE;
constexpr Colour kActiveFill = 0xEEEEEE;
constexpr Colour kRenameFill = 0xFFEEEE;  // #EEEEFF
constexpr Colour kRenameLine = 0xEEAAAA;  // #AAAAEE
constexpr Colour kPictureGrey = 0x888888;
constexpr size_t kMaxNameLength = 31;
constexpr std::u16string_view kForbidden = u"[]:*?/\\";

// The grey plus of the add button.
Bitmap PlusPicture() {
  Bitmap image(SheetsGadget::kAddWidth, SheetsGadget::kHeight);
  for (int i = 5; i < 15; ++i) {
    for (int k = 9; k < 11; ++k) {
      image.SetPixel(i, k, kPictureGrey);
      image.SetPixel(k, i, kPictureGrey);
    }
  }
  return image;
}

// A grey triangle pointing left or right, centred on the button.
Bitmap TrianglePicture(bool right) {
  Bitmap image(SheetsGadget::kScrollWidth, SheetsGadget::kHeight);
  for (int column = 0; column < 5; ++column) {
    int x = right ? 5 + column : 9 - column;
    for (int y = 10 - (5 - column); y < 10 + (5 - column); ++y) image.SetPixel(x, y, kPictureGrey);
  }
  return image;
}

const FontRecord* TabFont() { return GetFont(u"Arial", 10, kFontFlagHighQuality); }

// A character outside the basic plane is two units but one character.
size_t CodePoints(std::u16string_view text) {
  auto notTrailing = [](char16_t c) { return c < 0xDC00 || c > 0xDFFF; };
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), notTrailing));
}

void RenameEntry(void* strip, intptr_t sheet) {
  static_cast<SheetsGadget*>(strip)->StartRename(reinterpret_cast<Sheet*>(sheet));
}
void ColourEntry(void* strip, intptr_t sheet) {
  static_cast<SheetsGadget*>(strip)->ChooseTabColour(reinterpret_cast<Sheet*>(sheet));
}
void DeleteEntry(void* strip, intptr_t sheet) {
  static_cast<SheetsGadget*>(strip)->DeleteSheet(reinterpret_cast<Sheet*>(sheet));
}

}  // namespace

std::string_view SheetNameProblem(const Workbook& workbook, const Sheet* sheet, std::u16string_view name) {
  if (name.empty()) return "sheetName:empty";
  if (CodePoints(name) > kMaxNameLength) return "sheetName:tooLong";
  if (name.find_first_of(kForbidden) != std::u16string_view::npos) return "sheetName:characters";
  std::u16string upper = UpperCase(name);
  for (int32_t i = 0; i < workbook.GetSheetCount(); ++i) {
    const Sheet* other = workbook.GetSheet(i);
    if (other != sheet && UpperCase(other->GetName()) == upper) return "sheetName:taken";
  }
  return "";
}

std::u16string NewSheetName(const Workbook& workbook) {
  const std::u16string& base = Text("sheet");
  for (int32_t n = workbook.GetSheetCount() + 1;; ++n) {
    std::u16string name = base + AsciiToUtf16(std::to_string(n));
    if (SheetNameProblem(workbook, nullptr, name).empty()) return name;
  }
}

// Made when the menu opens, so that it speaks the language chosen last.
std::vector<MenuEntry> SheetsGadget::TabMenu() {
  return {{Text("popup:sheet:rename"), &RenameEntry},
          {Text("popup:sheet:colour"), &ColourEntry},
          {Text("popup:sheet:delete"), &DeleteEntry}};
}

SheetsGadget::SheetsGadget(Application& application, SheetGadget& view, SheetContainer& container, const Rect& bounds)
    : application_(application), view_(view), container_(container) {
  Window& window = application_.GetWindow();
  addButton_ = CreateImageControl(window, Rect{0, bounds.y, kAddWidth, kHeight}, PlusPicture(), [this] { AddSheet(); });
  scrollLeftButton_ = CreateImageControl(window, Rect{kAddWidth, bounds.y, kScrollWidth, kHeight},
                                         TrianglePicture(false), [this] { ScrollBy(kScrollStep); });
  canvas_ = CreateCanvasControl(window, Rect{kAddWidth + kScrollWidth, bounds.y, 1, kHeight}, *this);
  scrollRightButton_ = CreateImageControl(window, Rect{0, bounds.y, kScrollWidth, kHeight}, TrianglePicture(true),
                                          [this] { ScrollBy(-kScrollStep); });
  Attach();
  SetBounds(bounds);
}

SheetsGadget::~SheetsGadget() {
  // The container replaces its workbook only while the strip lives, so the
  // one registered with is the container's.
  if (workbook_ == &container_.GetWorkbook()) workbook_->RemoveSheetListener(this);
}

void SheetsGadget::Attach() {
  Workbook* current = &container_.GetWorkbook();
  if (workbook_ == current) return;
  // The previous workbook is gone with its listeners: nothing to remove there.
  workbook_ = current;
  workbook_->AddSheetListener(&SheetsGadget::SheetChanged, this);
  renaming_ = nullptr;
  renameText_.clear();
  tabWidths_.clear();
  scrollOffset_ = 0;
}

Workbook& SheetsGadget::GetWorkbook() const { return container_.GetWorkbook(); }

void SheetsGadget::SheetChanged(void* strip, Sheet*) {
  auto* self = static_cast<SheetsGadget*>(strip);
  // A sheet being renamed may just have been taken out (an undo, say).
  if (self->renaming_ && self->GetWorkbook().IndexOfSheet(self->renaming_) < 0) self->CancelRename();
  self->Repaint();
}

// ---------------------------------------------------------------- layout and painting

void SheetsGadget::SetBounds(const Rect& bounds) {
  int width = std::max(bounds.width, kAddWidth + 2 * kScrollWidth);
  addButton_->SetBounds(Rect{0, bounds.y, kAddWidth, kHeight});
  scrollLeftButton_->SetBounds(Rect{kAddWidth, bounds.y, kScrollWidth, kHeight});
  canvasWidth_ = std::max(width - kAddWidth - 2 * kScrollWidth, 1);
  canvas_->SetBounds(Rect{kAddWidth + kScrollWidth, bounds.y, canvasWidth_, std::max(bounds.height, 1)});
  scrollRightButton_->SetBounds(Rect{bounds.x + width - kScrollWidth, bounds.y, kScrollWidth, kHeight});
  Paint();
  ClampScroll();
  Paint();
}

void SheetsGadget::Repaint() {
  Attach();
  Paint();
  // Fewer or narrower tabs may leave a gap at the right.
  int64_t before = scrollOffset_;
  ClampScroll();
  if (scrollOffset_ != before) Paint();
}

void SheetsGadget::Paint() {
  Workbook& workbook = GetWorkbook();
  Canvas& c = canvas_->Surface();
  int height = c.Height();
  c.ClearClip();
  c.FillBox(0, 0, c.Width(), height, kWhite);
  c.DrawLine(0, 0, c.Width(), 0, kLineColour);
  c.SetFont(*TabFont()->platformFont);
  c.SetTextColour(kTextColour);
  c.SetDrawMode(DrawMode::TransparentText);
  tabWidths_.clear();
  int64_t pos = scrollOffset_;
  Sheet* active = workbook.GetActiveSheet();
  for (int32_t i = 0; i < workbook.GetSheetCount(); ++i) {
    Sheet* sheet = workbook.GetSheet(i);
    const std::u16string& label = sheet == renaming_ ? renameText_ : sheet->GetName();
    int tw = c.TextWidth(label);
    tabWidths_[sheet] = tw + 6;
    int x = static_cast<int>(std::clamp<int64_t>(pos, -(int64_t{1} << 30), int64_t{1} << 30));
    if (sheet == renaming_) {
      c.FillBox(x, 1, tw + 7, 19, kRenameFill);
      c.DrawLine(x, 1, x, 20, kRenameLine);
      c.DrawLine(x, 19, x + tw + 6, 19, kRenameLine);
      c.DrawLine(x + tw + 6, 1, x + tw + 6, 20, kRenameLine);
    } else if (sheet == active) {
      c.FillBox(x, 1, tw + 7, 19, kActiveFill);
    } else {
      c.DrawLine(x, 1, x, 20, kLineColour);
      c.DrawLine(x, 19, x + tw + 6, 19, kLineColour);
      c.DrawLine(x + tw + 6, 1, x + tw + 6, 20, kLineColour);
    }
    c.FillBox(x + 1, 17, tw + 5, 2, sheet->GetTabColor());
    c.DrawText(x + 3, 2, label);
    pos += tw + 6;
  }
  tabsWidth_ = pos - scrollOffset_;
}

void SheetsGadget::ClampScroll() {
  if (scrollOffset_ < -(tabsWidth_ - canvasWidth_)) scrollOffset_ = -(tabsWidth_ - canvasWidth_);
  if (scrollOffset_ > 0) scrollOffset_ = 0;
}

void SheetsGadget::ScrollBy(int64_t delta) {
  scrollOffset_ += delta;
  ClampScroll();
  Paint();
}

void SheetsGadget::ScrollIntoView(const Sheet* sheet) {
  std::optional<int> left = TabLeft(sheet);
  if (!left) return;
  int64_t start = *left - scrollOffset_;
  int64_t end = start + TabWidth(sheet);
  if (end + scrollOffset_ > canvasWidth_) scrollOffset_ = canvasWidth_ - end;
  if (start + scrollOffset_ < 0) scrollOffset_ = -start;
  ClampScroll();
  Paint();
}

Sheet* SheetsGadget::TabAt(int x) const {
  Workbook& workbook = GetWorkbook();
  int64_t pos = scrollOffset_;
  for (int32_t i = 0; i < workbook.GetSheetCount(); ++i) {
    Sheet* sheet = workbook.GetSheet(i);
    auto found = tabWidths_.find(sheet);
    if (found == tabWidths_.end()) return nullptr;
    if (pos < x && x < pos + found->second) return sheet;
    pos += found->second;
  }
  return nullptr;
}

std::optional<int> SheetsGadget::TabLeft(const Sheet* sheet) const {
  Workbook& workbook = GetWorkbook();
  int64_t pos = scrollOffset_;
  for (int32_t i = 0; i < workbook.GetSheetCount(); ++i) {
    const Sheet* s = workbook.GetSheet(i);
    auto found = tabWidths_.find(s);
    if (found == tabWidths_.end()) return std::nullopt;
    if (s == sheet) return static_cast<int>(pos);
    pos += found->second;
  }
  return std::nullopt;
}

int SheetsGadget::TabWidth(const Sheet* sheet) const {
  auto found = tabWidths_.find(sheet);
  return found == tabWidths_.end() ? 0 : found->second;
}

// ---------------------------------------------------------------- switching, adding, deleting

void SheetsGadget::ReturnFocusToView() {
  if (SheetGadget* active = container_.GetActiveView()) active->GetCanvas().Focus();
}

void SheetsGadget::Switch(Sheet* sheet) {
  Workbook& workbook = GetWorkbook();
  if (!sheet || workbook.IndexOfSheet(sheet) < 0) return;
  // The list of names belongs to the sheet's editor and place.
  if (FunctionSuggestions* suggestions = GetFunctionSuggestions()) suggestions->CloseSuggestions();
  // A formula being entered where a reference may follow points into the sheet instead.
  if (container_.PointIntoSheet(sheet)) {
    ScrollIntoView(sheet);
    return;
  }
  container_.CommitPendingEdits();
  workbook.SetActiveSheet(sheet);
  if (view_.GetSheet() != sheet) view_.SetSheet(sheet);
  ScrollIntoView(sheet);
}

void SheetsGadget::SelectNextSheet() {
  Workbook& workbook = GetWorkbook();
  Switch(workbook.GetSheet(workbook.IndexOfSheet(workbook.GetActiveSheet()) + 1));
}

void SheetsGadget::SelectPreviousSheet() {
  Workbook& workbook = GetWorkbook();
  int32_t index = workbook.IndexOfSheet(workbook.GetActiveSheet());
  if (index > 0) Switch(workbook.GetSheet(index - 1));
}

void SheetsGadget::AddSheet() {
  CancelRename();
  container_.CommitPendingEdits();
  Workbook& workbook = GetWorkbook();
  Sheet* sheet = workbook.AddSheet(NewSheetName(workbook));
  application_.AddAction(std::make_unique<AddSheetAction>(&workbook, sheet));
  workbook.SetActiveSheet(sheet);
  if (view_.GetSheet() != sheet) view_.SetSheet(sheet);
  Paint();
  // The new tab at the right end comes into sight.
  scrollOffset_ = -(tabsWidth_ - canvasWidth_);
  ClampScroll();
  Paint();
}

void SheetsGadget::DeleteSheet(Sheet* sheet) {
  Workbook& workbook = GetWorkbook();
  int32_t position = workbook.IndexOfSheet(sheet);
  if (position < 0 || workbook.GetSheetCount() < 2) return;
  if (renaming_ == sheet) CancelRename();
  container_.CommitPendingEdits();
  application_.AddAction(std::make_unique<RemoveSheetAction>(&workbook, sheet, position));
  workbook.RemoveSheet(sheet);
  if (view_.GetSheet() != workbook.GetActiveSheet()) view_.SetSheet(workbook.GetActiveSheet());
  Repaint();
}

void SheetsGadget::ChooseTabColour(Sheet* sheet) {
  if (!sheet || GetWorkbook().IndexOfSheet(sheet) < 0) return;
  std::optional<Colour> chosen = ChooseColour(&application_.GetWindow(), sheet->GetTabColor());
  // The sheet may have gone while the dialog was open.
  if (!chosen || *chosen == sheet->GetTabColor() || GetWorkbook().IndexOfSheet(sheet) < 0) return;
  application_.AddAction(std::make_unique<TabColorAction>(sheet, *chosen));
  sheet->SetTabColor(*chosen);
  Paint();
}

// ---------------------------------------------------------------- renaming

void SheetsGadget::StartRename(Sheet* sheet) {
  if (!sheet || GetWorkbook().IndexOfSheet(sheet) < 0) return;
  renaming_ = sheet;
  renameText_ = sheet->GetName();
  canvas_->Focus();
  Paint();
  ScrollIntoView(sheet);
}

void SheetsGadget::CancelRename() {
  if (!renaming_) return;
  renaming_ = nullptr;
  renameText_.clear();
  Paint();
}

void SheetsGadget::FinishRename() {
  if (!renaming_) return;
  // Renaming ends before any message, whose dialog takes the focus away.
  Sheet* sheet = renaming_;
  std::u16string name = std::move(renameText_);
  renaming_ = nullptr;
  renameText_.clear();
  Paint();
  ReturnFocusToView();
  if (name == sheet->GetName()) return;
  std::string_view problem = SheetNameProblem(GetWorkbook(), sheet, name);
  if (!problem.empty()) {
    ShowMessage(&application_.GetWindow(), Text("sheetName:title"), TextWithArgument(problem, name));
    return;
  }
  application_.AddAction(std::make_unique<RenameSheetAction>(sheet, name));
  sheet->SetName(name);
  Repaint();
}

void SheetsGadget::OnCharacter(char16_t character) {
  // Control characters never become part of a name.
  if (!renaming_ || character < 0x20 || (character >= 0x7F && character < 0xA0)) return;
  renameText_.push_back(character);
  Paint();
}

void SheetsGadget::OnKeyDown(int key) {
  // On key down, so that holding Backspace keeps deleting.
  if (key != kKeyBackspace || !renaming_ || renameText_.empty()) return;
  renameText_.pop_back();
  // Half of a surrogate pair is no character.
  if (!renameText_.empty() && renameText_.back() >= 0xD800 && renameText_.back() <= 0xDBFF) renameText_.pop_back();
  Paint();
}

void SheetsGadget::OnKeyUp(int key) {
  if (!renaming_) return;
  if (key == kKeyEscape) {
    CancelRename();
    ReturnFocusToView();
  } else if (key == kKeyReturn) {
    FinishRename();
  }
}

void SheetsGadget::OnFocusLost() {
  // Another window taking the keyboard for a while (a popup closing, another
  // program) hands the focus back later; only another control ends renaming.
  if (canvas_->IsInActiveWindow()) CancelRename();
}

// ---------------------------------------------------------------- mouse

void SheetsGadget::OnClick(int x, int) {
  Sheet* sheet = TabAt(x);
  if (!sheet || sheet == renaming_) return;
  bool wasRenaming = renaming_ != nullptr;
  CancelRename();
  Switch(sheet);
  if (wasRenaming) ReturnFocusToView();
}

void SheetsGadget::OnLeftDoubleClick(int x, int) {
  if (Sheet* sheet = TabAt(x)) StartRename(sheet);
}

void SheetsGadget::OnRightClick(int x, int y) {
  Sheet* sheet = TabAt(x);
  if (!sheet) return;
  Rect screen = canvas_->ScreenRect();
  ShowPopupMenu(application_.GetWindow(), TabMenu(), this, reinterpret_cast<intptr_t>(sheet),
                Point{screen.x + x, screen.y + y});
}

}  // namespace quadrell
