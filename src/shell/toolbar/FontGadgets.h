#pragma once
// The font face box and the font size box of the toolbar: each shows the
// active cell's value and opens a list to choose another.
#include <cstdint>
#include <functional>
#include <string>

#include "shell/toolbar/DropdownGadget.h"

namespace quadrell {

class FontSizeGadget : public DropdownGadget {
 public:
  static constexpr int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 24, 28, 32, 48, 64, 72};

  FontSizeGadget(Window& window, const Rect& bounds, std::function<void(int32_t)> chosen);
  void SetFontSize(int32_t size);
  int32_t FontSize() const { return size_; }

 private:
  class List : public CanvasEvents {
   public:
    explicit List(FontSizeGadget& box) : box_(box) {}
    void OnMouseMove(int x, int y) override;
    void OnMouseLeave() override;
    void OnClick(int x, int y) override;
    void OnKeyUp(int key) override;
    FontSizeGadget& box_;
  };
  void PaintButton() override;
  void PaintList();
  void OnClick(int x, int y) override;

  std::function<void(int32_t)> chosen_;
  int32_t size_ = 10;
  Point pointer_{-1, -1};
  List list_{*this};
};

class FontGadget : public DropdownGadget {
 public:
  static constexpr int kRowHeight = 30;

  FontGadget(Window& window, const Rect& bounds, std::function<void(std::u16string_view)> chosen);
  void SetFontName(std::u16string_view name);
  const std::u16string& FontName() const { return name_; }
  // The y of the first list row, 0 or negative.
  int64_t Scroll() const { return scroll_; }

 private:
  class List : public CanvasEvents {
   public:
    explicit List(FontGadget& box) : box_(box) {}
    void OnMouseMove(int x, int y) override;
    void OnMouseLeave() override;
    void OnLeftDown(int x, int y) override;
    void OnLeftUp(int x, int y) override;
    void OnWheel(int steps) override;
    void OnKeyUp(int key) override;
    FontGadget& box_;
  };
  void PaintButton() override;
  void PaintList();
  void ClampScroll();
  void OnClick(int x, int y) override;

  std::function<void(std::u16string_view)> chosen_;
  std::u16string name_;
  int64_t scroll_ = 0;
  bool dragging_ = false;
  bool dragged_ = false;
  bool pressed_ = false;
  int dragY_ = 0;
  Point pointer_{-1, -1};
  List list_{*this};
};

}  // namespace quadrell
