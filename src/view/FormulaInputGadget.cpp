#include "view/FormulaInputGadget.h"

#include <algorithm>

#include "formula/FormulaValue.h"
#include "model/Font.h"
#include "model/Range.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "platform/Desktop.h"
#include "platform/FontBackend.h"
#include "platform/Keys.h"
#include "value/Unicode.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"

namespace quadrell {

namespace {

constexpr Colour kSelection = 0xFF8080;  // #8080FF
constexpr size_t kUndoDepth = 500;

// Control characters (C0, DEL and C1) never become part of the text.
bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

// The letters and digits a double click selects, as WordAtPosition counts them.
bool IsWordCharacter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c > 0xA0;
}

// Clipboard text as one line: a trailing line break goes, other control characters become spaces.
std::u16string OneLine(std::u16string text) {
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) text.pop_back();
  for (char16_t& c : text) {
    if (IsControl(c)) c = u' ';
  }
  return text;
}

}  // namespace

FormulaInputGadget::FormulaInputGadget(ControlParent& parent, const Rect& bounds, SheetContainer& container,
                                       Application& application)
    : container_(container),
      application_(application),
      canvas_(CreateCanvasControl(parent, bounds, *this, CanvasOptions{.takesFocus = true})),
      font_(GetFont(u"Arial", 12, 0)->platformFont.get()) {
  Paint();
}

FormulaInputGadget::~FormulaInputGadget() = default;

void FormulaInputGadget::SetBounds(const Rect& bounds) {
  canvas_->SetBounds(bounds);
  ScrollToCaret();
  Paint();
}

void FormulaInputGadget::SetText(std::u16string_view text) {
  StopPointing();
  text_ = text;
  caret_ = anchor_ = static_cast<int>(text_.size());
  undo_.clear();
  redo_.clear();
  // Not being edited, a long text shows from its start.
  if (focused_) {
    ScrollToCaret();
  } else {
    scroll_ = 0;
  }
  Paint();
}

bool FormulaInputGadget::HasFocus() const { return canvas_->HasFocus(); }

void FormulaInputGadget::ToggleCaret() {
  caretOn_ = !caretOn_;
  if (focused_) Paint();
}

// ---------------------------------------------------------------- measuring

int FormulaInputGadget::TextWidth(int characters) const {
  characters = std::clamp(characters, 0, static_cast<int>(text_.size()));
  return font_->TextWidth(std::u16string_view(text_).substr(0, static_cast<size_t>(characters)));
}

int FormulaInputGadget::CaretX(int position) const { return kMargin + TextWidth(position) - scroll_; }

int FormulaInputGadget::PositionAt(int x) const {
  const int length = static_cast<int>(text_.size());
  int tx = x - kMargin + scroll_;
  if (tx <= 0 || length == 0) return 0;
  if (tx >= TextWidth(length)) return length;
  // The character under the pointer by bisection, then the nearer of its edges.
  int low = 0, high = length;
  while (high - low > 1) {
    int middle = (low + high) / 2;
    if (tx < TextWidth(middle)) {
      high = middle;
    } else {
      low = middle;
    }
  }
  int left = TextWidth(low), right = TextWidth(low + 1);
  int position = tx - left > (right - left) / 2 ? low + 1 : low;
  // Never between the two halves of a character outside the basic plane.
  if (position > 0 && position < length && IsLowSurrogate(text_[static_cast<size_t>(position)]) &&
      IsHighSurrogate(text_[static_cast<size_t>(position) - 1])) {
    --position;
  }
  return position;
}

void FormulaInputGadget::ScrollToCaret() {
  int visible = canvas_->Surface().Width() - 2 * kMargin;
  if (visible <= 1) {
    scroll_ = 0;
    return;
  }
  int caretX = TextWidth(caret_);
  if (caretX - scroll_ > visible - 1) scroll_ = caretX - visible + 1;
  if (caretX < scroll_) scroll_ = std::max(0, caretX - visible / 4);
  // No empty space is left at the right while the text could fill it.
  scroll_ = std::clamp(scroll_, 0, std::max(0, TextWidth(static_cast<int>(text_.size())) - visible + 1));
}

