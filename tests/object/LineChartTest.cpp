#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/Cell.h"
#include "model/ColorScheme.h"
#include "model/PlainHost.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "object/LineChart.h"
#include "object/SheetAnchor.h"
#include "platform/Canvas.h"
#include "platform/Deferred.h"
#include "value/Value.h"

namespace quadrell {
namespace {

// Keeps the figures a chart draws with their points, and the grid lines.
class ChartCanvas final : public Canvas {
 public:
  struct Figure {
    bool filled;
    Colour colour;
    int alpha;
    std::vector<VectorPath::Segment> segments;
  };
  struct Clip {
    int x, y, w, h;
  };
  std::vector<Figure> figures;
  std::vector<std::pair<int, int>> horizontal;  // y and length of grey horizontal lines
  std::vector<int> vertical;                    // x of grey vertical lines
  std::vector<std::u16string> texts;
  std::vector<Clip> clips;  // the clip in force at each figure

  void DrawText(int, int, std::u16string_view text) override { texts.emplace_back(text); }
  int TextWidth(std::u16string_view text) override { return static_cast<int>(text.size()) * 6; }
  int TextHeight(std::u16string_view) override { return 12; }
  void PlotPoint(int, int, Colour) override {}
  void DrawLine(int x1, int y1, int x2, int y2, Colour colour) override {
    if (colour != 0x808080) return;
    if (y1 == y2) horizontal.emplace_back(y1, x2 - x1);
    if (x1 == x2) vertical.push_back(x1);
  }
  int Width() const override { return 500; }
  int Height() const override { return 400; }
  Colour LineColour() const override { return 0; }
  void SetLineColour(Colour) override {}
  void SetFont(const PlatformFont&) override {}
  void SetTextColour(Colour) override {}
  void SetDrawMode(DrawMode) override {}
  void FillBox(int, int, int, int, Colour) override {}
  void BlendBox(int, int, int, int, Colour, int) override {}
  void FrameBox(int, int, int, int, Colour) override {}
  void SetClip(int x, int y, int w, int h) override { clip_ = {x, y, w, h}; }
  void ClearClip() override { clip_ = {0, 0, 100000, 100000}; }
  void DrawImage(const Bitmap&, int, int) override {}
  void FillPath(const VectorPath& path, Colour colour, int alpha) override {
    figures.push_back({true, colour, alpha, path.Segments()});
    clips.push_back(clip_);
  }
  void StrokePath(const VectorPath& path, Colour colour, int alpha, double) override {
    figures.push_back({false, colour, alpha, path.Segments()});
    clips.push_back(clip_);
  }

  // The series figures: those drawn in a scheme colour inside the plot clip.
  std::vector<const Figure*> Series() const {
    std::vector<const Figure*> out;
    for (size_t i = 0; i < figures.size(); ++i) {
      if (clips[i].w < 100000 && clips[i].x > 1) out.push_back(&figures[i]);
    }
    return out;
  }

 private:
  Clip clip_{0, 0, 100000, 100000};
};

class LineChartTest : public ::testing::Test {
 protected:
  PlainHost host;
  Workbook book{u"b", &host};
  Sheet* sheet = book.GetActiveSheet();

