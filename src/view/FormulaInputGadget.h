#pragma once
// The formula input bar: the one-line text field above the grid that shows the
// active cell's input and edits it. It is drawn on a canvas and keeps its own
// caret and character selection; it scrolls sideways to keep the caret in
// sight. While a formula is typed it offers function names (the suggestion
// list) and points: a range dragged over in the grid is written into the
// formula as a reference. Its sheet container commits the text into the cell
// when the bar loses the focus.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Controls.h"
#include "view/SheetWindowParts.h"

namespace quadrell {

class PlatformFont;
class Range;
class SheetContainer;

class FormulaInputGadget : public FormulaBar, private CanvasEvents {
 public:
  static constexpr int kMargin = 2;
  static constexpr int kLineHeight = 16;

  FormulaInputGadget(ControlParent& parent, const Rect& bounds, SheetContainer& container, Application& application);
  ~FormulaInputGadget() override;
  FormulaInputGadget(const FormulaInputGadget&) = delete;
  FormulaInputGadget& operator=(const FormulaInputGadget&) = delete;

  void SetBounds(const Rect& bounds) override;
  std::u16string GetText() const override { return text_; }
  void SetText(std::u16string_view text) override;
  bool HasFocus() const override;
  bool IsPointing() const override { return pointing_; }
  void StopPointing() override;
  void ResumePointing() override { UpdatePointing(); }
  void ToggleCaret() override;
  bool HandleEnterKey(int key) override;
  bool HandleCommand(BarCommand command) override;

  CanvasControl& GetCanvas() const { return *canvas_; }
  // Characters before the caret, and the other end of the selection.
  int GetCaret() const { return caret_; }
  int GetAnchor() const { return anchor_; }
  // How far the text is scrolled to the left, in pixels.
  int GetScroll() const { return scroll_; }
  // The canvas x at which the caret stands before the character at position.
  int CaretX(int position) const;
  // The position a press at canvas x puts the caret at.
  int PositionAt(int x) const;

 private:
  struct Snapshot {
    std::u16string text;
    int caret;
    int anchor;
  };

  // CanvasEvents
  void OnCharacter(char16_t character) override;
  void OnKeyDown(int key) override;
  void OnKeyUp(int key) override;
  void OnLeftDown(int x, int y) override;
  void OnLeftUp(int x, int y) override;
  void OnLeftDoubleClick(int x, int y) override;
  void OnMouseMove(int x, int y) override;
  void OnFocus() override;
  void OnFocusLost() override;

  int TextWidth(int characters) const;
  bool HasSelection() const { return anchor_ != caret_; }
  // Puts the caret at the position, extending the selection when asked.
  void MoveCaret(int position, bool extend);
  // Records the state for the bar's own undo, before a change.
  void Remember();
  // Removes the selected characters; false when there were none.
  bool DeleteSelection();
  // Replaces the selection (or inserts at the caret) with the text.
  void ReplaceSelection(std::u16string_view text);
  // Deletes the character before (forward false) or after the caret, or the selection.
  void DeleteCharacter(bool forward);
  // After every change of the text: suggestions, pointing, repaint, the container's outlines.
  void TextChanged();
  void ShowSuggestions();
  void UpdatePointing();
  void InsertSuggestion(std::u16string_view name);
  void Escape();
  static void ReferencePicked(void* bar, const Range* range, int done);
  void Picked(const Range* range, bool done);
  void ScrollToCaret();
  void Paint();

  SheetContainer& container_;
  Application& application_;
  std::unique_ptr<CanvasControl> canvas_;
  const PlatformFont* font_ = nullptr;
  std::u16string text_;
  bool focused_ = false;
  bool caretOn_ = true;
  int caret_ = 0;
  int anchor_ = 0;
  int scroll_ = 0;
  bool shiftDown_ = false;
  bool dragging_ = false;
  bool pointing_ = false;
  std::u16string lastReference_;
  // The grid view that picks for the bar while it points.
  class SheetGadget* pickView_ = nullptr;
  std::vector<Snapshot> undo_;
  std::vector<Snapshot> redo_;
};

}  // namespace quadrell
