#include "view/OverviewGadget.h"

#include "model/Font.h"
#include "model/Style.h"
#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {

OverviewGadget::OverviewGadget(ControlParent& parent, const Rect& bounds)
    : canvas_(CreateCanvasControl(parent, bounds, *this)) {
  Paint();
}

void OverviewGadget::Resize(const Rect& bounds) {
  canvas_->SetBounds(bounds);
  Paint();
}

void OverviewGadget::ShowSummary(double sum, int64_t count) {
  count_ = count;
  sum_ = sum;
  average_ = count != 0 ? sum / static_cast<double>(count) : 0;
  Paint();
}

std::u16string OverviewGadget::CountText() const { return u"#" + Utf8ToUtf16(IntegerText(count_)); }
std::u16string OverviewGadget::AverageText() const { return u"\u00D8" + GeneralForm16(average_); }
std::u16string OverviewGadget::SumText() const { return u" \u03A3" + GeneralForm16(sum_); }

void OverviewGadget::Paint() {
  Canvas& c = canvas_->Surface();
  c.ClearClip();
  c.FillBox(0, 0, kWidth, kHeight, kWhite);
  c.DrawLine(0, 0, kWidth, 0, 0xEEEEEE);
  c.SetFont(*GetFont(u"Arial", 10, 0)->platformFont);
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetTextColour(0x444444);
  c.SetClip(0, 0, 30, kHeight);
  c.DrawText(1, 3, CountText());
  c.SetClip(30, 0, 50, kHeight);
  c.DrawText(31, 3, AverageText());
  c.SetClip(80, 0, 50, kHeight);
  c.DrawText(81, 3, SumText());
  c.ClearClip();
}

}  // namespace quadrell
