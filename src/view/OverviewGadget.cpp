#include "view/OverviewGadget.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "model/Font.h"
#include "model/Style.h"
#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

constexpr int kGap = 6;  // between the three figures
constexpr int kMaxDecimals = 10;

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

// "1,23E+07" with the given digits after the comma.
std::u16string ExponentText(double number, int decimals) {
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::scientific, decimals);
  if (error != std::errc()) return GeneralForm16(number);
  std::string text(buffer, end);
  // 1.2300e+07 -> 1,23E+07
  size_t e = text.find('e');
  std::string mantissa = text.substr(0, e), exponent = text.substr(e + 1);
  if (mantissa.find('.') != std::string::npos) {
    while (mantissa.back() == '0') mantissa.pop_back();
    if (mantissa.back() == '.') mantissa.pop_back();
  }
  for (char& c : mantissa) {
    if (c == '.') c = ',';
  }
  return Ascii(mantissa + "E" + exponent);
}

}  // namespace

std::u16string GroupedNumberText(double number, int decimals) {
  if (!std::isfinite(number)) return GeneralForm16(number);
  char buffer[400];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::fixed, decimals);
  if (error != std::errc()) return GeneralForm16(number);
  std::string text(buffer, end);
  bool negative = !text.empty() && text[0] == '-';
  if (negative) text.erase(0, 1);
  size_t point = text.find('.');
  std::string whole = text.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  std::string grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += '.';
    grouped += whole[i];
  }
  if (negative && (grouped != "0" || !fraction.empty())) grouped.insert(0, "-");
  if (!fraction.empty()) grouped += "," + fraction;
  return Ascii(grouped);
}

template <typename Measure>
std::u16string FittingNumberText(double number, int room, Measure&& measure) {
  if (!std::isfinite(number)) return GeneralForm16(number);
  std::u16string text;
  for (int decimals = kMaxDecimals; decimals >= 0; --decimals) {
    text = GroupedNumberText(number, decimals);
    if (measure(text) <= room) return text;
  }
  for (int decimals = 6; decimals >= 0; --decimals) {
    text = ExponentText(number, decimals);
    if (measure(text) <= room) return text;
  }
  return text;
}

OverviewGadget::OverviewGadget(ControlParent& parent, const Rect& bounds)
    : canvas_(CreateCanvasControl(parent, bounds, *this)) {
  Paint();
}

void OverviewGadget::Resize(const Rect& bounds) {
  canvas_->SetBounds(bounds);
  Paint();
}

void OverviewGadget::ShowNotice(std::u16string_view text) {
  notice_ = text;
  noticeSummaries_ = 1;
  Paint();
}

void OverviewGadget::ShowSummary(double sum, int64_t count) {
  if (!notice_.empty() && noticeSummaries_-- <= 0) notice_.clear();
  count_ = count;
  sum_ = sum;
  average_ = count != 0 ? sum / static_cast<double>(count) : 0;
  Paint();
}

void OverviewGadget::Paint() {
  Canvas& c = canvas_->Surface();
  c.ClearClip();
  const int width = std::max(canvas_->Bounds().width, kWidth);
  c.FillBox(0, 0, width, kHeight, kWhite);
  c.DrawLine(0, 0, width, 0, 0xEEEEEE);
  c.SetFont(*GetFont(u"Arial", 10, 0)->platformFont);
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetTextColour(0x444444);
  if (!notice_.empty()) {
    c.SetTextColour(0x0000AA);
    c.SetClip(0, 0, width, kHeight);
    c.DrawText(1, 3, notice_);
    c.ClearClip();
    canvas_->SetToolTip(notice_);
    return;
  }
  auto measure = [&](const std::u16string& text) { return c.TextWidth(text); };
  // The count is exact; the average and the sum share the rest, each taking
  // what the other leaves, and drop decimals (then go to exponent form) to fit.
  countText_ = u"#" + GroupedNumberText(static_cast<double>(count_), 0);
  const std::u16string averagePrefix = u"\u00D8", sumPrefix = u" \u03A3";
  int room = width - 2 - measure(countText_) - 2 * kGap;
  int averageRoom = room / 2 - measure(averagePrefix);
  int sumRoom = room - room / 2 - measure(sumPrefix);
  std::u16string sumFull = FittingNumberText(sum_, room - measure(sumPrefix), measure);
  std::u16string averageFull = FittingNumberText(average_, room - measure(averagePrefix), measure);
  // Whichever needs less than half gives the rest to the other.
  if (measure(sumFull) <= sumRoom) {
    averageRoom = room - measure(sumPrefix + sumFull) - measure(averagePrefix);
  } else if (measure(averageFull) <= averageRoom) {
    sumRoom = room - measure(averagePrefix + averageFull) - measure(sumPrefix);
  }
  averageText_ = averagePrefix + FittingNumberText(average_, averageRoom, measure);
  sumText_ = sumPrefix + FittingNumberText(sum_, sumRoom, measure);
  int x = 1;
  c.SetClip(0, 0, width, kHeight);
  c.DrawText(x, 3, countText_);
  x += measure(countText_) + kGap;
  c.DrawText(x, 3, averageText_);
  x += measure(averageText_) + kGap;
  c.DrawText(x, 3, sumText_);
  c.ClearClip();
}

}  // namespace quadrell
