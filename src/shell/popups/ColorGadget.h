#pragma once
// The colour picker: sixteen swatches, sliders for hue, saturation and
// lightness, an "ok" button and a brush button. As a popup it closes after a
// choice or when it loses the focus; embedded in the border panel it reports
// every change at once.
#include <cstdint>
#include <functional>
#include <memory>

#include "model/Style.h"
#include "platform/Controls.h"
#include "platform/Window.h"

namespace quadrell {

class Application;

class ColorGadget : private CanvasEvents, private PopupEvents {
 public:
  using Procedure = std::function<void(Colour)>;
  static constexpr int kWidth = 260;
  static constexpr int kHeight = 175;
  static constexpr int kMaxCoordinate = 138;
  static const Colour kPalette[16];

  // The picker of a panel's canvas, drawn at top; it starts black.
  ColorGadget(int top, Procedure apply, Procedure brush);
  ~ColorGadget() override;
  ColorGadget(const ColorGadget&) = delete;
  ColorGadget& operator=(const ColorGadget&) = delete;

  // Opens a popup picker at the screen point; it starts red and frees itself when it closes.
  static ColorGadget* Open(const Window& owner, Point at, Procedure apply, Procedure brush);
  // The popup picker that is open, or null.
  static ColorGadget* OpenPicker();

  void Paint(Canvas& canvas) const;
  // A click at canvas coordinates. A popup is gone after a choice.
  void Click(int x, int y);
  int Hue() const { return hue_; }
  int Saturation() const { return saturation_; }
  int Lightness() const { return lightness_; }
  Colour Chosen() const;
  CanvasControl* GetCanvas() const { return canvas_.get(); }
  Rect ScreenRect() const { return popup_ ? popup_->ScreenRect() : Rect{}; }

 private:
  void OnClick(int x, int y) override { Click(x, y); }
  void OnKeyUp(int key) override;
  void OnDismissed() override { Close(); }
  // Closes a popup picker (it is freed) and runs the procedure with the colour after.
  void Finish(const Procedure& procedure, Colour colour);
  void Close();
  void Repaint();

  Procedure apply_;
  Procedure brush_;
  int hue_ = 0;
  int saturation_ = kMaxCoordinate;
  int lightness_ = 0;
  int top_ = 0;
  bool isPopup_ = false;
  Window* owner_ = nullptr;
  std::unique_ptr<PopupWindow> popup_;
  std::unique_ptr<CanvasControl> canvas_;
};

// The fill and text colour commands: a popup picker at the pointer whose
// choice colours the selection and whose brush button starts a brush.
void OpenFillColourPicker(Application& application, int item);
void OpenTextColourPicker(Application& application, int item);
void InstallColourCommands();

}  // namespace quadrell
