#include "shell/popups/PopupMenu.h"

#include <algorithm>

#include "model/Font.h"
#include "model/Style.h"
#include "platform/Desktop.h"
#include "platform/Keys.h"

namespace quadrell {

namespace {

constexpr Colour kHover = 0xEEEEEE;
constexpr Colour kFrame = 0xDDDDDD;

// At most one menu is open: opening another closes the first.
std::unique_ptr<PopupMenu>& Current() {
  static auto* menu = new std::unique_ptr<PopupMenu>();
  return *menu;
}

const FontRecord* MenuFont() { return GetFont(u"Arial", 10, 0); }

}  // namespace

PopupMenu* OpenPopupMenu() { return Current().get(); }

PopupMenu* ShowPopupMenu(const Window& owner, const std::vector<MenuEntry>& entries, void* data1, intptr_t data2,
                         Point at) {
  if (at.x < 0 && at.y < 0) at = PointerPosition();
  Current().reset();
  Current().reset(new PopupMenu(owner, entries, data1, data2, at));
  return Current().get();
}

PopupMenu::PopupMenu(const Window& owner, const std::vector<MenuEntry>& entries, void* data1, intptr_t data2,
                     Point at)
    : owner_(const_cast<Window*>(&owner)), entries_(entries), data1_(data1), data2_(data2) {
  height_ = kRowHeight * static_cast<int>(entries_.size()) + 2;
  int widest = 0;
  for (const MenuEntry& e : entries_) widest = std::max(widest, MenuFont()->TextWidth(e.text));
  width_ = widest + 8;
  Rect window = owner.ScreenRect();
  int y = at.y + height_ > window.Bottom() ? at.y - height_ : at.y;
  popup_ = CreatePopupWindow(owner, Rect{at.x, y, width_, height_}, *this, true);
  canvas_ = CreateCanvasControl(*popup_, Rect{0, 0, width_, height_}, *this, CanvasOptions{.takesFocus = true});
  Paint();
  popup_->Show();
  canvas_->Focus();
}

PopupMenu::~PopupMenu() {
  canvas_.reset();
  popup_.reset();
}

void PopupMenu::Paint() {
  Canvas& c = canvas_->Surface();
  c.ClearClip();
  c.FillBox(0, 0, width_, height_, kWhite);
  int r = highlighted_;
  if (pointer_.x > 0 && pointer_.x <= width_) r = (pointer_.y + 24) / kRowHeight - 1;
  if (r >= 0 && r < static_cast<int>(entries_.size())) c.FillBox(1, kRowHeight * r + 1, width_, kRowHeight, kHover);
  c.FrameBox(0, 0, width_, height_, kFrame);
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetFont(*MenuFont()->platformFont);
  c.SetTextColour(kBlack);
  for (size_t k = 0; k < entries_.size(); ++k) c.DrawText(4, 5 + kRowHeight * static_cast<int>(k), entries_[k].text);
}

void PopupMenu::OnMouseMove(int x, int y) {
  pointer_ = Point{x, y};
  int r = (y + 24) / kRowHeight - 1;
  if (r >= 0 && r < static_cast<int>(entries_.size())) highlighted_ = r;
  Paint();
}

void PopupMenu::OnMouseLeave() {
  pointer_ = Point{-1, -1};
  Paint();
}

void PopupMenu::OnLeftUp(int, int y) {
  // The frame pixel below the last row chooses nothing.
  int r = (y + 24) / kRowHeight - 1;
  if (y <= 0) return;
  Choose(r);
}

void PopupMenu::OnKeyDown(int key) {
  int n = static_cast<int>(entries_.size());
  if (n == 0) return;
  if (key == kKeyDown) {
    highlighted_ = highlighted_ < 0 ? 0 : (highlighted_ + 1) % n;
  } else if (key == kKeyUp) {
    highlighted_ = highlighted_ <= 0 ? n - 1 : highlighted_ - 1;
  } else {
    return;
  }
  pointer_ = Point{-1, -1};
  Paint();
}

void PopupMenu::OnKeyUp(int key) {
  if (key == kKeyEscape) {
    CloseToOwner();  // this is gone from here on
  } else if (key == kKeyReturn) {
    Choose(highlighted_);
  }
}

void PopupMenu::Choose(int entry) {
  if (entry < 0 || entry >= static_cast<int>(entries_.size())) return;
  MenuProcedure procedure = entries_[static_cast<size_t>(entry)].procedure;
  void* data1 = data1_;
  intptr_t data2 = data2_;
  CloseToOwner();  // this is gone from here on
  if (procedure) procedure(data1, data2);
}

void PopupMenu::CloseToOwner() {
  Window* owner = owner_;
  Dismiss();
  owner->Activate();
}

void PopupMenu::Dismiss() {
  if (Current().get() != this) return;
  std::unique_ptr<PopupMenu> self = std::move(Current());
  self.reset();
}

}  // namespace quadrell
