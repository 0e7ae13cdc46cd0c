#pragma once
// The parts of a sheet window that other pieces of the window provide: the
// formula bar, the sheet tab strip, the toolbar, the suggestion list of
// function names and the filter dropdown. The container and the grid view call
// them through these interfaces; until a part is installed its calls do nothing.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Geometry.h"

namespace quadrell {

class Application;
class SheetGadget;
class Sheet;

// The formula input bar above the grid.
class FormulaBar {
 public:
  virtual ~FormulaBar() = default;
  virtual void SetBounds(const Rect& bounds) = 0;
  virtual std::u16string GetText() const = 0;
  virtual void SetText(std::u16string_view text) = 0;
  // Its text field has the keyboard focus.
  virtual bool HasFocus() const = 0;
  // It is pointing at a range of the grid for the formula being typed.
  virtual bool IsPointing() const = 0;
  virtual void ToggleCaret() = 0;
};

// The strip of sheet tabs below the grid.
class SheetTabs {
 public:
  virtual ~SheetTabs() = default;
  virtual void SetBounds(const Rect& bounds) = 0;
  virtual void Repaint() = 0;
  // The sheet after (before) the active one becomes active and its tab shows;
  // nothing at the last (first) sheet.
  virtual void SelectNextSheet() = 0;
  virtual void SelectPreviousSheet() = 0;
};

// The toolbar band at the top of the window.
class Toolbar {
 public:
  virtual ~Toolbar() = default;
  // Lays the toolbar out across the width; returns its height.
  virtual int Layout(int width) = 0;
  // The font box and the font size box show the active cell's font.
  virtual void ShowFont(std::u16string_view face, int32_t size) = 0;
};

// The suggestion list of function names the in-place editor opens below the
// active cell, and the filter dropdown of a filter's header cell.
class GridPopups {
 public:
  virtual ~GridPopups() = default;
  virtual void ShowSuggestions(std::u16string_view prefix, int screenX, int screenY, Application& application) = 0;
  virtual bool IsSuggesting() const = 0;
  virtual void CloseSuggestions() = 0;
  virtual void SelectNextSuggestion() = 0;
  virtual void SelectPreviousSuggestion() = 0;
  // The chosen function name, or "" when none is chosen.
  virtual std::u16string ChosenSuggestion() const = 0;
  virtual void OpenFilterDropdown(SheetGadget& view, int32_t column) = 0;
  // The chart editing dialog of a chart object.
  virtual void EditChart(SheetGadget& view, void* chart) = 0;
};

// The installed popups; null until the parts that provide them are built.
GridPopups* GetGridPopups();
void SetGridPopups(std::unique_ptr<GridPopups> popups);

}  // namespace quadrell
