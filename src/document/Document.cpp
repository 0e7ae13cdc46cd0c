#include "document/Document.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "platform/Keys.h"

namespace quadrell {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\v'; }

ParagraphCopy CopyOf(const Paragraph& paragraph) {
  return ParagraphCopy{paragraph.Text(), paragraph.Spans(), paragraph.MarkStyle()};
}

std::unique_ptr<Paragraph> FromCopy(const ParagraphCopy& copy) {
  auto paragraph = std::make_unique<Paragraph>(copy.markStyle);
  int32_t position = 0;
  for (const StyleSpan& span : copy.spans) {
    paragraph->Append(std::u16string_view(copy.text).substr(static_cast<size_t>(position),
                                                            static_cast<size_t>(span.length)),
                      span.style);
    position += span.length;
  }
  return paragraph;
}

// The text split into lines at CR LF, CR and LF; control characters other
// than tab dropped.
std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r' || c == u'\n' || c == 0x2029) {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      lines.emplace_back();
    } else if (c == u'\t' || c == u'\v' || (c >= 0x20 && c != 0x7F)) {
      lines.back().push_back(c == 0x2028 ? u'\v' : c);
    }
  }
  return lines;
}

}  // namespace

// ---------------------------------------------------------------------------
// Undo

DocumentEditAction::~DocumentEditAction() {
  if (document_ && document_->lastTyping_ == this) document_->lastTyping_ = nullptr;
}

void DocumentEditAction::Undo() {
  document_->ReplaceParagraphs(first_, static_cast<int32_t>(after_.size()), before_);
  document_->caret_ = caretBefore_;
  document_->anchor_ = anchorBefore_;
}

void DocumentEditAction::Redo() {
  document_->ReplaceParagraphs(first_, static_cast<int32_t>(before_.size()), after_);
  document_->caret_ = caretAfter_;
  document_->anchor_ = anchorAfter_;
}

// ---------------------------------------------------------------------------
// Building

Document::Document() { paragraphs_.push_back(std::make_unique<Paragraph>()); }

Document::~Document() = default;

Paragraph& Document::AddParagraph(const StyleRecord* markStyle) {
  paragraphs_.push_back(std::make_unique<Paragraph>(markStyle));
  return *paragraphs_.back();
}

void Document::TrimEmptyEnd() {
  if (paragraphs_.size() > 1 && paragraphs_.back()->Length() == 0) paragraphs_.pop_back();
  caret_ = anchor_ = Clamp(caret_);
  firstChanged_ = 0;
}

// ---------------------------------------------------------------------------
// Caret and selection

DocumentPosition Document::Clamp(DocumentPosition position) const {
  position.paragraph = std::clamp(position.paragraph, 0, ParagraphCount() - 1);
  const std::u16string& text = GetParagraph(position.paragraph).Text();
  position.offset = std::clamp(position.offset, 0, static_cast<int32_t>(text.size()));
  auto o = static_cast<size_t>(position.offset);
  if (o > 0 && o < text.size() && IsLowSurrogate(text[o]) && IsHighSurrogate(text[o - 1])) --position.offset;
  return position;
}

void Document::SetCaret(DocumentPosition position, bool extend) {
  caret_ = Clamp(position);
  if (!extend) anchor_ = caret_;
  typingStyle_ = nullptr;
  lastTyping_ = nullptr;
}

void Document::SelectAll() {
  anchor_ = {0, 0};
  caret_ = {ParagraphCount() - 1, paragraphs_.back()->Length()};
  typingStyle_ = nullptr;
  lastTyping_ = nullptr;
}

std::u16string Document::SelectedText() const {
  DocumentPosition start = SelectionStart(), end = SelectionEnd();
  std::u16string text;
  for (int32_t p = start.paragraph; p <= end.paragraph; ++p) {
    const std::u16string& t = GetParagraph(p).Text();
    size_t from = p == start.paragraph ? static_cast<size_t>(start.offset) : 0;
    size_t to = p == end.paragraph ? static_cast<size_t>(end.offset) : t.size();
    if (p > start.paragraph) text += u'\n';
    text.append(t, from, to - from);
  }
  std::replace(text.begin(), text.end(), u'\v', u'\n');
  return text;
}

const StyleRecord* Document::TypingStyle() const {
  if (typingStyle_) return typingStyle_;
  return GetParagraph(caret_.paragraph).StyleAt(caret_.offset);
}

const StyleRecord* Document::SelectionStyle() const {
  if (!HasSelection()) return TypingStyle();
  DocumentPosition start = SelectionStart();
  const Paragraph& paragraph = GetParagraph(start.paragraph);
  if (start.offset >= paragraph.Length()) return paragraph.MarkStyle();
  return paragraph.StyleAt(NextCharacter(paragraph.Text(), start.offset));
}

