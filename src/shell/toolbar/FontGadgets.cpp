#include "shell/toolbar/FontGadgets.h"

#include <algorithm>
#include <string>

#include "model/Font.h"
#include "model/Util.h"
#include "platform/Desktop.h"
#include "platform/Keys.h"

namespace quadrell {

namespace {

const FontRecord* ListFont() { return GetFont(u"Arial", 10, 0); }

const std::vector<std::u16string>& Faces() {
  if (GetFontFaces().empty()) EnumerateFonts();
  return GetFontFaces();
}

void DrawLabel(Canvas& c, int w, std::u16string_view text) {
  c.ClearClip();
  c.FillBox(0, 0, w, 20, kWhite);
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetTextColour(kBlack);
  c.SetClip(1, 1, std::max(w - 20, 1), 18);
  DrawTextAligned(c, 3, 0, w, 20, text, HorizontalAlign::Left, VerticalAlign::Middle);
  c.ClearClip();
}

}  // namespace

// ---- font size box ----

FontSizeGadget::FontSizeGadget(Window& window, const Rect& bounds, std::function<void(int32_t)> chosen)
    : DropdownGadget(window, bounds), chosen_(std::move(chosen)) {
  PaintButton();
}

void FontSizeGadget::SetFontSize(int32_t size) {
  size_ = size;
  PaintButton();
}

void FontSizeGadget::PaintButton() {
  Canvas& c = canvas_->Surface();
  int w = canvas_->Bounds().width;
  c.SetFont(*ListFont()->platformFont);
  std::string digits = std::to_string(size_);
  DrawLabel(c, w, std::u16string(digits.begin(), digits.end()));
  DrawChevron(c);
  if (hovered_) c.FrameBox(0, 0, w, 20, kHover);
}

void FontSizeGadget::OnClick(int, int) {
  if (!MayOpen()) return;
  Rect screen = canvas_->ScreenRect();
  OpenPopup(Rect{screen.x, screen.Bottom() - 1, 100, 300}, list_);
  pointer_ = Point{-1, -1};
  PaintList();
}

void FontSizeGadget::PaintList() {
  if (!popupCanvas_) return;
  Canvas& c = popupCanvas_->Surface();
  int w = 100, h = 300;
  c.ClearClip();
  c.FrameBox(0, 0, w, h, kHover);
  c.FillBox(1, 1, w - 2, h - 2, kWhite);
  c.SetFont(*ListFont()->platformFont);
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetTextColour(kBlack);
  for (size_t k = 0; k < std::size(kSizes); ++k) {
    int y = 20 * static_cast<int>(k);
    if (pointer_.x >= 0 && pointer_.x < w - 12 && pointer_.y >= y && pointer_.y < y + 20) {
      c.FillBox(2, y + 2, w - 4, 16, kHover);
    }
    std::string digits = std::to_string(kSizes[k]);
    c.DrawText(5, y + 2, std::u16string(digits.begin(), digits.end()));
  }
}

void FontSizeGadget::List::OnMouseMove(int x, int y) {
  box_.pointer_ = Point{x, y};
  box_.PaintList();
}

void FontSizeGadget::List::OnMouseLeave() {
  box_.pointer_ = Point{-1, -1};
  box_.PaintList();
}

void FontSizeGadget::List::OnClick(int, int y) {
  int k = y / 20;
  if (y < 0 || k >= static_cast<int>(std::size(kSizes))) return;
  FontSizeGadget& box = box_;
  int32_t size = kSizes[k];
  box.ClosePopup();  // this list's canvas is gone from here on
  box.SetFontSize(size);
  if (box.chosen_) box.chosen_(size);
}

void FontSizeGadget::List::OnKeyUp(int key) {
  if (key == kKeyEscape) box_.ClosePopup();
}

// ---- font face box ----

FontGadget::FontGadget(Window& window, const Rect& bounds, std::function<void(std::u16string_view)> chosen)
    : DropdownGadget(window, bounds), chosen_(std::move(chosen)) {
  PaintButton();
}

void FontGadget::SetFontName(std::u16string_view name) {
  name_ = std::u16string(name);
  // The list opens with the face in its first row; a face that is not
  // installed leaves the list at its top.
  scroll_ = -(static_cast<int64_t>(GetFontFacePosition(name)) - 1) * kRowHeight;
  ClampScroll();
  PaintButton();
}

void FontGadget::ClampScroll() {
  int64_t total = kRowHeight * static_cast<int64_t>(GetFontFaces().size());
  int h = popupCanvas_ ? popupCanvas_->Bounds().height : 0;
  if (popupCanvas_) scroll_ = std::max<int64_t>(scroll_, h - 4 - total);
  scroll_ = std::min<int64_t>(scroll_, 0);
  if (!popupCanvas_) scroll_ = std::max<int64_t>(scroll_, -std::max<int64_t>(total - kRowHeight, 0));
}

void FontGadget::PaintButton() {
  Canvas& c = canvas_->Surface();
  int w = canvas_->Bounds().width;
  c.SetFont(*GetDefaultFont()->platformFont);
  DrawLabel(c, w, name_);
  DrawChevron(c);
  if (hovered_) c.FrameBox(0, 0, w, 20, kHover);
}

void FontGadget::OnClick(int, int) {
  if (!MayOpen()) return;
  const std::vector<std::u16string>& faces = Faces();
  scroll_ = -(static_cast<int64_t>(GetFontFacePosition(name_)) - 1) * kRowHeight;
  Rect screen = canvas_->ScreenRect();
  Rect work = DesktopWorkArea();
  int below = work.Bottom() - screen.Bottom();
  int above = screen.y - work.y;
  int wanted = kRowHeight * static_cast<int>(std::min<size_t>(faces.size(), 1000)) + 8;
  Rect at = below > above ? Rect{screen.x, screen.Bottom() - 1, 250, std::min(below, wanted)}
                          : Rect{screen.x, std::max(screen.y - std::min(above, wanted), work.y), 250,
                                 std::min(above, wanted)};
  at.height = std::max(at.height, 40);
  dragging_ = dragged_ = pressed_ = false;
  pointer_ = Point{-1, -1};
  OpenPopup(at, list_);
  ClampScroll();
  PaintList();
}

void FontGadget::PaintList() {
  if (!popupCanvas_) return;
  Canvas& c = popupCanvas_->Surface();
  Rect b = popupCanvas_->Bounds();
  int w = b.width, h = b.height;
  const std::vector<std::u16string>& faces = GetFontFaces();
  int64_t total = kRowHeight * static_cast<int64_t>(faces.size());
  ClampScroll();
  c.ClearClip();
  c.FrameBox(0, 0, w, h, kHover);
  c.FillBox(1, 1, w - 2, h - 2, kWhite);
  if (total > h) {
    int top = static_cast<int>(2 - scroll_ * (h - 4) / total);
    int height = static_cast<int>(std::max<int64_t>(int64_t{h} * h / total, 8));
    c.FillBox(w - 11, top, 9, height, kHover);
  }
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetTextColour(kBlack);
  // Only the visible rows are drawn, so a long list opens as fast as a short one.
  for (int64_t index = -scroll_ / kRowHeight; index < static_cast<int64_t>(faces.size()); ++index) {
    int y = static_cast<int>(scroll_ + 4 + kRowHeight * index);
    if (y > h) break;
    c.SetClip(1, std::max(y, 1), w - 14, std::min(kRowHeight, h - 1 - std::max(y, 1)));
    if (pointer_.x >= 0 && pointer_.x < w - 12 && pointer_.y >= y && pointer_.y < y + kRowHeight) {
      c.FillBox(2, y, w - 12, 28, kHover);
    }
    const FontRecord* font = GetFont(faces[static_cast<size_t>(index)], 14, 0);
    c.SetFont(*font->platformFont);
    std::u16string_view name = faces[static_cast<size_t>(index)];
    c.DrawText(5, y + 15 - c.TextHeight(name) / 2, name);
  }
  c.ClearClip();
}

void FontGadget::List::OnMouseMove(int x, int y) {
  FontGadget& box = box_;
  box.pointer_ = Point{x, y};
  if (box.dragging_ && box.popupCanvas_) {
    int h = box.popupCanvas_->Bounds().height;
    int64_t total = kRowHeight * static_cast<int64_t>(GetFontFaces().size());
    if (total > h && h > 4) {
      int dy = y - box.dragY_;
      box.dragY_ = y;
      if (dy != 0) box.dragged_ = true;
      int64_t top = 2 - box.scroll_ * (h - 4) / total;
      box.scroll_ = (2 - (top + dy)) * total / (h - 4);
      box.ClampScroll();
    }
  }
  box.PaintList();
}

void FontGadget::List::OnMouseLeave() {
  box_.pointer_ = Point{-1, -1};
  box_.PaintList();
}

void FontGadget::List::OnLeftDown(int x, int y) {
  FontGadget& box = box_;
  if (!box.popupCanvas_) return;
  box.pressed_ = true;
  box.dragged_ = false;
  if (x > box.popupCanvas_->Bounds().width - 12) {
    box.dragging_ = true;
    box.dragY_ = y;
  }
}

void FontGadget::List::OnLeftUp(int x, int y) {
  FontGadget& box = box_;
  if (!box.popupCanvas_ || !box.pressed_) return;
  box.pressed_ = false;
  bool wasDragging = box.dragging_;
  box.dragging_ = false;
  // A press on the thumb and any drag choose nothing.
  if (wasDragging || box.dragged_) return;
  Rect b = box.popupCanvas_->Bounds();
  if (x < 1 || x >= b.width - 12 || y < 1 || y >= b.height - 1) return;
  int64_t offset = y - box.scroll_ - 4;
  if (offset < 0) return;
  int64_t index = offset / kRowHeight;
  const std::vector<std::u16string>& faces = GetFontFaces();
  if (index >= static_cast<int64_t>(faces.size())) return;
  std::u16string name = faces[static_cast<size_t>(index)];
  box.ClosePopup();  // this list's canvas is gone from here on
  box.SetFontName(name);
  if (box.chosen_) box.chosen_(name);
}

void FontGadget::List::OnWheel(int steps) {
  box_.scroll_ += int64_t{steps} * 21;
  box_.ClampScroll();
  box_.PaintList();
}

void FontGadget::List::OnKeyUp(int key) {
  if (key == kKeyEscape) box_.ClosePopup();
}

}  // namespace quadrell