// ---------------------------------------------------------------- painting

void FormulaInputGadget::Paint() {
  Canvas& c = canvas_->Surface();
  const int width = c.Width(), height = c.Height();
  c.ClearClip();
  c.FillBox(0, 0, width, height, kWhite);
  c.SetFont(*font_);
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetTextColour(kBlack);
  if (HasSelection()) {
    int x1 = CaretX(std::min(anchor_, caret_)), x2 = CaretX(std::max(anchor_, caret_));
    c.FillBox(x1, kMargin, x2 - x1, kLineHeight, kSelection);
  }
  c.DrawText(kMargin - scroll_, kMargin, text_);
  if (focused_ && caretOn_) c.FillBox(CaretX(caret_), kMargin, 1, kLineHeight, kBlack);
}

// ---------------------------------------------------------------- editing

void FormulaInputGadget::Remember() {
  undo_.push_back(Snapshot{text_, caret_, anchor_});
  if (undo_.size() > kUndoDepth) undo_.erase(undo_.begin());
  redo_.clear();
}

bool FormulaInputGadget::DeleteSelection() {
  if (!HasSelection()) return false;
  int from = std::min(anchor_, caret_), to = std::max(anchor_, caret_);
  text_.erase(static_cast<size_t>(from), static_cast<size_t>(to - from));
  caret_ = anchor_ = from;
  return true;
}

void FormulaInputGadget::ReplaceSelection(std::u16string_view text) {
  if (text.empty() && !HasSelection()) return;
  Remember();
  DeleteSelection();
  text_.insert(static_cast<size_t>(caret_), text);
  caret_ += static_cast<int>(text.size());
  anchor_ = caret_;
  TextChanged();
}

void FormulaInputGadget::DeleteCharacter(bool forward) {
  if (HasSelection()) {
    Remember();
    DeleteSelection();
    TextChanged();
    return;
  }
  const int length = static_cast<int>(text_.size());
  int from = caret_, to = caret_;
  if (forward) {
    if (caret_ >= length) return;
    to = caret_ + 1;
    if (to < length && IsHighSurrogate(text_[static_cast<size_t>(caret_)]) &&
        IsLowSurrogate(text_[static_cast<size_t>(to)])) {
      ++to;
    }
  } else {
    if (caret_ <= 0) return;
    from = caret_ - 1;
    if (from > 0 && IsLowSurrogate(text_[static_cast<size_t>(from)]) &&
        IsHighSurrogate(text_[static_cast<size_t>(from) - 1])) {
      --from;
    }
  }
  Remember();
  text_.erase(static_cast<size_t>(from), static_cast<size_t>(to - from));
  caret_ = anchor_ = from;
  TextChanged();
}

void FormulaInputGadget::TextChanged() {
  caretOn_ = true;
  ShowSuggestions();
  UpdatePointing();
  ScrollToCaret();
  Paint();
  container_.FormulaBarChanged();
}

void FormulaInputGadget::MoveCaret(int position, bool extend) {
  caret_ = std::clamp(position, 0, static_cast<int>(text_.size()));
  if (!extend) anchor_ = caret_;
  caretOn_ = true;
  ScrollToCaret();
  Paint();
}

void FormulaInputGadget::ShowSuggestions() {
  FunctionSuggestions* suggestions = GetFunctionSuggestions();
  if (!suggestions) return;
  Rect screen = canvas_->ScreenRect();
  suggestions->ShowSuggestions(WordAtPosition(text_, caret_), screen.x, screen.Bottom(), application_);
}

void FormulaInputGadget::InsertSuggestion(std::u16string_view name) {
  if (text_.empty() || text_[0] != u'=') return;
  // The word around the caret, exactly as the suggestions were looked up.
  size_t before = WordAtPosition(std::u16string_view(text_).substr(0, static_cast<size_t>(caret_)), caret_).size();
  size_t start = static_cast<size_t>(caret_) - before;
  size_t end = start + WordAtPosition(text_, caret_).size();
  // A parenthesis already there is kept, not doubled.
  bool open = end < text_.size() && text_[end] == u'(';
  Remember();
  std::u16string replaced = std::u16string(name) + (open ? u"" : u"(");
  text_.replace(start, end - start, replaced);
  caret_ = anchor_ = static_cast<int>(start + std::u16string_view(name).size() + 1);
  TextChanged();
}

