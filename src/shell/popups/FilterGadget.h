#pragma once
// The dropdown of a filter's header cell: the two sorts of its column, and a
// checklist of the column's values that becomes the column's filter. The
// checklist works on its own copy until "apply", so cancelling changes nothing;
// the sorts act at once, each one undo step.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/Filter.h"
#include "platform/Controls.h"
#include "platform/Window.h"

namespace quadrell {

class Application;
class SheetGadget;

// One entry of the checklist: a display text of the column, its number (NaN
// for texts that are not numbers) and its lower-case form for sorting and search.
struct FilterValue {
  std::u16string text;
  double number = 0;
  std::u16string folded;
};

// The column's values as the checklist shows them: the texts of the shown
// rows below the header and the texts the column's filter names, each once;
// numbers first in ascending order, then the texts without regard to case,
// the empty text last. Cells are only read, none is created.
std::vector<FilterValue> FilterColumnValues(Filter& filter, int32_t column);

class FilterGadget : private CanvasEvents, private PopupEvents {
 public:
  static constexpr int kWidth = 250;
  static constexpr int kHeight = 350;
  static constexpr int kRowHeight = 20;
  static constexpr int kListTop = 105;
  static constexpr int kListHeight = 220;
  static constexpr int kScrollBarWidth = 10;

  ~FilterGadget() override;
  FilterGadget(const FilterGadget&) = delete;
  FilterGadget& operator=(const FilterGadget&) = delete;

  // Opens the dropdown of the column of the view's filter with its top left
  // corner at the screen point (kept on the screen). It frees itself when it closes.
  static FilterGadget* Open(SheetGadget& view, int32_t column, Point at);
  // The dropdown that is open, or null.
  static FilterGadget* OpenDropdown();
  // Closes the open dropdown when its window is the one given.
  static void CloseFor(const Window& owner);

  int32_t Column() const { return column_; }
  const std::vector<FilterValue>& Values() const { return values_; }
  // Indices into Values() of the rows the list shows (those the search matches).
  const std::vector<int32_t>& Listed() const { return listed_; }
  bool IsChecked(int32_t value) const { return checked_[static_cast<size_t>(value)]; }
  const std::u16string& SearchText() const { return search_; }
  // Something listed is checked: "apply" would leave a row to show.
  bool CanApply() const;
  // The y of the first list row relative to the list's top, 0 or negative.
  int64_t Scroll() const { return scroll_; }
  CanvasControl* GetCanvas() const { return canvas_.get(); }
  Rect ScreenRect() const { return popup_ ? popup_->ScreenRect() : Rect{}; }

  void Paint();
  // Writes the checklist into the column's filter as one undo step and closes.
  void Apply();
  // Closes without a change (Escape, "cancel", focus lost).
  void Cancel();

 private:
  FilterGadget(SheetGadget& view, Filter& filter, int32_t column);
  void SetSearch(std::u16string text);
  void SortColumn(bool descending);
  void SetListed(bool checked);
  void ClampScroll();
  int64_t ListTotal() const { return int64_t{kRowHeight} * static_cast<int64_t>(listed_.size()); }
  bool HasScrollBar() const { return ListTotal() > kListHeight; }
  // The thumb's top and height on the canvas.
  void Thumb(int& top, int& height) const;
  // The view, the sheet and the filter the dropdown was opened for, still there.
  bool StillValid() const;
  void Close();

  void OnCharacter(char16_t c) override;
  void OnKeyDown(int key) override;
  void OnKeyUp(int key) override;
  void OnWheel(int steps) override;
  void OnLeftDown(int x, int y) override;
  void OnLeftUp(int x, int y) override;
  void OnMouseMove(int x, int y) override;
  void OnClick(int x, int y) override;
  void OnDismissed() override { Cancel(); }
  void OnFocus() override { Paint(); }
  void OnFocusLost() override { Paint(); }

  Application& application_;
  SheetGadget& view_;
  Sheet* sheet_;
  Filter* filter_;
  int32_t column_;
  std::vector<FilterValue> values_;
  std::vector<char> checked_;
  std::vector<int32_t> listed_;
  std::u16string search_;
  int64_t scroll_ = 0;
  bool dragging_ = false;
  bool dragged_ = false;
  int dragY_ = 0;
  int allWidth_ = 40;
  int noneWidth_ = 40;
  Window* owner_ = nullptr;
  std::unique_ptr<PopupWindow> popup_;
  std::unique_ptr<CanvasControl> canvas_;
};

// Makes the grid's filter buttons open the dropdown.
void InstallFilterDropdown();

}  // namespace quadrell
