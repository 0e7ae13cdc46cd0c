#include "view/DocumentGadget.h"

#include <algorithm>
#include <cmath>

#include "context/ApplicationContext.h"
#include "platform/Keys.h"

namespace quadrell {

namespace {

constexpr Colour kFrameColour = 0x444444;
constexpr Colour kShadowColours[] = {0x999999, 0xBBBBBB, 0xDDDDDD};
constexpr Colour kBackground = 0xFFFFFF;
constexpr int kWheelStep = 60;

int32_t PageStride() { return Page::HeightPx() + DocumentGadget::kPageGap; }

}  // namespace

DocumentGadget::DocumentGadget(ControlParent& parent, const Rect& bounds)
    : canvas_(CreateCanvasControl(parent, bounds, *this, CanvasOptions{.takesFocus = true, .confinePointer = true})) {
  canvas_->Focus();
}

DocumentGadget::~DocumentGadget() = default;

void DocumentGadget::SetBounds(const Rect& bounds) {
  canvas_->SetBounds(bounds);
  ScrollTo(scroll_);
  Redraw(false);
}

void DocumentGadget::SetDocument(Document* document) {
  document_ = document;
  scroll_ = 0;
  caretShown_ = false;
  Redraw(true);
}

int DocumentGadget::ScrollbarWidth() const {
  return static_cast<int>(std::clamp<int64_t>(GetContext().GetSettingInt(kSettingScrollbarWidth), 3, 50));
}

int32_t DocumentGadget::TotalHeight() const {
  if (!document_) return 0;
  return static_cast<int32_t>(document_->Pages().size()) * PageStride() + 8;
}

int32_t DocumentGadget::PageLeft() const { return (canvas_->Surface().Width() - Page::WidthPx()) / 2; }

void DocumentGadget::ScrollTo(int32_t offset) {
  // A document shorter than the window does not scroll.
  int32_t most = std::max(0, TotalHeight() - canvas_->Surface().Height());
  scroll_ = std::clamp(offset, 0, most);
}

Rect DocumentGadget::CaretRect() const {
  if (!document_) return {};
  Document::CaretPlace place = document_->PlaceOf(document_->Caret());
  int32_t x = PageLeft() + Page::LeftEdge() + place.x;
  int32_t y = place.page * PageStride() + 6 - scroll_ + place.top;
  return Rect{x, y, 1, std::max(place.height, 1)};
}

void DocumentGadget::PagePoint(int x, int y, int32_t& page, int32_t& pageX, int32_t& pageY) const {
  int32_t documentY = y + scroll_ - 6;
  int32_t pages = document_ ? static_cast<int32_t>(document_->Pages().size()) : 1;
  page = std::clamp(static_cast<int32_t>(std::floor(static_cast<double>(documentY) / PageStride())), 0, pages - 1);
  pageX = x - PageLeft();
  pageY = documentY - page * PageStride();
}

void DocumentGadget::Redraw(bool relayout) {
  if (relayout && document_) {
    document_->Layout();
    ScrollTo(scroll_);
  }
  Canvas& canvas = canvas_->Surface();
  Paint(Rect{0, 0, canvas.Width(), canvas.Height()});
}

void DocumentGadget::Paint(const Rect& area) {
  Canvas& canvas = canvas_->Surface();
  canvas.SetClip(area.x, area.y, area.width, area.height);
  canvas.FillBox(area.x, area.y, area.width, area.height, kBackground);
  if (document_) {
    int32_t width = Page::WidthPx(), height = Page::HeightPx();
    int32_t left = PageLeft();
    const std::vector<Page>& pages = document_->Pages();
    // Only the pages that reach into the area.
    auto first = static_cast<size_t>(std::max(0, (area.y + scroll_ - 16) / PageStride()));
    for (size_t n = first; n < pages.size(); ++n) {
      int32_t p = static_cast<int32_t>(n) * PageStride() - scroll_;
      if (p + 5 > area.Bottom()) break;
      canvas.SetClip(area.x, area.y, area.width, area.height);
      canvas.FrameBox(left - 1, p + 5, width + 2, height + 2, kFrameColour);
      for (int i = 0; i < 3; ++i) {
        canvas.VerticalLine(left + width + 1 + i, p + 5 + i, height + 2, kShadowColours[i]);
        canvas.HorizontalLine(left + i, p + height + 7 + i, width + 2, kShadowColours[i]);
      }
      pages[n].Draw(*document_, canvas, left, p + 6, area);
    }
    canvas.SetClip(area.x, area.y, area.width, area.height);
    if (caretShown_) {
      Rect caret = CaretRect();
      canvas.FillBox(caret.x, caret.y, caret.width, caret.height, 0);
    }
  }
  DrawScrollbar();
  canvas.ClearClip();
}

void DocumentGadget::DrawScrollbar() {
  Canvas& canvas = canvas_->Surface();
  int sw = ScrollbarWidth();
  double width = canvas.Width(), height = canvas.Height();
  double total = std::max<double>(TotalHeight(), height);
  double track = height - sw;
  auto round = [](double v) { return static_cast<int>(std::lround(v)); };
  int x = static_cast<int>(width) - sw;
  canvas.FillBox(x, 0, sw, static_cast<int>(height), kBackground);
  canvas.FillBox(x, round(track * scroll_ / total), sw - 1, round(track * height / total), 0xAAAAAA);
  canvas.FillBox(x + 1, round(track * scroll_ / total + 1), sw - 3, round(track * height / total - 1), 0xBBBBBB);
}

void DocumentGadget::ToggleCaret() {
  if (!document_) return;
  caretShown_ = !caretShown_;
  Rect caret = CaretRect();
  Paint(Rect{caret.x, caret.y, caret.width, caret.height});
}

void DocumentGadget::EnsureCaretVisible() {
  if (!document_) return;
  Rect caret = CaretRect();
  int height = canvas_->Surface().Height();
  if (caret.y < 0) {
    ScrollTo(scroll_ + caret.y);
  } else if (caret.Bottom() > height) {
    ScrollTo(scroll_ + caret.Bottom() - height);
  }
}

void DocumentGadget::Refresh() {
  if (!document_) return;
  document_->Layout();
  ScrollTo(scroll_);
  EnsureCaretVisible();
  caretShown_ = true;
  Redraw(false);
}

void DocumentGadget::Changed() {
  Refresh();
  if (onChange_) onChange_();
}

// ---------------------------------------------------------------------------
// Input

void DocumentGadget::OnCharacter(char16_t c) {
  if (!document_ || c < 0x20 || c == 0x7F) return;
  document_->TypeCharacter(c);
  Changed();
}

void DocumentGadget::OnKeyDown(int key) {
  if (!document_) return;
  KeyModifiers modifiers = CurrentKeyModifiers();
  switch (key) {
    case kKeyLeft:
    case kKeyRight:
    case kKeyUp:
    case kKeyDown:
    case kKeyHome:
    case kKeyEnd:
    case kKeyPageUp:
    case kKeyPageDown:
      document_->MoveCaret(key, modifiers.control, modifiers.shift);
      break;
    case kKeyBackspace:
      document_->Backspace();
      break;
    case kKeyDelete:
      document_->DeleteForward();
      break;
    case kKeyReturn:
      // Shift+Return breaks the line inside the paragraph.
      if (modifiers.shift) {
        document_->InsertText(u"\v");
      } else {
        document_->Enter();
      }
      break;
    default:
      return;
  }
  Changed();
}

void DocumentGadget::OnWheel(int notches) {
  ScrollTo(scroll_ - notches * kWheelStep);
  Redraw(false);
}

void DocumentGadget::OnLeftDown(int x, int y) {
  canvas_->Focus();
  if (!document_) return;
  if (x >= canvas_->Surface().Width() - ScrollbarWidth()) {
    draggingThumb_ = true;
    dragAnchorY_ = y;
    return;
  }
  int32_t page, pageX, pageY;
  PagePoint(x, y, page, pageX, pageY);
  document_->SetCaretFromPoint(page, pageX, pageY, CurrentKeyModifiers().shift);
  selecting_ = true;
  Changed();
}

void DocumentGadget::OnMouseMove(int x, int y) {
  if (!document_) return;
  if (draggingThumb_) {
    int height = canvas_->Surface().Height();
    int dy = y - dragAnchorY_;
    dragAnchorY_ = y;
    if (height > 0) ScrollTo(scroll_ + static_cast<int32_t>(std::lround(static_cast<double>(dy) * TotalHeight() / height)));
    Redraw(false);
    return;
  }
  if (!selecting_) return;
  // Dragging past the top or bottom edge scrolls.
  int height = canvas_->Surface().Height();
  if (y < 0) ScrollTo(scroll_ + y);
  if (y > height) ScrollTo(scroll_ + y - height);
  int32_t page, pageX, pageY;
  PagePoint(x, std::clamp(y, 0, height), page, pageX, pageY);
  document_->SetCaretFromPoint(page, pageX, pageY, true);
  caretShown_ = true;
  Redraw(false);
  if (onChange_) onChange_();
}

void DocumentGadget::OnLeftUp(int, int) {
  draggingThumb_ = false;
  selecting_ = false;
}

void DocumentGadget::OnLeftDoubleClick(int x, int y) {
  if (!document_) return;
  int32_t page, pageX, pageY;
  PagePoint(x, y, page, pageX, pageY);
  document_->SetCaretFromPoint(page, pageX, pageY, false);
  // The word under the pointer.
  DocumentPosition at = document_->Caret();
  const std::u16string& text = document_->GetParagraph(at.paragraph).Text();
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\v'; };
  auto start = static_cast<size_t>(at.offset), end = start;
  while (start > 0 && !blank(text[start - 1])) --start;
  while (end < text.size() && !blank(text[end])) ++end;
  document_->SetCaret({at.paragraph, static_cast<int32_t>(start)});
  document_->SetCaret({at.paragraph, static_cast<int32_t>(end)}, true);
  Changed();
}

}  // namespace quadrell