// ---------------------------------------------------------------------------
// Editing

std::unique_ptr<DocumentEditAction> Document::BeginEdit(int32_t first, int32_t last, bool typing) {
  auto action = std::make_unique<DocumentEditAction>();
  action->first_ = first;
  for (int32_t p = first; p <= last; ++p) action->before_.push_back(CopyOf(GetParagraph(p)));
  action->caretBefore_ = caret_;
  action->anchorBefore_ = anchor_;
  action->typing_ = typing;
  return action;
}

void Document::EndEdit(std::unique_ptr<DocumentEditAction> action, int32_t count) {
  int32_t first = action->first_;
  for (int32_t p = first; p < first + count; ++p) action->after_.push_back(CopyOf(GetParagraph(p)));
  anchor_ = caret_ = Clamp(caret_);
  action->caretAfter_ = caret_;
  action->anchorAfter_ = anchor_;
  bool joined = false;
  if (action->typing_ && lastTyping_ && lastTypingRevision_ == revision_ && lastTyping_->first_ == first &&
      lastTyping_->after_.size() == 1 && action->before_.size() == 1 && count == 1 &&
      lastTyping_->caretAfter_ == action->caretBefore_) {
    lastTyping_->after_ = std::move(action->after_);
    lastTyping_->caretAfter_ = caret_;
    lastTyping_->anchorAfter_ = anchor_;
    joined = true;
  }
  ++revision_;
  Changed(first);
  if (joined) {
    lastTypingRevision_ = revision_;
    return;
  }
  lastTyping_ = nullptr;
  if (!sink_) return;
  action->document_ = this;
  if (action->typing_) {
    lastTyping_ = action.get();
    lastTypingRevision_ = revision_;
  }
  sink_(std::move(action));
}

void Document::ReplaceParagraphs(int32_t first, int32_t oldCount, const std::vector<ParagraphCopy>& copies) {
  auto at = paragraphs_.begin() + first;
  paragraphs_.erase(at, at + oldCount);
  std::vector<std::unique_ptr<Paragraph>> made;
  for (const ParagraphCopy& copy : copies) made.push_back(FromCopy(copy));
  paragraphs_.insert(paragraphs_.begin() + first, std::make_move_iterator(made.begin()),
                     std::make_move_iterator(made.end()));
  if (paragraphs_.empty()) paragraphs_.push_back(std::make_unique<Paragraph>());
  ++revision_;
  lastTyping_ = nullptr;
  typingStyle_ = nullptr;
  goalX_ = -1;
  Changed(first);
}

void Document::Changed(int32_t paragraph) { firstChanged_ = std::min(firstChanged_, std::max(paragraph, 0)); }

void Document::RemoveSelected() {
  DocumentPosition start = SelectionStart(), end = SelectionEnd();
  if (start == end) return;
  Paragraph& first = GetParagraph(start.paragraph);
  if (start.paragraph == end.paragraph) {
    first.Erase(start.offset, end.offset);
  } else {
    Paragraph& last = GetParagraph(end.paragraph);
    last.Erase(0, end.offset);
    first.Erase(start.offset, first.Length());
    first.Join(last);
    paragraphs_.erase(paragraphs_.begin() + start.paragraph + 1, paragraphs_.begin() + end.paragraph + 1);
  }
  caret_ = anchor_ = start;
}

void Document::InsertText(std::u16string_view text) {
  std::vector<std::u16string> lines = SplitLines(text);
  bool nothing = lines.size() == 1 && lines[0].empty();
  if (nothing && !HasSelection()) return;
  const StyleRecord* style = SelectionStyle();
  bool typing = !HasSelection() && lines.size() == 1 && lines[0].size() <= 2;
  DocumentPosition start = SelectionStart(), end = SelectionEnd();
  auto action = BeginEdit(start.paragraph, end.paragraph, typing);
  RemoveSelected();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      std::unique_ptr<Paragraph> tail = GetParagraph(caret_.paragraph).SplitAt(caret_.offset);
      paragraphs_.insert(paragraphs_.begin() + caret_.paragraph + 1, std::move(tail));
      caret_ = {caret_.paragraph + 1, 0};
    }
    GetParagraph(caret_.paragraph).Insert(caret_.offset, lines[i], style);
    caret_.offset += static_cast<int32_t>(lines[i].size());
  }
  typingStyle_ = nullptr;
  goalX_ = -1;
  EndEdit(std::move(action), static_cast<int32_t>(lines.size()));
}

