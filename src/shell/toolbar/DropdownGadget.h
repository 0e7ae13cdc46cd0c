#pragma once
// What the toolbar's dropdown controls share: a white canvas 20 pixels high
// with a grey chevron at its right end, a light frame while the pointer is over
// it, and one borderless popup below it that closes when it loses the focus.
#include <cstdint>
#include <memory>

#include "model/Style.h"
#include "platform/Controls.h"
#include "platform/Window.h"

namespace quadrell {

// Whole seconds of a steady clock; never 0 once running.
int64_t DropdownSeconds();

class DropdownGadget : protected CanvasEvents, protected PopupEvents {
 public:
  static constexpr Colour kHover = 0xEEEEEE;
  static constexpr Colour kChevron = 0x888888;

  DropdownGadget(Window& window, const Rect& bounds);
  ~DropdownGadget() override;
  DropdownGadget(const DropdownGadget&) = delete;
  DropdownGadget& operator=(const DropdownGadget&) = delete;

  CanvasControl& GetCanvas() const { return *canvas_; }
  // The popup's canvas while it is open, else null.
  CanvasControl* GetPopupCanvas() const { return popupCanvas_.get(); }
  bool IsOpen() const { return popup_ != nullptr; }
  void ClosePopup();

 protected:
  void DrawChevron(Canvas& canvas) const;
  // A split button's ground: white, the hovered half (1 left, 2 right) shaded, the chevron.
  void PaintSplitButtonGround(Canvas& canvas, int hoverPart) const;
  void OnMouseMove(int x, int y) override;
  void OnMouseLeave() override;
  // Opens the popup below the control unless the click that closed it was just now.
  bool MayOpen();
  void OpenPopup(const Rect& screenRect, CanvasEvents& events);
  void OnDismissed() override;
  virtual void PaintButton() = 0;

  Window& window_;
  std::unique_ptr<CanvasControl> canvas_;
  std::unique_ptr<PopupWindow> popup_;
  std::unique_ptr<CanvasControl> popupCanvas_;
  int64_t closedAt_ = 0;
  bool hovered_ = false;
};

}  // namespace quadrell
