#pragma once
// The parts of a sheet window that other pieces of the window provide: the
// formula bar, the sheet tab strip, the toolbar, the suggestion list of
// function names and the grid's popups. The container and the grid view call
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

// The editing commands of the window's shortcuts, which act on the formula
// bar's own text while it has the focus.
enum class BarCommand { Delete, SelectAll, Copy, Cut, Paste, Undo, Redo };

// The formula input bar above the grid.
class FormulaBar {
 public:
  virtual ~FormulaBar() = default;
  virtual void SetBounds(const Rect& bounds) = 0;
  virtual std::u16string GetText() const = 0;
  // Shows the text with the caret at its end; not reported as a change.
  virtual void SetText(std::u16string_view text) = 0;
  // Its text field has the keyboard focus.
  virtual bool HasFocus() const = 0;
  // It is pointing at a range of the grid for the formula being typed.
  virtual bool IsPointing() const = 0;
  // Ends pointing: the grid view selects again.
  virtual void StopPointing() = 0;
  // Points again through the active view when the caret stands where a
  // reference may follow (that view now shows another sheet).
  virtual void ResumePointing() = 0;
  virtual void ToggleCaret() = 0;
  // Return or Tab while it has the focus; true when it took the key itself
  // (a suggested function name went into the text).
  virtual bool HandleEnterKey(int key) = 0;
  // Acts on its text; true when it took the command.
  virtual bool HandleCommand(BarCommand command) = 0;
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

// The list of function names offered while a formula is typed, below the
// formula bar or the grid's in-place editor. One list serves the process.
class FunctionSuggestions {
 public:
  virtual ~FunctionSuggestions() = default;
  // Lists the functions whose names hold the prefix at the screen point; an
  // empty prefix or one without matches closes the list.
  virtual void ShowSuggestions(std::u16string_view prefix, int screenX, int screenY, Application& application) = 0;
  virtual bool IsSuggesting() const = 0;
  virtual void CloseSuggestions() = 0;
  virtual void SelectNextSuggestion() = 0;
  virtual void SelectPreviousSuggestion() = 0;
  // The highlighted function's name, and the list closes; "" when none is highlighted.
  virtual std::u16string ChosenSuggestion() = 0;
};

// The installed suggestion list; null until one is installed.
FunctionSuggestions* GetFunctionSuggestions();
void SetFunctionSuggestions(std::unique_ptr<FunctionSuggestions> suggestions);

// The popups the grid opens: the filter dropdown of a filter's header cell and
// the chart editing dialog. The suggestion calls pass on to the installed
// suggestion list, so the in-place editor reaches it here as well.
class GridPopups {
 public:
  virtual ~GridPopups() = default;
  virtual void OpenFilterDropdown(SheetGadget& view, int32_t column) = 0;
  // The chart editing dialog of a chart object.
  virtual void EditChart(SheetGadget& view, void* chart) = 0;

  void ShowSuggestions(std::u16string_view prefix, int screenX, int screenY, Application& application) const {
    if (FunctionSuggestions* s = GetFunctionSuggestions()) s->ShowSuggestions(prefix, screenX, screenY, application);
  }
  bool IsSuggesting() const {
    FunctionSuggestions* s = GetFunctionSuggestions();
    return s && s->IsSuggesting();
  }
  void CloseSuggestions() const {
    if (FunctionSuggestions* s = GetFunctionSuggestions()) s->CloseSuggestions();
  }
  void SelectNextSuggestion() const {
    if (FunctionSuggestions* s = GetFunctionSuggestions()) s->SelectNextSuggestion();
  }
  void SelectPreviousSuggestion() const {
    if (FunctionSuggestions* s = GetFunctionSuggestions()) s->SelectPreviousSuggestion();
  }
  std::u16string ChosenSuggestion() const {
    FunctionSuggestions* s = GetFunctionSuggestions();
    return s ? s->ChosenSuggestion() : std::u16string();
  }
};

// The installed popups. Until the filter dropdown and the chart dialog are
// installed, a stand-in that opens neither is returned, so the suggestion
// calls still arrive.
GridPopups* GetGridPopups();
void SetGridPopups(std::unique_ptr<GridPopups> popups);

}  // namespace quadrell