void Document::TypeCharacter(char16_t c) {
  if (c < 0x20 && c != u'\t') return;
  if (c == 0x7F) return;
  std::u16string_view text(&c, 1);
  InsertText(text);
  // A word ends with the space after it: the next word is an undo step of its own.
  if (c == u' ') lastTyping_ = nullptr;
}

void Document::Enter() {
  const StyleRecord* style = typingStyle_;
  DocumentPosition start = SelectionStart(), end = SelectionEnd();
  auto action = BeginEdit(start.paragraph, end.paragraph);
  RemoveSelected();
  std::unique_ptr<Paragraph> tail = GetParagraph(caret_.paragraph).SplitAt(caret_.offset);
  if (style && tail->Length() == 0) tail->SetMarkStyle(style);
  paragraphs_.insert(paragraphs_.begin() + caret_.paragraph + 1, std::move(tail));
  caret_ = {caret_.paragraph + 1, 0};
  typingStyle_ = style;
  goalX_ = -1;
  EndEdit(std::move(action), 2);
  typingStyle_ = style;
}

void Document::DeleteSelection() {
  if (!HasSelection()) return;
  DocumentPosition start = SelectionStart(), end = SelectionEnd();
  auto action = BeginEdit(start.paragraph, end.paragraph);
  RemoveSelected();
  goalX_ = -1;
  EndEdit(std::move(action), 1);
}

void Document::Backspace() {
  if (HasSelection()) return DeleteSelection();
  if (caret_.offset > 0) {
    auto action = BeginEdit(caret_.paragraph, caret_.paragraph);
    Paragraph& paragraph = GetParagraph(caret_.paragraph);
    int32_t from = PreviousCharacter(paragraph.Text(), caret_.offset);
    paragraph.Erase(from, caret_.offset);
    caret_.offset = from;
    goalX_ = -1;
    EndEdit(std::move(action), 1);
  } else if (caret_.paragraph > 0) {
    // The paragraph joins the one before; the caret stands at the join.
    auto action = BeginEdit(caret_.paragraph - 1, caret_.paragraph);
    Paragraph& previous = GetParagraph(caret_.paragraph - 1);
    int32_t join = previous.Length();
    previous.Join(GetParagraph(caret_.paragraph));
    paragraphs_.erase(paragraphs_.begin() + caret_.paragraph);
    caret_ = {caret_.paragraph - 1, join};
    goalX_ = -1;
    EndEdit(std::move(action), 1);
  }
}

void Document::DeleteForward() {
  if (HasSelection()) return DeleteSelection();
  Paragraph& paragraph = GetParagraph(caret_.paragraph);
  if (caret_.offset < paragraph.Length()) {
    auto action = BeginEdit(caret_.paragraph, caret_.paragraph);
    paragraph.Erase(caret_.offset, NextCharacter(paragraph.Text(), caret_.offset));
    goalX_ = -1;
    EndEdit(std::move(action), 1);
  } else if (caret_.paragraph + 1 < ParagraphCount()) {
    auto action = BeginEdit(caret_.paragraph, caret_.paragraph + 1);
    paragraph.Join(GetParagraph(caret_.paragraph + 1));
    paragraphs_.erase(paragraphs_.begin() + caret_.paragraph + 1);
    goalX_ = -1;
    EndEdit(std::move(action), 1);
  }
}

void Document::ApplyStyle(const std::function<void(StyleRecord&)>& setter) {
  if (!HasSelection()) {
    StyleRecord style = *TypingStyle();
    setter(style);
    typingStyle_ = InternStyle(style);
    // An empty paragraph shows the new size at once.
    Paragraph& paragraph = GetParagraph(caret_.paragraph);
    if (paragraph.Length() == 0) {
      const StyleRecord* chosen = typingStyle_;
      auto action = BeginEdit(caret_.paragraph, caret_.paragraph);
      paragraph.SetMarkStyle(chosen);
      EndEdit(std::move(action), 1);
      typingStyle_ = chosen;
    }
    return;
  }
  DocumentPosition start = SelectionStart(), end = SelectionEnd(), caret = caret_, anchor = anchor_;
  auto action = BeginEdit(start.paragraph, end.paragraph);
  for (int32_t p = start.paragraph; p <= end.paragraph; ++p) {
    Paragraph& paragraph = GetParagraph(p);
    int32_t from = p == start.paragraph ? start.offset : 0;
    int32_t to = p == end.paragraph ? end.offset : paragraph.Length();
    paragraph.ChangeStyles(from, to, setter);
  }
  // The selection stays for the next change.
  EndEdit(std::move(action), end.paragraph - start.paragraph + 1);
  caret_ = caret;
  anchor_ = anchor;
}

