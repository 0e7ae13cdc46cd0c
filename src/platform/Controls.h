#pragma once
// The controls that windows are built of, as the views and dialogs see them:
// each is placed at pixel coordinates inside a parent (a window, a container,
// a scroll area or a tab page) and reports its events to its creator.
// Destroying a control removes it from the screen.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Geometry.h"

namespace quadrell {

// Something controls are placed in. It must outlive the controls in it.
class ControlParent {
 public:
  virtual ~ControlParent() = default;
};

class Control {
 public:
  virtual ~Control() = default;
  // Position and size inside the parent.
  virtual void SetBounds(const Rect& bounds) = 0;
  virtual Rect Bounds() const = 0;
  virtual Rect ScreenRect() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void Focus() = 0;
  virtual bool HasFocus() const = 0;
  // From now on the control covers the whole of its parent, also when that is resized.
  virtual void FillParent() = 0;
  // A text shown while the pointer rests on the control.
  virtual void SetToolTip(std::u16string_view) {}
};

// What a canvas control reports. Positions are canvas pixels; a drag that
// leaves the canvas keeps reporting to it until the button is released.
class CanvasEvents {
 public:
  virtual ~CanvasEvents() = default;
  // A typed character; control characters come only as key codes.
  virtual void OnCharacter(char16_t) {}
  // Key codes of Keys.h. Keys that are shortcuts of the window arrive only as key-up.
  virtual void OnKeyDown(int) {}
  virtual void OnKeyUp(int) {}
  // Wheel notches, positive away from the user.
  virtual void OnWheel(int) {}
  // Sideways wheel notches (a tilted wheel, a touchpad), positive to the left.
  virtual void OnHorizontalWheel(int) {}
  virtual void OnLeftDown(int, int) {}
  virtual void OnLeftUp(int, int) {}
  virtual void OnLeftDoubleClick(int, int) {}
  // A left press and release on the canvas (not the second press of a double click).
  virtual void OnClick(int, int) {}
  virtual void OnRightClick(int, int) {}
  virtual void OnMouseMove(int, int) {}
  virtual void OnMouseLeave() {}
  virtual void OnFocus() {}
  virtual void OnFocusLost() {}
};

// The modifier keys held at the input event being delivered.
struct KeyModifiers {
  bool shift = false;
  bool control = false;
};
KeyModifiers CurrentKeyModifiers();

enum class PointerShape { Arrow, Cross, ResizeUpDown, ResizeLeftRight };

struct CanvasOptions {
  bool takesFocus = false;      // a click gives it the keyboard focus
  bool confinePointer = false;  // the pointer stays inside while a button is held
};

// A custom-drawn control. What is drawn on its Surface shows on the screen at
// the next repaint; a new canvas is white, and growing it adds white.
class CanvasControl : public Control {
 public:
  virtual Canvas& Surface() = 0;
  virtual void SetPointerShape(PointerShape shape) = 0;
  // Its window is the active one: a focus loss while it is not came from
  // another window (a popup, a dialog, another program) taking the keyboard.
  virtual bool IsInActiveWindow() const = 0;
};

class ImageControl : public Control {
 public:
  virtual void SetImage(const Bitmap& image) = 0;
};

class Label : public Control {
 public:
  virtual void SetText(std::u16string_view text) = 0;
};

struct TextFieldOptions {
  bool multiLine = false;  // multi-line fields wrap at word boundaries
  bool readOnly = false;
};

class TextField : public Control {
 public:
  virtual std::u16string Text() const = 0;
  virtual void SetText(std::u16string_view text) = 0;
  // The procedure runs whenever the user changes the text (typing, pasting, deleting).
  virtual void SetEditedProcedure(std::function<void()>) {}
};

class CheckBox : public Control {
 public:
  virtual bool IsChecked() const = 0;
  // Does not report a toggle.
  virtual void SetChecked(bool checked) = 0;
};

class Button : public Control {};

class ComboBox : public Control {
 public:
  virtual int Selected() const = 0;
  virtual void SetSelected(int index) = 0;
};

class TrackBar : public Control {
 public:
  virtual int Value() const = 0;
  virtual void SetValue(int value) = 0;
};

class ScrollBar : public Control {
 public:
  // The scrolled content is `total` long, of which `visible` is shown; the
  // position runs from 0 to total - visible.
  virtual void SetRange(int total, int visible) = 0;
  virtual int Position() const = 0;
  virtual void SetPosition(int position) = 0;
};

// A plain area that holds controls (a page of a dialog).
class Panel : public Control, public ControlParent {};

// Its controls are placed on a content area of the given size, scrolled inside the control.
class ScrollArea : public Control, public ControlParent {
 public:
  virtual void SetContentSize(int width, int height) = 0;
};

class TabPanel : public Control {
 public:
  // A new page with the label; its controls are placed inside it.
  virtual ControlParent& AddTab(std::u16string_view label) = 0;
};

class HyperlinkLabel : public Control {};

std::unique_ptr<CanvasControl> CreateCanvasControl(ControlParent& parent, const Rect& bounds, CanvasEvents& events,
                                                   CanvasOptions options = {});
// A picture; onClick may be empty.
std::unique_ptr<ImageControl> CreateImageControl(ControlParent& parent, const Rect& bounds, const Bitmap& image,
                                                 std::function<void()> onClick);
std::unique_ptr<Label> CreateLabel(ControlParent& parent, const Rect& bounds, std::u16string_view text);
std::unique_ptr<TextField> CreateTextField(ControlParent& parent, const Rect& bounds, std::u16string_view text,
                                           TextFieldOptions options = {});
// onToggled gets the new state after the user toggled it.
std::unique_ptr<CheckBox> CreateCheckBox(ControlParent& parent, const Rect& bounds, std::u16string_view text,
                                         std::function<void(bool)> onToggled);
std::unique_ptr<Button> CreateButton(ControlParent& parent, const Rect& bounds, std::u16string_view text,
                                     std::function<void()> onClick);
std::unique_ptr<ComboBox> CreateComboBox(ControlParent& parent, const Rect& bounds,
                                         const std::vector<std::u16string>& items);
// onChanged gets every value while the user moves it.
std::unique_ptr<TrackBar> CreateTrackBar(ControlParent& parent, const Rect& bounds, int minimum, int maximum,
                                         std::function<void(int)> onChanged);
std::unique_ptr<ScrollBar> CreateScrollBar(ControlParent& parent, const Rect& bounds, bool vertical,
                                           std::function<void(int)> onScrolled);
std::unique_ptr<Panel> CreatePanel(ControlParent& parent, const Rect& bounds);
std::unique_ptr<ScrollArea> CreateScrollArea(ControlParent& parent, const Rect& bounds);
std::unique_ptr<TabPanel> CreateTabPanel(ControlParent& parent, const Rect& bounds);
// Blue text; a click opens the address with its default handler.
std::unique_ptr<HyperlinkLabel> CreateHyperlinkLabel(ControlParent& parent, const Rect& bounds,
                                                     std::u16string_view text, std::u16string_view address);

}  // namespace quadrell
