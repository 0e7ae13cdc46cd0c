#include "shell/toolbar/DropdownGadget.h"

#include <chrono>

#include "platform/Canvas.h"

namespace quadrell {

int64_t DropdownSeconds() {
  using namespace std::chrono;
  return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

DropdownGadget::DropdownGadget(Window& window, const Rect& bounds) : window_(window) {
  canvas_ = CreateCanvasControl(window, bounds, *this);
}

DropdownGadget::~DropdownGadget() {
  popupCanvas_.reset();
  popup_.reset();
  canvas_.reset();
}

void DropdownGadget::DrawChevron(Canvas& c) const {
  int w = canvas_->Bounds().width;
  c.DrawLine(w - 15, 7, w - 10, 12, kChevron);
  c.DrawLine(w - 5, 7, w - 10, 12, kChevron);
  c.PlotPoint(w - 10, 12, kChevron);
}

void DropdownGadget::PaintSplitButtonGround(Canvas& c, int hoverPart) const {
  c.ClearClip();
  c.FillBox(0, 0, canvas_->Bounds().width, 20, kWhite);
  if (hoverPart == 1) c.FillBox(1, 1, 18, 18, kHover);
  if (hoverPart == 2) c.FillBox(21, 1, 18, 18, kHover);
  DrawChevron(c);
}

void DropdownGadget::OnMouseMove(int, int) {
  Rect b = canvas_->Bounds();
  canvas_->Surface().FrameBox(0, 0, b.width, b.height, kHover);
  hovered_ = true;
}

void DropdownGadget::OnMouseLeave() {
  Rect b = canvas_->Bounds();
  canvas_->Surface().FrameBox(0, 0, b.width, b.height, kWhite);
  hovered_ = false;
}

bool DropdownGadget::MayOpen() {
  if (popup_) {
    ClosePopup();
    return false;
  }
  // The press that took the focus from the open popup closed it; it does not reopen it.
  if (closedAt_ != 0 && closedAt_ >= DropdownSeconds()) {
    closedAt_ = 0;
    return false;
  }
  return true;
}

void DropdownGadget::OpenPopup(const Rect& screenRect, CanvasEvents& events) {
  popup_ = CreatePopupWindow(window_, screenRect, *this, true);
  popupCanvas_ = CreateCanvasControl(*popup_, Rect{0, 0, screenRect.width, screenRect.height}, events,
                                     CanvasOptions{.takesFocus = true});
  popup_->Show();
  popupCanvas_->Focus();
}

void DropdownGadget::ClosePopup() {
  if (!popup_) return;
  closedAt_ = DropdownSeconds();
  popupCanvas_.reset();
  popup_->Close();
  popup_.reset();
}

void DropdownGadget::OnDismissed() {
  closedAt_ = DropdownSeconds();
  popupCanvas_.reset();
  popup_.reset();
}

}  // namespace quadrell
