#pragma once
// The large menu below a window's start item: the file and program commands
// on the left, the recently used files on the right. A borderless popup that
// closes when it loses the keyboard focus; Up and Down move the highlight
// through both panels, Return chooses, Escape closes.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Window.h"

namespace quadrell {

class Application;

using StartHandler = void (*)(Application& application);
using RecentProcedure = void (*)(Application& application, const std::u16string& path);

// The text shortened to the width: its first nine characters, "[...]" and as
// much of its end as fits. A text that fits comes back unchanged; where not
// even "[...]" fits, the empty text. Never splits a surrogate pair.
std::u16string ShortenPath(std::u16string_view text, int width,
                           const std::function<int(std::u16string_view)>& measure);

class StartMenu : private PopupEvents, private CanvasEvents {
 public:
  static constexpr int kLeftWidth = 200;
  static constexpr int kRowHeight = 28;
  static constexpr int kRecentTop = 28;
  static constexpr int kRecentHeight = 18;
  static constexpr int kLeftRows = 8;  // row 5 is the gap

  StartMenu(Application& application, RecentProcedure recentProcedure);
  ~StartMenu() override;
  StartMenu(const StartMenu&) = delete;
  StartMenu& operator=(const StartMenu&) = delete;

  void SetHandler(int row, StartHandler handler);
  // Closed by a click outside it very recently, with the pointer on the start
  // item: that click took the focus away and must not open it again.
  bool WasJustClosed() const;
  bool IsOpen() const;

  CanvasControl& GetCanvas() const { return *canvas_; }
  Rect ScreenRect() const;
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The recent files as shown, newest first.
  const std::vector<std::u16string>& RecentPaths() const { return recent_; }
  // The shown text of a recent file row.
  std::u16string ShownPath(size_t index) const;
  // The highlighted entry: left rows 0 to 7, then kLeftRows + recent index; -1 none.
  int Highlighted() const { return highlighted_; }

 private:
  void Paint();
  void OnMouseMove(int x, int y) override;
  void OnMouseLeave() override;
  void OnClick(int x, int y) override;
  void OnKeyDown(int key) override;
  void OnKeyUp(int key) override;
  void OnDismissed() override;
  // Runs the entry (left row, or kLeftRows + recent index) after closing.
  void Choose(int entry);
  void Close(bool toOwner);
  std::vector<int> Entries() const;

  Application& application_;
  RecentProcedure recentProcedure_;
  StartHandler handlers_[10] = {};
  std::unique_ptr<PopupWindow> popup_;
  std::unique_ptr<CanvasControl> canvas_;
  std::vector<std::u16string> recent_;
  std::vector<bool> missing_;
  int width_ = 0;
  int height_ = 0;
  int pointerX_ = -1;
  int pointerY_ = -1;
  int highlighted_ = -1;
  Rect startItem_{};
  bool closedOnStartItem_ = false;
  std::chrono::steady_clock::time_point closedAt_{};
};

// The start item's command: opens the window's start menu, or only forgets it
// when the click on the item was what closed it.
void ToggleStartMenu(Application& application);
// The window's start menu, or null.
StartMenu* GetStartMenu(const Application& application);

}  // namespace quadrell
