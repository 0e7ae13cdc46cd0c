#pragma once
// What dialog windows are built of beyond the single controls: grid layouts
// that size rows and columns by what their controls need (so that longer
// German texts fit), list boxes with pictures, and the keys of a dialog.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Colour.h"
#include "platform/Controls.h"
#include "platform/Window.h"

namespace quadrell {

enum class Alignment { Fill, Start, End, Centre };

// Rows and columns of controls. Controls and inner layouts placed in it are
// positioned by it from then on; their own bounds no longer count.
class GridLayout {
 public:
  virtual ~GridLayout() = default;
  virtual void Add(Control& control, int row, int column, int rowSpan = 1, int columnSpan = 1,
                   Alignment alignment = Alignment::Fill) = 0;
  // The inner layout (made with CreateInnerGridLayout) takes the cell.
  virtual void AddLayout(GridLayout& inner, int row, int column, int rowSpan = 1, int columnSpan = 1) = 0;
  // Spare room goes to rows and columns by their stretch (0: none).
  virtual void SetRowStretch(int row, int stretch) = 0;
  virtual void SetColumnStretch(int column, int stretch) = 0;
  virtual void SetColumnMinimumWidth(int column, int width) = 0;
  virtual void SetMargins(int margin) = 0;
  virtual void SetSpacing(int spacing) = 0;
};

// The layout of the parent (a window, a panel or a tab page).
std::unique_ptr<GridLayout> CreateGridLayout(ControlParent& parent);
// A layout to place inside another one.
std::unique_ptr<GridLayout> CreateInnerGridLayout();

// Grows the window to the size its layout asks for, at least; call before Show.
void FitToLayout(Window& window);

// Return that the control with the focus does not take clicks the focused
// button, or else the default button; Escape asks the window to close.
void SetDialogKeys(Window& window, Button* defaultButton);

struct ListItem {
  std::u16string text;
  const Bitmap* icon = nullptr;
};

struct ListBoxOptions {
  // The user selected the row (keys or pointer).
  std::function<void(int)> onSelected;
  // Return or a double click on the row.
  std::function<void(int)> onActivated;
  // The list's ground.
  Colour background = RgbColour(255, 255, 255);
};

// A list of rows with pictures, one selected; Up, Down, Home and End move the
// selection while it has the focus.
class ListBox : public Control {
 public:
  virtual void SetItems(const std::vector<ListItem>& items) = 0;
  virtual int Count() const = 0;
  // -1 when none.
  virtual int Selected() const = 0;
  // Does not report; out-of-range indexes select nothing.
  virtual void SetSelected(int index) = 0;
};

std::unique_ptr<ListBox> CreateListBox(ControlParent& parent, const Rect& bounds, ListBoxOptions options = {});

}  // namespace quadrell
