#pragma once
// The status field at the bottom right of a sheet window: the count, average
// and sum of the selected numbers.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Controls.h"

namespace quadrell {

class OverviewGadget : private CanvasEvents {
 public:
  static constexpr int kWidth = 130;
  static constexpr int kHeight = 20;

  OverviewGadget(ControlParent& parent, const Rect& bounds);
  void Resize(const Rect& bounds);
  // Average = sum / count; the field repaints.
  void ShowSummary(double sum, int64_t count);

  int64_t GetCount() const { return count_; }
  double GetAverage() const { return average_; }
  double GetSum() const { return sum_; }
  // The three texts as shown.
  std::u16string CountText() const;
  std::u16string AverageText() const;
  std::u16string SumText() const;
  CanvasControl& GetCanvas() const { return *canvas_; }

 private:
  void Paint();

  std::unique_ptr<CanvasControl> canvas_;
  int64_t count_ = 1;
  double average_ = 0;
  double sum_ = 0;
};

}  // namespace quadrell