// ---------------------------------------------------------------- pointing

void FormulaInputGadget::UpdatePointing() {
  SheetGadget* view = container_.GetActiveView();
  if (view && IsOperandPosition(text_, caret_)) {
    if (pickView_ && pickView_ != view) StopPointing();
    view->StartRangePick(&FormulaInputGadget::ReferencePicked, this);
    pickView_ = view;
    pointing_ = true;
  } else {
    StopPointing();
  }
}

void FormulaInputGadget::StopPointing() {
  pointing_ = false;
  if (!pickView_) return;
  // A view that the container no longer has (the split was ended) is not called.
  for (const auto& view : container_.GetViews()) {
    if (view.get() == pickView_) view->StartRangePick(nullptr, nullptr);
  }
  pickView_ = nullptr;
  lastReference_.clear();
}

void FormulaInputGadget::ReferencePicked(void* bar, const Range* range, int done) {
  static_cast<FormulaInputGadget*>(bar)->Picked(range, done != 0);
}

void FormulaInputGadget::Picked(const Range* range, bool done) {
  if (!pointing_) return;
  if (!done) {
    if (!range) return;
    // One undo step for the whole drag: the state before its first reference.
    if (lastReference_.empty()) Remember();
    lastReference_.clear();
    // A cell of another sheet than the edited cell's is named with its sheet.
    Sheet* home = container_.GetFormulaBarSheet();
    Sheet* shown = pickView_ ? pickView_->GetSheet() : nullptr;
    if (home && shown && shown != home) {
      AppendSheetName(lastReference_, shown->GetName());
      lastReference_ += u'!';
    }
    lastReference_ += range->ToString();
    DeleteSelection();
    int start = caret_;
    text_.insert(static_cast<size_t>(caret_), lastReference_);
    anchor_ = start;
    caret_ = start + static_cast<int>(lastReference_.size());
  } else {
    // The view has already ended its picking.
    pointing_ = false;
    pickView_ = nullptr;
    DeleteSelection();
    text_.insert(static_cast<size_t>(caret_), lastReference_);
    caret_ += static_cast<int>(lastReference_.size());
    anchor_ = caret_;
    lastReference_.clear();
    canvas_->Focus();
  }
  caretOn_ = true;
  ScrollToCaret();
  Paint();
  container_.FormulaBarChanged();
}

bool FormulaInputGadget::HandleEnterKey(int key) {
  if (key == kKeyTab || key == kKeyReturn) {
    FunctionSuggestions* suggestions = GetFunctionSuggestions();
    std::u16string name = suggestions ? suggestions->ChosenSuggestion() : std::u16string();
    if (!name.empty()) {
      InsertSuggestion(name);
      return true;
    }
  }
  StopPointing();
  return false;
}

// ---------------------------------------------------------------- commands

bool FormulaInputGadget::HandleCommand(BarCommand command) {
  switch (command) {
    case BarCommand::Delete:
      DeleteCharacter(true);
      break;
    case BarCommand::SelectAll:
      anchor_ = 0;
      MoveCaret(static_cast<int>(text_.size()), true);
      break;
    case BarCommand::Copy:
    case BarCommand::Cut:
      if (!HasSelection()) break;
      SetClipboardText(std::u16string_view(text_).substr(static_cast<size_t>(std::min(anchor_, caret_)),
                                                         static_cast<size_t>(std::abs(anchor_ - caret_))));
      if (command == BarCommand::Cut) DeleteCharacter(true);
      break;
    case BarCommand::Paste:
      ReplaceSelection(OneLine(ClipboardText()));
      break;
    case BarCommand::Undo:
    case BarCommand::Redo: {
      std::vector<Snapshot>& from = command == BarCommand::Undo ? undo_ : redo_;
      std::vector<Snapshot>& to = command == BarCommand::Undo ? redo_ : undo_;
      if (from.empty()) break;
      to.push_back(Snapshot{text_, caret_, anchor_});
      Snapshot back = std::move(from.back());
      from.pop_back();
      text_ = std::move(back.text);
      caret_ = back.caret;
      anchor_ = back.anchor;
      TextChanged();
      break;
    }
  }
  return true;
}

