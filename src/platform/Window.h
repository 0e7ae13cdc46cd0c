#pragma once
// Top-level windows, tool windows and popups. Destroying a window object
// closes the window; the controls placed in it must be destroyed first or with it.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Controls.h"
#include "platform/Geometry.h"

namespace quadrell {

class Window;

class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  // The new size of the window's client area.
  virtual void OnResize(int, int) {}
  // The user asked to close the window; it stays open until its object is destroyed.
  virtual void OnCloseRequested() {}
  virtual void OnTimer() {}
  // A keyboard shortcut of the window was pressed (AddShortcut).
  virtual void OnMenuEvent(int) {}
  // Files dropped on the window (AcceptFileDrops), with the drop point on the screen.
  virtual void OnFilesDropped(const std::vector<std::u16string>&, Point) {}
};

enum class WindowKind {
  Main,  // resizable with minimise and maximise boxes; opens maximised, centred at its size when restored
  Tool,  // a dialog window with a close box, centred on its owner (or the screen without one)
};

struct WindowOptions {
  WindowKind kind = WindowKind::Main;
  std::u16string title;
  int width = 500;  // the client area; for main windows the restored size
  int height = 400;
  bool resizable = true;
  bool stayOnTop = false;
  const Window* owner = nullptr;  // tool windows stay above their owner
};

class Window : public ControlParent {
 public:
  virtual void SetTitle(std::u16string_view title) = 0;
  virtual std::u16string Title() const = 0;
  // The client area.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual Rect ScreenRect() const = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;
  // To the front with the keyboard focus, restored when minimised.
  virtual void Activate() = 0;
  virtual void SetIcon(const Bitmap& icon) = 0;
  // The key (Keys.h; with Control held when control is set) becomes menu event
  // `event` of this window, wherever the focus is inside it.
  virtual void AddShortcut(int key, bool control, bool shift, int event) = 0;
  void AddShortcut(int key, bool control, int event) { AddShortcut(key, control, false, event); }
  virtual void RemoveShortcut(int event) = 0;
  // A repeating timer reported by OnTimer; a second call replaces the first.
  virtual void StartTimer(int milliseconds) = 0;
  virtual void AcceptFileDrops() = 0;
};

std::unique_ptr<Window> CreateWindow(const WindowOptions& options, WindowEvents& events);

class PopupEvents {
 public:
  virtual ~PopupEvents() = default;
  // The popup closed itself because it lost the keyboard focus (a click
  // outside it, another window activated). Close() does not report this.
  virtual void OnDismissed() {}
};

// A borderless window at a screen position above its owner window. A popup
// that takes the focus closes when it loses it; one that does not (a list of
// suggestions beside an editor) leaves the focus where it is and stays open
// until closed.
class PopupWindow : public ControlParent {
 public:
  virtual void Show() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual Rect ScreenRect() const = 0;
};

std::unique_ptr<PopupWindow> CreatePopupWindow(const Window& owner, const Rect& screenRect, PopupEvents& events,
                                               bool takesFocus = true);

}  // namespace quadrell