// ---------------------------------------------------------------------------
// Caret movement

void Document::MoveCaret(int key, bool control, bool extend) {
  Layout();
  DocumentPosition position = caret_;
  const Paragraph* paragraph = &GetParagraph(position.paragraph);
  std::u16string_view text(paragraph->Text());
  bool keepGoal = key == kKeyUp || key == kKeyDown || key == kKeyPageUp || key == kKeyPageDown;
  if (!keepGoal) goalX_ = -1;
  // Without Shift, Left and Right end a selection at its side.
  if (HasSelection() && !extend && !control && (key == kKeyLeft || key == kKeyRight)) {
    SetCaret(key == kKeyLeft ? SelectionStart() : SelectionEnd());
    return;
  }
  switch (key) {
    case kKeyLeft:
      if (position.offset == 0) {
        if (position.paragraph > 0) position = {position.paragraph - 1, GetParagraph(position.paragraph - 1).Length()};
      } else if (control) {
        auto o = static_cast<size_t>(position.offset);
        while (o > 0 && IsBlank(text[o - 1])) --o;
        while (o > 0 && !IsBlank(text[o - 1])) --o;
        position.offset = static_cast<int32_t>(o);
      } else {
        position.offset = PreviousCharacter(text, position.offset);
      }
      break;
    case kKeyRight:
      if (position.offset >= paragraph->Length()) {
        if (position.paragraph + 1 < ParagraphCount()) position = {position.paragraph + 1, 0};
      } else if (control) {
        auto o = static_cast<size_t>(position.offset);
        while (o < text.size() && !IsBlank(text[o])) ++o;
        while (o < text.size() && IsBlank(text[o])) ++o;
        position.offset = static_cast<int32_t>(o);
      } else {
        position.offset = NextCharacter(text, position.offset);
      }
      break;
    case kKeyHome:
      if (control) {
        position = {0, 0};
      } else {
        position.offset = paragraph->Lines()[static_cast<size_t>(paragraph->LineOf(position.offset))].start;
      }
      break;
    case kKeyEnd:
      if (control) {
        position = {ParagraphCount() - 1, paragraphs_.back()->Length()};
      } else {
        int32_t line = paragraph->LineOf(position.offset);
        position.offset = paragraph->OffsetAt(line, INT32_MAX / 2);
      }
      break;
    case kKeyUp:
    case kKeyDown: {
      if (goalX_ < 0) goalX_ = paragraph->XOf(position.offset);
      int32_t line = paragraph->LineOf(position.offset);
      int32_t lines = static_cast<int32_t>(paragraph->Lines().size());
      if (key == kKeyUp) {
        if (line > 0) {
          position.offset = paragraph->OffsetAt(line - 1, goalX_);
        } else if (position.paragraph > 0) {
          const Paragraph& above = GetParagraph(position.paragraph - 1);
          position = {position.paragraph - 1,
                      above.OffsetAt(static_cast<int32_t>(above.Lines().size()) - 1, goalX_)};
        } else {
          position.offset = 0;
        }
      } else {
        if (line + 1 < lines) {
          position.offset = paragraph->OffsetAt(line + 1, goalX_);
        } else if (position.paragraph + 1 < ParagraphCount()) {
          position = {position.paragraph + 1, GetParagraph(position.paragraph + 1).OffsetAt(0, goalX_)};
        } else {
          position.offset = paragraph->Length();
        }
      }
      break;
    }
    case kKeyPageUp:
    case kKeyPageDown: {
      CaretPlace place = PlaceOf(position);
      if (goalX_ < 0) goalX_ = place.x;
      int32_t step = Page::BottomEdge() - Page::TopEdge();
      int64_t y = int64_t{place.page} * Page::HeightPx() + place.top + place.height / 2;
      y += key == kKeyPageDown ? step : -step;
      int32_t lastPage = static_cast<int32_t>(pages_.size()) - 1;
      int64_t limit = int64_t{lastPage + 1} * Page::HeightPx() - 1;
      y = std::clamp<int64_t>(y, 0, limit);
      int32_t goal = goalX_;
      SetCaretFromPoint(static_cast<int32_t>(y / Page::HeightPx()), goal + Page::LeftEdge(),
                        static_cast<int32_t>(y % Page::HeightPx()), extend);
      goalX_ = goal;
      return;
    }
    default:
      return;
  }
  int32_t goal = goalX_;
  SetCaret(position, extend);
  goalX_ = goal;
}