  void Put(int32_t row, int32_t column, std::u16string_view input) { sheet->GetCellDirect(row, column)->SetInput(input); }
  void PutNumber(int32_t row, int32_t column, double x) { sheet->GetCellDirect(row, column)->SetValue(NewNumber(x)); }
  // A column of numbers from row 1 (column 0) downwards.
  void Column(int32_t column, const std::vector<double>& values) {
    for (size_t i = 0; i < values.size(); ++i) PutNumber(static_cast<int32_t>(i + 1), column, values[i]);
  }
  ChartCanvas Draw(LineChart& chart) {
    ChartCanvas canvas;
    chart.Render(canvas);
    return canvas;
  }
};

TEST_F(LineChartTest, HeaderRowNamesSeriesAndTextColumnNamesCategories) {
  Put(1, 1, u"North");
  Put(1, 2, u"South");
  const char16_t* months[] = {u"Jan", u"Feb", u"Mar"};
  for (int r = 0; r < 3; ++r) {
    Put(r + 2, 0, months[r]);
    PutNumber(r + 2, 1, r + 1);
    PutNumber(r + 2, 2, 10 * (r + 1));
  }
  LineChart chart(sheet, ChartBlock{0, 1, 2, 4}, kChartLine);
  const ChartSetup& s = chart.GetSetup();
  ASSERT_TRUE(s.header.has_value());
  EXPECT_EQ(*s.header, (ChartBlock{0, 1, 2, 1}));
  EXPECT_EQ(s.data, (ChartBlock{0, 2, 2, 4}));
  EXPECT_TRUE(s.showLegend);
  EXPECT_DOUBLE_EQ(s.plotRight, 0.7);
  ChartData data = chart.ReadData();
  ASSERT_EQ(data.series.size(), 2u);  // the text column is no series of zeros
  EXPECT_EQ(data.names, (std::vector<std::u16string>{u"North", u"South"}));
  EXPECT_EQ(data.categories, (std::vector<std::u16string>{u"Jan", u"Feb", u"Mar"}));
  ChartCanvas canvas = Draw(chart);
  for (const char16_t* t : {u"North", u"South", u"Jan", u"Mar"}) {
    EXPECT_NE(std::find(canvas.texts.begin(), canvas.texts.end(), t), canvas.texts.end()) << std::string(t, t + 3);
  }

  // A series name too long for the room beside the legend's marks ends in
  // an ellipsis within the chart (text is 6 pixels a character here).
  Put(1, 2, u"South and all the lands beyond the southern sea");
  ChartCanvas longer = Draw(chart);
  auto name = std::find_if(longer.texts.begin(), longer.texts.end(),
                           [](const std::u16string& t) { return t.rfind(u"South", 0) == 0; });
  ASSERT_NE(name, longer.texts.end());
  EXPECT_EQ(name->back(), u'\u2026');
  EXPECT_LE(static_cast<int>(name->size()) * 6, 500 - 4 - static_cast<int>(std::lround(500 * (0.7 + 0.125))));

  // One column never takes a header row.
  Put(1, 5, u"Only");
  PutNumber(2, 5, 1);
  LineChart single(sheet, ChartBlock{5, 1, 5, 2}, kChartLine);
  EXPECT_FALSE(single.GetSetup().header.has_value());
}

TEST_F(LineChartTest, GridLinesRunFromMinimumToMaximumByTheStep) {
  Column(0, {3, 7, 12});
  LineChart chart(sheet, ChartBlock{0, 1, 0, 3}, kChartLine);
  ChartCanvas canvas = Draw(chart);
  EXPECT_EQ(canvas.horizontal.size(), 10u);  // 3, 4, ..., 12
  EXPECT_NE(std::find(canvas.texts.begin(), canvas.texts.end(), u"3"), canvas.texts.end());
  EXPECT_NE(std::find(canvas.texts.begin(), canvas.texts.end(), u"12"), canvas.texts.end());
  EXPECT_TRUE(canvas.vertical.empty());
}

TEST_F(LineChartTest, ConstantSeriesGivesOneGridLineTheAxisAndALineAtTheBottom) {
  Column(0, {5, 5, 5});
  LineChart chart(sheet, ChartBlock{0, 1, 0, 3}, kChartLine);
  ChartCanvas canvas = Draw(chart);
  ASSERT_EQ(canvas.horizontal.size(), 1u);
  EXPECT_EQ(canvas.vertical.size(), 1u);
  auto series = canvas.Series();
  ASSERT_EQ(series.size(), 1u);
  const double bottom = 400 * 0.15 + std::round(400 * 0.7);
  for (const auto& segment : series[0]->segments) EXPECT_NEAR(segment.v[1], bottom, 0.5);
}

TEST_F(LineChartTest, PieSkipsRowsAtOrBelowZeroButUsesUpTheirColours) {
  Column(0, {1, -1, 2});
  LineChart chart(sheet, ChartBlock{0, 1, 0, 3}, kChartPie);
  ChartCanvas canvas = Draw(chart);
  std::vector<std::pair<double, Colour>> slices;
  for (const auto& f : canvas.figures) {
    if (!f.filled) continue;
    for (const auto& segment : f.segments) {
      if (segment.op == VectorPath::Op::Arc) slices.emplace_back(segment.v[5], f.colour);
    }
  }
  ASSERT_EQ(slices.size(), 2u);
  EXPECT_NEAR(slices[0].first, 120, 1e-9);
  EXPECT_NEAR(slices[1].first, 240, 1e-9);
  EXPECT_EQ(slices[0].second, GetColorScheme().GetSchemeColor(0));
  EXPECT_EQ(slices[1].second, GetColorScheme().GetSchemeColor(2));
}

TEST_F(LineChartTest, StackedBarsGoUpForPositiveAndDownForNegativeValues) {
  Column(0, {2});
  Column(1, {-3});
  Column(2, {4});
  LineChart chart(sheet, ChartBlock{0, 1, 2, 1}, kChartStackedBar);
  ChartCanvas canvas = Draw(chart);
  auto series = canvas.Series();
  ASSERT_EQ(series.size(), 3u);
  auto top = [](const ChartCanvas::Figure* f) { return std::min(f->segments[0].v[1], f->segments[2].v[1]); };
  auto bottom = [](const ChartCanvas::Figure* f) { return std::max(f->segments[0].v[1], f->segments[2].v[1]); };
  // The zero line is where the first box ends and the negative box starts.
  EXPECT_NEAR(bottom(series[0]), top(series[1]), 1e-9);
  // The third value stacks on the first, not on the negative one.
  EXPECT_NEAR(bottom(series[2]), top(series[0]), 1e-9);
}

// Whatever the numbers, drawing stays finite, inside the plot, with a bounded
// number of grid lines.
TEST_F(LineChartTest, DegenerateDataDrawsSafelyForEveryType) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::vector<std::vector<double>>> cases = {
      {{4}},                                     // one row
      {{0, 0}, {0, 0}},                          // rows summing to 0
      {{1e300, -1e300, 1e300}, {1e300, 1e300, -1e300}},
      {{1, inf, nan, -inf, 2}, {nan, nan, nan, nan, nan}},
      {{1, 1 + 1e-15, 1}},                       // a step below the spacing of doubles
      {{-1e-300, 1e-300}, {5e-324, 0}},
  };
  const uint8_t types[] = {kChartLine, kChartStackedLine, kChartPercentLine, kChartSmoothLine, kChartBar,
                           kChartStackedBar, kChartPercentBar, kChartPie, kChartStackedArea};
  for (size_t k = 0; k < cases.size(); ++k) {
    Sheet* s = book.AddSheet();
    for (size_t c = 0; c < cases[k].size(); ++c) {
      for (size_t r = 0; r < cases[k][c].size(); ++r) {
        s->GetCellDirect(static_cast<int32_t>(r + 1), static_cast<int32_t>(c))->SetValue(NewNumber(cases[k][c][r]));
      }
    }
    ChartBlock block{0, 1, static_cast<int32_t>(cases[k].size() - 1), static_cast<int32_t>(cases[k][0].size())};
    for (uint8_t type : types) {
      LineChart chart(s, block, type);
      ChartCanvas canvas = Draw(chart);
      EXPECT_LE(canvas.horizontal.size(), 102u) << "case " << k << " type " << int(type);
      for (size_t i = 0; i < canvas.figures.size(); ++i) {
        for (const auto& segment : canvas.figures[i].segments) {
          for (double v : segment.v) ASSERT_TRUE(std::isfinite(v)) << "case " << k << " type " << int(type);
        }
      }
      for (const auto* f : canvas.Series()) {
        for (const auto& segment : f->segments) {
          if (segment.op != VectorPath::Op::Move && segment.op != VectorPath::Op::Line) continue;
          EXPECT_GE(segment.v[1], 400 * 0.15 - 1e-6) << "case " << k << " type " << int(type);
          EXPECT_LE(segment.v[1], 400 * 0.15 + std::round(400 * 0.7) + 1e-6) << "case " << k << " type " << int(type);
        }
      }
    }
  }
  // No data row after the header.
  Put(1, 8, u"A");
  Put(1, 9, u"B");
  LineChart empty(sheet, ChartBlock{8, 1, 9, 1}, kChartLine);
  ChartCanvas canvas = Draw(empty);
  EXPECT_TRUE(canvas.Series().empty());
}

// Many more rows than pixel columns: the line is the band through each pixel
// column's lowest and highest value, two points a column, and a single spike
// or dip anywhere survives the thinning.
TEST_F(LineChartTest, ManyRowsAreDrawnFromEachPixelColumnsExtremes) {
  const int rows = 10000;
  for (int r = 1; r <= rows; ++r) PutNumber(r, 0, std::sin(r * 0.01) * 10);
  PutNumber(4321, 0, 100);   // one spike
  PutNumber(7777, 0, -100);  // one dip
  for (uint8_t type : {kChartLine, kChartSmoothLine, kChartStackedLine, kChartStackedArea}) {
    LineChart chart(sheet, ChartBlock{0, 1, 0, rows}, type);
    ChartCanvas canvas = Draw(chart);
    auto series = canvas.Series();
    ASSERT_FALSE(series.empty()) << int(type);
    const ChartCanvas::Figure* line = series.back();  // an area's outline comes after its fill
    EXPECT_EQ(line->alpha, 255) << int(type);
    const double plotW = std::round(500 * 0.8);
    EXPECT_LE(line->segments.size(), static_cast<size_t>(2 * plotW + 1)) << int(type);
    std::map<long, int> perColumn;
    double top = 1e9, bottom = -1e9;
    for (const auto& segment : line->segments) {
      if (segment.op == VectorPath::Op::Close) continue;
      EXPECT_NE(segment.op, VectorPath::Op::Cubic) << int(type);
      ++perColumn[std::lround(std::floor(segment.v[0]))];
      top = std::min(top, segment.v[1]);
      bottom = std::max(bottom, segment.v[1]);
    }
    EXPECT_GE(perColumn.size(), static_cast<size_t>(plotW - 1)) << int(type);
    for (const auto& [x, count] : perColumn) EXPECT_LE(count, 2) << "x " << x << " type " << int(type);
    // The spike reaches the top of the value range, the dip its bottom (the
    // grid runs from -100 to 100 over the whole plot), each widened by half
    // the line's width.
    EXPECT_NEAR(top, 400 * 0.15 - 1.5, 0.5) << int(type);
    EXPECT_NEAR(bottom, 400 * 0.15 + std::round(400 * 0.7) + 1.5, 0.5) << int(type);
  }
  // Bars and an area's fill: one figure a series, a few points a pixel
  // column, reaching the spike and the dip alike.
  for (uint8_t type : {kChartBar, kChartStackedBar, kChartStackedArea}) {
    LineChart chart(sheet, ChartBlock{0, 1, 0, rows}, type);
    ChartCanvas canvas = Draw(chart);
    auto series = canvas.Series();
    ASSERT_FALSE(series.empty()) << int(type);
    const ChartCanvas::Figure* fill = series.front();
    EXPECT_TRUE(fill->filled) << int(type);
    EXPECT_LE(fill->segments.size(), static_cast<size_t>(4 * std::round(500 * 0.8) + 2)) << int(type);
    double top = 1e9, bottom = -1e9;
    for (const auto& segment : fill->segments) {
      if (segment.op == VectorPath::Op::Close) continue;
      top = std::min(top, segment.v[1]);
      bottom = std::max(bottom, segment.v[1]);
    }
    EXPECT_NEAR(top, 400 * 0.15, 0.5) << int(type);
    EXPECT_NEAR(bottom, 400 * 0.15 + std::round(400 * 0.7), 0.5) << int(type);
  }
}

// Lines show a line in the legend; bars, slices and areas a filled box.
TEST_F(LineChartTest, LegendMarksFollowTheChartKind) {
  Put(1, 0, u"Tea");
  Put(1, 1, u"Coffee");
  for (int r = 2; r <= 4; ++r) {
    PutNumber(r, 0, r);
    PutNumber(r, 1, 2 * r);
  }
  const struct {
    uint8_t type;
    bool box;
    size_t entries;
  } cases[] = {{kChartLine, false, 2},     {kChartStackedLine, false, 2}, {kChartSmoothLine, false, 2},
               {kChartBar, true, 2},       {kChartStackedBar, true, 2},   {kChartPercentBar, true, 2},
               {kChartPie, true, 3},       {kChartStackedArea, true, 2}};
  for (const auto& c : cases) {
    LineChart chart(sheet, ChartBlock{0, 1, 1, 4}, c.type);
    ASSERT_TRUE(chart.GetSetup().showLegend);
    ChartCanvas canvas = Draw(chart);
    // Legend marks: figures left of the legend's texts, right of the plot.
    std::vector<const ChartCanvas::Figure*> marks;
    for (size_t i = 0; i < canvas.figures.size(); ++i) {
      const auto& f = canvas.figures[i];
      bool inLegend = !f.segments.empty();
      for (const auto& segment : f.segments) {
        if (segment.op != VectorPath::Op::Close && (segment.v[0] < 500 * 0.7 || segment.v[0] > 500 * 0.825)) {
          inLegend = false;
        }
      }
      if (inLegend && (c.box ? f.filled : true)) marks.push_back(&f);
    }
    ASSERT_EQ(marks.size(), c.entries) << int(c.type);
    for (size_t i = 0; i < marks.size(); ++i) {
      EXPECT_EQ(marks[i]->colour, GetColorScheme().GetSchemeColor(static_cast<int32_t>(i))) << int(c.type);
      EXPECT_EQ(marks[i]->filled, c.box) << int(c.type);
      if (c.box) {
        // A box: four corners spanning as much height as width.
        double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
        for (const auto& segment : marks[i]->segments) {
          if (segment.op == VectorPath::Op::Close) continue;
          x0 = std::min(x0, segment.v[0]);
          x1 = std::max(x1, segment.v[0]);
          y0 = std::min(y0, segment.v[1]);
          y1 = std::max(y1, segment.v[1]);
        }
        EXPECT_GT(x1 - x0, 3) << int(c.type);
        EXPECT_NEAR(x1 - x0, y1 - y0, 1e-9) << int(c.type);
      }
    }
  }
}

TEST(ChartAxis, StepsAreBoundedAndCoverTheRange) {
  const double cases[][2] = {{0, 0}, {3, 12}, {-1e300, 1e300}, {1e300, 1e300}, {1, 1 + 1e-15}, {0, 1e-310},
                             {-5, -5}, {0.1, 0.3}};
  for (const auto& c : cases) {
    ChartAxis axis = ComputeChartAxis(c[0], c[1]);
    EXPECT_GE(axis.count, 1);
    EXPECT_LE(axis.count, 102) << c[0] << " " << c[1];
    EXPECT_TRUE(std::isfinite(axis.lo) && std::isfinite(axis.hi) && std::isfinite(axis.step));
    EXPECT_LE(axis.lo, c[0]);
    if (!axis.flat) {
      EXPECT_GE(axis.hi, c[1]);
    }
    EXPECT_LT(axis.lo, axis.hi);
  }
  EXPECT_TRUE(ComputeChartAxis(5, 5).flat);
  EXPECT_EQ(ChartNumberText(0.30000000000000004), u"0,3");
}

TEST_F(LineChartTest, PercentLineOfAZeroRowPlotsAtTheTop) {
  Column(0, {0, 1});
  Column(1, {0, 1});
  LineChart chart(sheet, ChartBlock{0, 1, 1, 2}, kChartPercentLine);
  ChartCanvas canvas = Draw(chart);
  auto series = canvas.Series();
  ASSERT_EQ(series.size(), 2u);
  // The first point of the first series (row of zeros) is at 1, the top.
  EXPECT_NEAR(series[0]->segments[0].v[1], 400 * 0.15, 0.5);
}

TEST_F(LineChartTest, TitleTypingLegendToggleAndDragsAreUndoable) {
  Column(0, {1, 2});
  LineChart chart(sheet, ChartBlock{0, 1, 0, 2}, kChartLine);
  Draw(chart);  // measures the title
  // The title is 12 high at y = 10, centred: a press inside it selects it.
  EXPECT_EQ(chart.MouseDown(250, 15), kObjectChartPart);
  EXPECT_EQ(chart.GetSelectedElement(), LineChart::kTitle);
  chart.KeyChar(u'!');
  chart.KeyChar(u'\n');  // control characters are refused
  const std::u16string typed = chart.GetTitle();
  EXPECT_EQ(typed.back(), u'!');
  chart.Deselect();
  EXPECT_EQ(host.History().UndoCount(), 1u);
  host.Undo();
  EXPECT_EQ(chart.GetTitle() + u"!", typed);
  chart.ToggleLegend();
  EXPECT_NEAR(chart.GetSetup().plotRight, 0.7, 1e-12);
  chart.ToggleLegend();
  EXPECT_NEAR(chart.GetSetup().plotRight, 0.9, 1e-12);
  host.Undo();
  EXPECT_TRUE(chart.GetSetup().showLegend);
  // A dragged plot area stays inside the chart.
  EXPECT_EQ(chart.MouseDown(200, 200), kObjectChartPart);
  chart.DragPart(-5000, 0);
  EXPECT_DOUBLE_EQ(chart.GetSetup().plotLeft, 0);
  chart.CommitInteraction();
  host.Undo();
  EXPECT_DOUBLE_EQ(chart.GetSetup().plotLeft, 0.1);
  // Backspace on an empty title does nothing.
  ChartSetup blank = chart.GetSetup();
  blank.title.clear();
  chart.SetSetup(blank);
  Draw(chart);
  chart.BeginTextEdit(250, 15);
  chart.KeyDown(8);
  EXPECT_EQ(chart.GetTitle(), u"");
}

TEST_F(LineChartTest, FollowsInsertedAndDeletedRowsAndRendersOncePerTurn) {
  Column(1, {1, 2, 3, 4});
  LineChart chart(sheet, ChartBlock{1, 1, 1, 4}, kChartLine);
  sheet->InsertRow(1);
  EXPECT_EQ(chart.GetSetup().data, (ChartBlock{1, 2, 1, 5}));
  sheet->DeleteRow(3);
  EXPECT_EQ(chart.GetSetup().data, (ChartBlock{1, 2, 1, 4}));
  sheet->InsertColumn(0);
  EXPECT_EQ(chart.GetSetup().data, (ChartBlock{2, 2, 2, 4}));
  RunQueuedCalls();
  int before = chart.RenderCount();
  for (int i = 0; i < 1000; ++i) PutNumber(2 + i % 3, 2, i);
  PutNumber(50, 7, 1);  // outside: no render
  RunQueuedCalls();
  EXPECT_EQ(chart.RenderCount(), before + 1);
  // No cell was made for the chart's sake beyond those typed.
  EXPECT_FALSE(sheet->HasCellAt(1, 2));
}

TEST(LineChartLifetime, AChartKeptByAnUndoRecordOutlivesItsSheet) {
  auto other = std::make_unique<Workbook>(u"o", nullptr);
  Sheet* gone = other->GetActiveSheet();
  gone->GetCellDirect(1, 0)->SetValue(NewNumber(3));
  auto kept = std::make_unique<LineChart>(gone, ChartBlock{0, 1, 0, 1}, kChartBar);
  kept->RenderSoon();
  // The workbook goes first, as when a window's records outlive it.
  other.reset();
  EXPECT_EQ(kept->GetSheet(), nullptr);
  RunQueuedCalls();
  kept.reset();
}

TEST_F(LineChartTest, SizeIsBoundedThroughTheAnchor) {
  Column(0, {1, 2});
  auto chart = std::make_unique<LineChart>(sheet, ChartBlock{0, 1, 0, 2}, kChartLine);
  ObjectAnchor anchor(sheet, sheet->GetCellDirect(1, 0), std::move(chart));
  anchor.ResizeBy(-10000, -10000);
  EXPECT_EQ(anchor.GetWidth(), LineChart::kMinWidth);
  EXPECT_EQ(anchor.GetHeight(), LineChart::kMinHeight);
  anchor.ResizeBy(100000, 0);
  EXPECT_EQ(anchor.GetWidth(), LineChart::kMaxSide);
  EXPECT_EQ(anchor.GetObject()->GetObjectWidth(), LineChart::kMaxSide);
}

TEST_F(LineChartTest, WholeColumnsStandForTheUsedPartAndACellForItsBlock) {
  Column(0, {1, 2, 3});
  Column(1, {4, 5, 6});
  EXPECT_EQ(ChartBlockForSelection(sheet, 0, -1, 1, -1), (ChartBlock{0, 1, 1, 3}));
  EXPECT_EQ(ChartBlockForSelection(sheet, -1, -1, -1, -1), (ChartBlock{0, 1, 1, 3}));
  EXPECT_EQ(ChartBlockForSelection(sheet, 1, 2, 1, 2), (ChartBlock{0, 1, 1, 3}));
}

}  // namespace
}  // namespace quadrell
