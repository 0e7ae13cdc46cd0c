#pragma once
// The border box of the toolbar: a split button that applies the last border
// preset again, and a panel with a preview of the selection's borders, the
// line styles, the presets and a colour picker. Each change is one undo step.
#include <array>
#include <cstdint>
#include <memory>

#include "model/Action.h"
#include "shell/popups/ColorGadget.h"
#include "shell/toolbar/DropdownGadget.h"

namespace quadrell {

class Application;
class AreaRange;
class Sheet;

// Marks an edge whose cells have different colours; no real colour has it.
constexpr int64_t kMixedColour = 0x1808080;

struct BorderEdge {
  int64_t colour = -1;  // -1 unset, kMixedColour mixed
  int style = -1;       // -1 unset, -2 mixed, else a line style 0 to 6
  bool operator==(const BorderEdge&) const = default;
};

enum BorderEdgeIndex { kOuterTop, kOuterBottom, kOuterLeft, kOuterRight, kInnerHorizontal, kInnerVertical };
using BorderSummary = std::array<BorderEdge, 6>;

// Edge masks of the presets, in the panel's order.
constexpr int kBorderPresets[12] = {1, 2, 4, 8, 15, 48, 63, 64, 128, 0, 32, 16};

// The borders of the selection's cells, gathered into the six edges. Whole
// rows, columns or the sheet are read from their styles and the stored cells.
BorderSummary ReadBorderSummary(const Sheet& sheet, const AreaRange& selection);
// Every edge of the mask gets the style and colour; when they all have the
// style already, they are cleared instead.
void TogglePreset(BorderSummary& summary, int mask, int style, Colour colour);
// Writes the summary's set edges into the selection; the undo group of the change.
std::unique_ptr<GroupAction> ApplyBorderSummary(Sheet& sheet, const AreaRange& selection,
                                                 const BorderSummary& summary);

class BorderGadget : public DropdownGadget {
 public:
  static constexpr int kPanelWidth = 260;
  static constexpr int kPanelHeight = 350;

  BorderGadget(Window& window, const Rect& bounds, Application& application);
  ~BorderGadget() override;

  int StyleIndex() const { return styleIndex_; }
  int PresetIndex() const { return presetIndex_; }
  Colour LineColour() const { return colour_; }
  const BorderSummary& Summary() const { return summary_; }

 private:
  class Panel : public CanvasEvents {
   public:
    explicit Panel(BorderGadget& box) : box_(box) {}
    void OnMouseMove(int x, int y) override;
    void OnClick(int x, int y) override;
    void OnKeyUp(int key) override;
    BorderGadget& box_;
  };
  void PaintButton() override;
  void PaintPanel();
  void OnMouseMove(int x, int y) override;
  void OnMouseLeave() override;
  void OnClick(int x, int y) override;
  // Reads the selection; false when the window shows no sheet selection.
  bool Read();
  void Apply();

  Application& application_;
  int hoverPart_ = 0;
  int styleIndex_ = 3;
  int presetIndex_ = 6;
  Colour colour_ = 0;
  BorderSummary summary_{};
  bool severalRows_ = false;
  bool severalColumns_ = false;
  Point pointer_{-1, -1};
  std::unique_ptr<ColorGadget> picker_;
  Panel panel_{*this};
};

}  // namespace quadrell
