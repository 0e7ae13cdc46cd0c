#pragma once
// The list of function names offered while a formula is typed: a borderless
// popup below the formula bar or the grid's in-place editor that lists the
// functions whose names hold the typed word, each with its argument hint, in
// the interface language. It never takes the keyboard focus, so typing goes on
// in the editor while the list follows.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Controls.h"
#include "platform/Window.h"
#include "view/SheetWindowParts.h"

namespace quadrell {

struct FunctionEntry;

// The functions whose name in the language begins with the prefix, in
// registry order, then those holding it further on. The prefix is compared
// in upper case.
std::vector<const FunctionEntry*> MatchFunctions(std::u16string_view prefix, std::u16string_view language);

class FormulaGadget : public FunctionSuggestions, private CanvasEvents, private PopupEvents {
 public:
  static constexpr int kWidth = 300;
  static constexpr int kHeight = 200;
  static constexpr int kRowHeight = 20;

  FormulaGadget() = default;
  ~FormulaGadget() override;

  void ShowSuggestions(std::u16string_view prefix, int screenX, int screenY, Application& application) override;
  bool IsSuggesting() const override;
  void CloseSuggestions() override;
  void SelectNextSuggestion() override;
  void SelectPreviousSuggestion() override;
  std::u16string ChosenSuggestion() override;

  const std::vector<const FunctionEntry*>& GetMatches() const { return matches_; }
  // -1 when no row is highlighted.
  int GetHighlighted() const { return highlighted_; }
  // A row as the list shows it: the name and its argument hint.
  std::u16string RowText(size_t index) const;
  CanvasControl* GetCanvas() const { return canvas_.get(); }
  Rect ScreenRect() const;

 private:
  void Paint();
  void Highlight(int row);

  std::unique_ptr<PopupWindow> popup_;
  std::unique_ptr<CanvasControl> canvas_;
  Application* application_ = nullptr;
  int highlighted_ = -1;
  std::vector<const FunctionEntry*> matches_;
};

}  // namespace quadrell