void Document::SetCaretFromPoint(int32_t page, int32_t x, int32_t y, bool extend) {
  Layout();
  goalX_ = -1;
  page = std::clamp(page, 0, static_cast<int32_t>(pages_.size()) - 1);
  const std::vector<PlacedLine>& lines = pages_[static_cast<size_t>(page)].Lines();
  if (lines.empty()) return;
  const PlacedLine* hit = &lines.back();
  for (const PlacedLine& placed : lines) {
    const LineRecord& line =
        GetParagraph(placed.paragraph).Lines()[static_cast<size_t>(placed.line)];
    if (y < placed.y + line.height) {
      hit = &placed;
      break;
    }
  }
  const Paragraph& paragraph = GetParagraph(hit->paragraph);
  int32_t column = std::clamp(x - Page::LeftEdge(), 0, Page::TextWidth());
  SetCaret({hit->paragraph, paragraph.OffsetAt(hit->line, column)}, extend);
}

// ---------------------------------------------------------------------------
// Layout

void Document::Layout() {
  int32_t width = Page::TextWidth();
  for (size_t p = 0; p < paragraphs_.size(); ++p) {
    if (paragraphs_[p]->NeedsLayout(width)) {
      paragraphs_[p]->Layout(width);
      firstChanged_ = std::min(firstChanged_, static_cast<int32_t>(p));
    }
  }
  if (firstChanged_ == INT_MAX) return;
  auto first = static_cast<size_t>(std::min(firstChanged_, ParagraphCount()));
  firstChanged_ = INT_MAX;
  placements_.resize(paragraphs_.size());
  // Continue where the paragraph before the first changed one ended.
  int32_t pageIndex = 0;
  int32_t y = Page::TopEdge();
  if (first > 0 && !placements_[first - 1].empty()) {
    const Placement& last = placements_[first - 1].back();
    const LineRecord& line = paragraphs_[first - 1]->Lines().back();
    pageIndex = last.page;
    y = last.y + line.height;
    pages_.resize(static_cast<size_t>(pageIndex) + 1);
    std::vector<PlacedLine>& kept = pages_.back().MutableLines();
    while (!kept.empty() && kept.back().paragraph >= static_cast<int32_t>(first)) kept.pop_back();
  } else {
    first = 0;
    pages_.assign(1, Page());
  }
  int32_t bottom = Page::BottomEdge();
  for (size_t p = first; p < paragraphs_.size(); ++p) {
    const std::vector<LineRecord>& lines = paragraphs_[p]->Lines();
    std::vector<Placement>& placed = placements_[p];
    placed.clear();
    for (size_t l = 0; l < lines.size(); ++l) {
      int32_t height = lines[l].height;
      // A line that reaches the bottom edge goes to the next page; a line
      // taller than a page stands alone on one, clipped.
      if (y + height >= bottom && !pages_.back().Lines().empty()) {
        pages_.emplace_back();
        ++pageIndex;
        y = Page::TopEdge();
      }
      pages_.back().MutableLines().push_back(
          PlacedLine{static_cast<int32_t>(p), static_cast<int32_t>(l), y});
      placed.push_back(Placement{pageIndex, y});
      y += height;
    }
  }
}

Document::CaretPlace Document::PlaceOf(DocumentPosition position) const {
  position = Clamp(position);
  CaretPlace place;
  const Paragraph& paragraph = GetParagraph(position.paragraph);
  if (static_cast<size_t>(position.paragraph) >= placements_.size() || paragraph.Lines().empty()) return place;
  const std::vector<Placement>& placed = placements_[static_cast<size_t>(position.paragraph)];
  auto line = static_cast<size_t>(paragraph.LineOf(position.offset));
  if (line >= placed.size()) return place;
  const LineRecord& record = paragraph.Lines()[line];
  place.page = placed[line].page;
  place.x = paragraph.XOnLine(static_cast<int32_t>(line), position.offset);
  // The caret is as high as the text at it, on the line's baseline.
  const StyleRecord* style = paragraph.Length() == 0 ? paragraph.MarkStyle() : paragraph.StyleAt(position.offset);
  if (position == caret_ && typingStyle_) style = typingStyle_;
  int32_t height = std::min(TokenHeight(style), record.height);
  int32_t ascent = std::min(TokenAscent(style), record.ascent);
  place.top = placed[line].y + record.ascent - ascent;
  place.height = height;
  return place;
}

std::u16string Document::PlainText() const {
  std::u16string text;
  for (size_t p = 0; p < paragraphs_.size(); ++p) {
    if (p > 0) text += u'\n';
    text += paragraphs_[p]->Text();
  }
  std::replace(text.begin(), text.end(), u'\v', u' ');
  return text;
}

}  // namespace quadrell