void FormulaInputGadget::Escape() {
  FunctionSuggestions* suggestions = GetFunctionSuggestions();
  if (suggestions && suggestions->IsSuggesting()) {
    suggestions->CloseSuggestions();
    return;
  }
  StopPointing();
  container_.CancelFormulaBar();
}

// ---------------------------------------------------------------- events

void FormulaInputGadget::OnCharacter(char16_t character) {
  if (IsControl(character)) return;
  ReplaceSelection(std::u16string_view(&character, 1));
}

void FormulaInputGadget::OnKeyDown(int key) {
  FunctionSuggestions* suggestions = GetFunctionSuggestions();
  const int length = static_cast<int>(text_.size());
  switch (key) {
    case kKeyBackspace:
      DeleteCharacter(false);
      break;
    case kKeyDelete:
      DeleteCharacter(true);
      break;
    case kKeyLeft: {
      int to = caret_ - 1;
      if (to > 0 && IsLowSurrogate(text_[static_cast<size_t>(to)]) && IsHighSurrogate(text_[static_cast<size_t>(to) - 1])) --to;
      MoveCaret(std::max(to, 0), shiftDown_);
      break;
    }
    case kKeyRight: {
      int to = caret_ + 1;
      if (to < length && IsLowSurrogate(text_[static_cast<size_t>(to)]) && IsHighSurrogate(text_[static_cast<size_t>(to) - 1])) ++to;
      MoveCaret(std::min(to, length), shiftDown_);
      break;
    }
    case kKeyHome:
    case kKeyEnd:
      if (suggestions) suggestions->CloseSuggestions();
      MoveCaret(key == kKeyHome ? 0 : length, shiftDown_);
      break;
    case kKeyDown:
      if (suggestions) suggestions->SelectNextSuggestion();
      break;
    case kKeyUp:
      if (suggestions) suggestions->SelectPreviousSuggestion();
      break;
    case kKeyShift:
      shiftDown_ = true;
      break;
    case kKeyEscape:
      Escape();
      break;
    default:
      break;
  }
}

void FormulaInputGadget::OnKeyUp(int key) {
  if (key == kKeyShift) shiftDown_ = false;
}

void FormulaInputGadget::OnLeftDown(int x, int) {
  focused_ = true;
  if (FunctionSuggestions* suggestions = GetFunctionSuggestions()) suggestions->CloseSuggestions();
  dragging_ = true;
  MoveCaret(PositionAt(x), shiftDown_);
}

void FormulaInputGadget::OnMouseMove(int x, int) {
  if (dragging_) MoveCaret(PositionAt(x), true);
}

void FormulaInputGadget::OnLeftUp(int x, int) {
  if (!dragging_) return;
  dragging_ = false;
  MoveCaret(PositionAt(x), true);
}

void FormulaInputGadget::OnLeftDoubleClick(int x, int) {
  int at = PositionAt(x);
  int from = at, to = at;
  while (from > 0 && IsWordCharacter(text_[static_cast<size_t>(from) - 1])) --from;
  while (to < static_cast<int>(text_.size()) && IsWordCharacter(text_[static_cast<size_t>(to)])) ++to;
  anchor_ = from;
  MoveCaret(to, true);
}

void FormulaInputGadget::OnFocus() {
  focused_ = true;
  caretOn_ = true;
  container_.FormulaBarFocused();
  Paint();
}

void FormulaInputGadget::OnFocusLost() {
  dragging_ = false;
  // While a range is picked in the grid, the bar stays as it is.
  if (pointing_) return;
  focused_ = false;
  shiftDown_ = false;
  if (FunctionSuggestions* suggestions = GetFunctionSuggestions()) suggestions->CloseSuggestions();
  Paint();
  container_.CommitFormulaBar();
}

}  // namespace quadrell
