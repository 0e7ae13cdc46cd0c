#include "shell/popups/ColorGadget.h"

#include <algorithm>
#include <optional>

#include "context/ApplicationContext.h"
#include "context/EmbeddedResources.h"
#include "model/Font.h"
#include "model/Util.h"
#include "object/Image.h"
#include "object/ImageCodec.h"
#include "platform/Keys.h"
#include "platform/Desktop.h"
#include "shell/Application.h"
#include "shell/commands/Commands.h"
#include "shell/commands/StyleCommands.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"

namespace quadrell {

const Colour ColorGadget::kPalette[16] = {
    RgbColour(0x00, 0x00, 0xFF), RgbColour(0x00, 0xFF, 0x00), RgbColour(0xFF, 0x00, 0x00),
    RgbColour(0x00, 0xFF, 0xFF), RgbColour(0xFF, 0xFF, 0x00), RgbColour(0xFF, 0x00, 0xFF),
    RgbColour(0xFF, 0xFF, 0xFF), RgbColour(0x00, 0x00, 0x00), RgbColour(0x00, 0x00, 0x88),
    RgbColour(0x00, 0x88, 0x00), RgbColour(0x88, 0x00, 0x00), RgbColour(0x00, 0xFF, 0x88),
    RgbColour(0xFF, 0x88, 0x00), RgbColour(0x88, 0x00, 0xFF), RgbColour(0xCC, 0xCC, 0xCC),
    RgbColour(0x88, 0x88, 0x88),
};

namespace {

std::unique_ptr<ColorGadget>& Current() {
  static auto* picker = new std::unique_ptr<ColorGadget>();
  return *picker;
}

const Bitmap& BrushPicture() {
  static const Bitmap* picture = [] {
    std::optional<PixelImage> pixels = DecodePng(GetEmbeddedResource("colorBrush.png"));
    return new Bitmap(pixels ? ToBitmap(*pixels) : Bitmap(70, 30));
  }();
  return *picture;
}

}  // namespace

ColorGadget::ColorGadget(int top, Procedure apply, Procedure brush)
    : apply_(std::move(apply)), brush_(std::move(brush)), top_(top) {}

ColorGadget::~ColorGadget() {
  canvas_.reset();
  popup_.reset();
}

ColorGadget* ColorGadget::OpenPicker() { return Current().get(); }

ColorGadget* ColorGadget::Open(const Window& owner, Point at, Procedure apply, Procedure brush) {
  Current().reset();
  auto picker = std::make_unique<ColorGadget>(0, std::move(apply), std::move(brush));
  ColorGadget& p = *picker;
  Current() = std::move(picker);
  p.isPopup_ = true;
  p.lightness_ = 69;  // pure red
  p.owner_ = const_cast<Window*>(&owner);
  // Kept on the screen's work area.
  Rect work = DesktopWorkArea();
  if (work.width > 0 && work.height > 0) {
    at.x = std::clamp(at.x, work.x, std::max(work.x, work.Right() - kWidth));
    at.y = std::clamp(at.y, work.y, std::max(work.y, work.Bottom() - kHeight));
  }
  p.popup_ = CreatePopupWindow(owner, Rect{at.x, at.y, kWidth, kHeight}, p, true);
  p.canvas_ = CreateCanvasControl(*p.popup_, Rect{0, 0, kWidth, kHeight}, p, CanvasOptions{.takesFocus = true});
  p.Repaint();
  p.popup_->Show();
  p.canvas_->Focus();
  return &p;
}

Colour ColorGadget::Chosen() const { return PaletteColor(hue_, saturation_, lightness_); }

void ColorGadget::Repaint() {
  if (canvas_) Paint(canvas_->Surface());
}

void ColorGadget::Paint(Canvas& c) const {
  int t = top_;
  c.ClearClip();
  if (isPopup_) {
    c.FillBox(0, 0, kWidth, kHeight, kWhite);
    c.FrameBox(0, 0, kWidth, kHeight, 0xEEEEEE);
  }
  for (int k = 0; k < 8; ++k) {
    c.FillBox(15 + 30 * k, t + 15, 20, 20, kBlack);
    c.FillBox(16 + 30 * k, t + 16, 18, 18, kPalette[k]);
    c.FillBox(15 + 30 * k, t + 45, 20, 20, kBlack);
    c.FillBox(16 + 30 * k, t + 46, 18, 18, kPalette[8 + k]);
  }
  c.FillBox(20, t + 125, 70, 30, kBlack);
  c.FillBox(21, t + 126, 68, 28, Chosen());
  c.SetFont(*GetFont(u"Arial", 10, 0)->platformFont);
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetTextColour(lightness_ < 81 ? kWhite : kBlack);
  DrawTextAligned(c, 20, t + 125, 70, 30, Text("ok"), HorizontalAlign::Center, VerticalAlign::Middle);
  c.SetDrawMode(DrawMode::AlphaBlend);
  c.DrawImage(BrushPicture(), 20, t + 85);
  c.SetDrawMode(DrawMode::TransparentText);
  struct Slider {
    int y;
    int marker;
  } sliders[3] = {{t + 85, hue_}, {t + 110, saturation_}, {t + 135, lightness_}};
  for (int s = 0; s < 3; ++s) {
    int y = sliders[s].y;
    c.FillBox(100, y, 140, 20, kBlack);
    for (int i = 0; i < kMaxCoordinate; ++i) {
      Colour colour = s == 0 ? PaletteColor(i, 137, 69) : s == 1 ? PaletteColor(hue_, i, 90) : PaletteColor(hue_, 137, i);
      c.VerticalLine(101 + i, y + 1, 18, colour);
    }
    c.FrameBox(100 + sliders[s].marker, y - 1, 3, 22, kBlack);
  }
}

void ColorGadget::Click(int x, int y) {
  int t = top_;
  for (int k = 0; k < 8; ++k) {
    if (x < 15 + 30 * k || x > 34 + 30 * k) continue;
    int swatch = -1;
    if (y >= t + 15 && y <= t + 35) swatch = k;
    if (y >= t + 45 && y <= t + 65) swatch = 8 + k;
    if (swatch < 0) continue;
    Colour colour = kPalette[swatch];
    Colour place = PaletteCoordinates(colour);
    hue_ = std::min<int>(place & 0xFF, kMaxCoordinate);
    saturation_ = std::min<int>((place >> 8) & 0xFF, kMaxCoordinate);
    lightness_ = std::min<int>((place >> 16) & 0xFF, kMaxCoordinate);
    Repaint();
    Finish(apply_, colour);
    return;
  }
  if (x >= 21 && x <= 89 && y > t + 85 && y < t + 115) {
    Finish(brush_, Chosen());
    return;
  }
  if (x >= 21 && x <= 89 && y > t + 125 && y < t + 155) {
    Finish(apply_, Chosen());
    return;
  }
  if (x >= 101 && x <= 239) {
    // Held to the slider's range: no channel can run past 255.
    int value = std::clamp(x - 101, 0, kMaxCoordinate);
    int* target = nullptr;
    if (y > t + 86 && y < t + 106) target = &hue_;
    if (y > t + 111 && y < t + 131) target = &saturation_;
    if (y > t + 136 && y < t + 156) target = &lightness_;
    if (!target) return;
    *target = value;
    Repaint();
    if (!isPopup_ && apply_) apply_(Chosen());
  }
}

void ColorGadget::OnKeyUp(int key) {
  if (key == kKeyEscape) {
    Window* owner = owner_;
    Close();
    if (owner) owner->Activate();
  } else if (key == kKeyReturn) {
    Finish(apply_, Chosen());
  }
}

void ColorGadget::Finish(const Procedure& procedure, Colour colour) {
  if (!isPopup_) {
    if (procedure) procedure(colour);
    return;
  }
  Procedure run = procedure;
  Window* owner = owner_;
  Close();  // this is gone from here on
  if (owner) owner->Activate();
  if (run) run(colour);
}

void ColorGadget::Close() {
  if (!isPopup_ || Current().get() != this) return;
  std::unique_ptr<ColorGadget> self = std::move(Current());
  self.reset();
}

namespace {

void OpenColourPicker(Application& application, bool fill) {
  Application* app = &application;
  ColorGadget::Open(
      application.GetWindow(), PointerPosition(),
      [app, fill](Colour colour) {
        if (fill) {
          SetFillColour(*app, colour);
        } else {
          SetTextColour(*app, colour);
        }
      },
      [app, fill](Colour colour) {
        if (app->GetKind() != kKindSheet) return;
        auto& container = static_cast<SheetContainer&>(app->GetContainer());
        if (SheetGadget* view = container.GetActiveView()) view->StartBrush(fill, colour);
      });
}

}  // namespace

void OpenFillColourPicker(Application& application, int) { OpenColourPicker(application, true); }
void OpenTextColourPicker(Application& application, int) { OpenColourPicker(application, false); }

void InstallColourCommands() {
  SetItemCommand(kItemFill, &OpenFillColourPicker);
  SetItemCommand(kItemTextColour, &OpenTextColourPicker);
}

}  // namespace quadrell
