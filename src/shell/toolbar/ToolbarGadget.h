#pragma once
// The strip of tool controls at the top of a window: pictures that run the
// commands, the font and size boxes, the border box and the text flow button.
// It wraps its items into one to three rows of 20 pixels, keeping the groups
// between separators in aligned columns.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Window.h"
#include "view/SheetWindowParts.h"

namespace quadrell {

class Application;
class BorderGadget;
class FontGadget;
class FontSizeGadget;
class ToolbarDropdown;

constexpr int kToolbarSeparator = 0;
constexpr int kToolbarLastItem = 42;

// The language key of the item's text; empty for an unknown id.
std::string_view ToolbarItemKey(int id);
// The width an item takes in the strip (a picture counts 20 pixels).
int ToolbarItemWidth(int id);
// A list as read from the toolbar file made usable: unknown ids and repeated
// ones (except separators) dropped, the start item first.
std::vector<int> RepairToolbarItems(const std::vector<int64_t>& items);

// What the toggle pictures show for the active cell and the window.
struct ToolbarStates {
  uint32_t fontFlags = 0;
  int verticalAlignment = -1;
  int horizontalAlignment = -1;
  bool filter = false;
  bool fixedView = false;
  bool split = false;
  bool formulaView = false;
};

class ToolbarGadget : public Toolbar {
 public:
  // kind 0: the fixed items of text-document windows; 1: the configured items
  // of sheet windows; 2: only the start picture. states reports the toggles.
  ToolbarGadget(Application& application, Window& window, int kind,
                std::function<ToolbarStates()> states = nullptr);
  ~ToolbarGadget() override;

  // Lays the items out for the width; returns the height. A width of 0 or
  // less (a minimised window) keeps the rows as they are.
  int Arrange(int width);
  int Layout(int width) override { return Arrange(width); }
  void ShowFont(std::u16string_view face, int32_t size) override;
  // The item's click (and the text flow entry with the id) runs the procedure.
  void SetItemCallback(int id, const std::function<void()>& procedure);
  // Reads the toggle states again and repaints the pictures whose state changed.
  void RefreshStates();

  int Rows() const { return rows_; }
  const std::vector<int>& Items() const { return items_; }
  // The control of the item, or null.
  Control* GetControl(int id) const;
  bool IsItemActive(int id) const;
  FontGadget* GetFontBox() const { return fontBox_; }
  FontSizeGadget* GetFontSizeBox() const { return fontSizeBox_; }
  BorderGadget* GetBorderBox() const { return borderBox_; }
  ToolbarDropdown* GetTextFlowBox() const { return textFlowBox_; }

 private:
  class Picture;

  Application& application_;
  Window& window_;
  std::function<ToolbarStates()> states_;
  std::vector<int> items_;
  std::map<int, Control*> gadgets_;
  std::vector<std::unique_ptr<Picture>> pictures_;
  std::unique_ptr<ImageControl> start_;
  std::unique_ptr<FontGadget> fontBoxOwner_;
  std::unique_ptr<FontSizeGadget> fontSizeBoxOwner_;
  std::unique_ptr<BorderGadget> borderBoxOwner_;
  std::unique_ptr<ToolbarDropdown> textFlowBoxOwner_;
  FontGadget* fontBox_ = nullptr;
  FontSizeGadget* fontSizeBox_ = nullptr;
  BorderGadget* borderBox_ = nullptr;
  ToolbarDropdown* textFlowBox_ = nullptr;
  int rows_ = 1;
};

}  // namespace quadrell

namespace quadrell {

class SheetContainer;
// The toggle states of a sheet window: the active cell's font and alignment,
// the filter of the sheet, the view's fixed panes and formula view, the split.
ToolbarStates SheetToolbarStates(const SheetContainer& container);

}  // namespace quadrell
