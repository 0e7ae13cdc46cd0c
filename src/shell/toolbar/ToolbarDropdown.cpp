#include "shell/toolbar/ToolbarDropdown.h"

#include "model/Font.h"
#include "platform/Keys.h"
#include "shell/toolbar/ToolbarIcon.h"

namespace quadrell {

ToolbarDropdown::ToolbarDropdown(Window& window, const Rect& bounds) : DropdownGadget(window, bounds) {
  PaintButton();
}

void ToolbarDropdown::AddEntry(int id, std::u16string_view text) {
  entries_.push_back(Entry{id, std::u16string(text), nullptr});
  PaintButton();
}

void ToolbarDropdown::SetEntryCallback(int id, const std::function<void()>& procedure) {
  for (Entry& e : entries_) {
    if (e.id == id) e.procedure = procedure;
  }
}

void ToolbarDropdown::PaintButton() {
  Canvas& c = canvas_->Surface();
  int w = canvas_->Bounds().width;
  PaintSplitButtonGround(c, hoverPart_);
  if (selected_ >= 0 && selected_ < static_cast<int>(entries_.size())) {
    c.SetDrawMode(DrawMode::AlphaBlend);
    c.DrawImage(ToolbarIcon(entries_[static_cast<size_t>(selected_)].id), 2, 2);
  }
  if (hoverPart_ != 0) c.FrameBox(0, 0, w, 20, kHover);
}

void ToolbarDropdown::OnMouseMove(int x, int) {
  int part = x < 20 ? 1 : 2;
  if (part != hoverPart_) {
    hoverPart_ = part;
    PaintButton();
  }
}

void ToolbarDropdown::OnMouseLeave() {
  hoverPart_ = 0;
  PaintButton();
}

void ToolbarDropdown::OnClick(int x, int) {
  // A click decides by where it is, also when no movement came before it.
  hoverPart_ = x < 20 ? 1 : 2;
  if (hoverPart_ == 1) {
    if (selected_ < static_cast<int>(entries_.size())) {
      std::function<void()> procedure = entries_[static_cast<size_t>(selected_)].procedure;
      if (procedure) procedure();
    }
    return;
  }
  if (!MayOpen() || entries_.empty()) return;
  Rect screen = canvas_->ScreenRect();
  highlighted_ = selected_;
  OpenPopup(Rect{screen.x, screen.Bottom() - 1, kListWidth, kRowHeight * static_cast<int>(entries_.size())}, list_);
  PaintList();
}

void ToolbarDropdown::PaintList() {
  if (!popupCanvas_) return;
  Canvas& c = popupCanvas_->Surface();
  int h = kRowHeight * static_cast<int>(entries_.size());
  c.ClearClip();
  c.FillBox(0, 0, kListWidth, h, kWhite);
  if (highlighted_ >= 0) c.FillBox(0, highlighted_ * kRowHeight, kListWidth, kRowHeight, kHover);
  c.FrameBox(0, 0, kListWidth, h, kHover);
  c.SetFont(*GetFont(u"Arial", 10, 0)->platformFont);
  c.SetTextColour(kBlack);
  c.SetDrawMode(DrawMode::AlphaBlend);
  for (size_t k = 0; k < entries_.size(); ++k) {
    int y = 7 + kRowHeight * static_cast<int>(k);
    c.DrawImage(ToolbarIcon(entries_[k].id), 7, y);
    c.DrawText(30, y, entries_[k].text);
  }
}

void ToolbarDropdown::Choose(int entry) {
  if (entry < 0 || entry >= static_cast<int>(entries_.size())) return;
  selected_ = entry;
  std::function<void()> procedure = entries_[static_cast<size_t>(entry)].procedure;
  ClosePopup();
  PaintButton();
  if (procedure) procedure();
}

void ToolbarDropdown::List::OnMouseMove(int, int y) {
  int row = y / kRowHeight;
  if (y >= 0 && row != box_.highlighted_ && row < static_cast<int>(box_.entries_.size())) {
    box_.highlighted_ = row;
    box_.PaintList();
  }
}

void ToolbarDropdown::List::OnClick(int, int y) {
  if (y >= 0) box_.Choose(y / kRowHeight);
}

void ToolbarDropdown::List::OnKeyDown(int key) {
  int n = static_cast<int>(box_.entries_.size());
  if (key == kKeyDown) {
    box_.highlighted_ = (box_.highlighted_ + 1) % n;
  } else if (key == kKeyUp) {
    box_.highlighted_ = box_.highlighted_ <= 0 ? n - 1 : box_.highlighted_ - 1;
  } else {
    return;
  }
  box_.PaintList();
}

void ToolbarDropdown::List::OnKeyUp(int key) {
  if (key == kKeyEscape) {
    box_.ClosePopup();
  } else if (key == kKeyReturn) {
    box_.Choose(box_.highlighted_);
  }
}

}  // namespace quadrell
