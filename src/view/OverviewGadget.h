#pragma once
// The status field at the bottom right of a sheet window: how many numbers
// the selection holds, their average and their sum.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Controls.h"

namespace quadrell {

class Canvas;

class OverviewGadget : private CanvasEvents {
 public:
  static constexpr int kWidth = 200;
  static constexpr int kHeight = 20;

  OverviewGadget(ControlParent& parent, const Rect& bounds);
  void Resize(const Rect& bounds);
  // Average = sum / count (0 without numbers); the field repaints.
  void ShowSummary(double sum, int64_t count);
  // A message in place of the figures (what a file could not keep), until
  // the selection's figures change after the next summary.
  void ShowNotice(std::u16string_view text);
  const std::u16string& GetNotice() const { return notice_; }

  int64_t GetCount() const { return count_; }
  double GetAverage() const { return average_; }
  double GetSum() const { return sum_; }
  // The three texts as shown, shortened to fit beside each other.
  std::u16string CountText() const { return countText_; }
  std::u16string AverageText() const { return averageText_; }
  std::u16string SumText() const { return sumText_; }
  CanvasControl& GetCanvas() const { return *canvas_; }

 private:
  void Paint();

  std::unique_ptr<CanvasControl> canvas_;
  int64_t count_ = 1;
  double average_ = 0;
  double sum_ = 0;
  std::u16string countText_;
  std::u16string averageText_;
  std::u16string sumText_;
  std::u16string notice_;
  int noticeSummaries_ = 0;  // summaries the notice outlasts
};

// A number as the cells show it: decimal comma, thousands point, at most the
// given decimals with trailing zeros dropped ("1.234,5").
std::u16string GroupedNumberText(double number, int decimals);

}  // namespace quadrell
