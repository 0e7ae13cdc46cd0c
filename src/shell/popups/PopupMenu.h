#pragma once
// The small context menu of the grid's headers, its charts and the sheet tabs:
// a list of entries opened at the pointer in a borderless popup that closes
// when it loses the keyboard focus. A chosen entry runs after the menu closed.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Window.h"

namespace quadrell {

class Window;

using MenuProcedure = void (*)(void* data1, intptr_t data2);

struct MenuEntry {
  std::u16string text;
  MenuProcedure procedure = nullptr;
};

class PopupMenu : private PopupEvents, private CanvasEvents {
 public:
  static constexpr int kRowHeight = 25;
  ~PopupMenu() override;
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  const std::vector<MenuEntry>& Entries() const { return entries_; }
  Rect ScreenRect() const { return popup_->ScreenRect(); }
  CanvasControl& GetCanvas() const { return *canvas_; }
  int Highlighted() const { return highlighted_; }

 private:
  friend PopupMenu* ShowPopupMenu(const Window&, const std::vector<MenuEntry>&, void*, intptr_t, Point);
  PopupMenu(const Window& owner, const std::vector<MenuEntry>& entries, void* data1, intptr_t data2, Point at);
  void Paint();
  // Closes and frees the menu.
  void Dismiss();
  void OnDismissed() override { Dismiss(); }
  void OnMouseMove(int x, int y) override;
  void OnMouseLeave() override;
  void OnLeftUp(int x, int y) override;
  // Up and Down move the highlight; Return chooses it, Escape closes the menu.
  // Both on release, so that the key's release does not reach the grid after.
  void OnKeyDown(int key) override;
  void OnKeyUp(int key) override;
  void Choose(int entry);

  // Closed with a key or a choice: the owner window takes the keyboard back.
  void CloseToOwner();

  Window* owner_;
  std::unique_ptr<PopupWindow> popup_;
  std::unique_ptr<CanvasControl> canvas_;
  std::vector<MenuEntry> entries_;
  void* data1_;
  intptr_t data2_;
  int width_ = 0;
  int height_ = 0;
  Point pointer_{-1, -1};
  int highlighted_ = -1;  // the entry chosen with the keys
};

// Opens a menu of the entries at the screen point (the pointer's position when
// not given), above it when it would pass the bottom of the owner window. The
// menu frees itself when it closes; a chosen entry's procedure then gets the data.
PopupMenu* ShowPopupMenu(const Window& owner, const std::vector<MenuEntry>& entries, void* data1, intptr_t data2,
                         Point at = Point{-1, -1});
// The menu that is open, or null.
PopupMenu* OpenPopupMenu();

}  // namespace quadrell
