#pragma once
// The split button of the toolbar: its left half applies the chosen entry
// again, its arrow opens the list of entries to choose another.
#include <functional>
#include <string>
#include <vector>

#include "shell/toolbar/DropdownGadget.h"

namespace quadrell {

class ToolbarDropdown : public DropdownGadget {
 public:
  static constexpr int kRowHeight = 30;
  static constexpr int kListWidth = 260;

  ToolbarDropdown(Window& window, const Rect& bounds);
  void AddEntry(int id, std::u16string_view text);
  // Every entry with the id runs the procedure when applied.
  void SetEntryCallback(int id, const std::function<void()>& procedure);
  int Selected() const { return selected_; }
  int HoverPart() const { return hoverPart_; }
  int Highlighted() const { return highlighted_; }
  size_t EntryCount() const { return entries_.size(); }

 private:
  struct Entry {
    int id;
    std::u16string text;
    std::function<void()> procedure;
  };
  class List : public CanvasEvents {
   public:
    explicit List(ToolbarDropdown& box) : box_(box) {}
    void OnMouseMove(int x, int y) override;
    void OnClick(int x, int y) override;
    void OnKeyDown(int key) override;
    void OnKeyUp(int key) override;
    ToolbarDropdown& box_;
  };
  void PaintButton() override;
  void PaintList();
  void Choose(int entry);
  void OnMouseMove(int x, int y) override;
  void OnMouseLeave() override;
  void OnClick(int x, int y) override;

  std::vector<Entry> entries_;
  int selected_ = 0;
  int hoverPart_ = 0;
  int highlighted_ = -1;
  List list_{*this};
};

}  // namespace quadrell
