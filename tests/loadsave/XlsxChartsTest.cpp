#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "loadsave/Container.h"
#include "loadsave/LoadSaveXlsx.h"
#include "loadsave/XlsxCharts.h"
#include "model/Cell.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "object/LineChart.h"
#include "object/SheetAnchor.h"
#include "value/Value.h"

namespace quadrell {
namespace {

// A table with a header row and a text column, as users make them.
Sheet* FillTable(Workbook& book) {
  Sheet* sheet = book.GetActiveSheet();
  sheet->SetName(u"Data sheet");
  sheet->GetCellDirect(1, 1)->SetInput(u"North");
  sheet->GetCellDirect(1, 2)->SetInput(u"South");
  const char16_t* months[] = {u"Jan", u"Feb", u"Mar", u"Apr"};
  for (int r = 0; r < 4; ++r) {
    sheet->GetCellDirect(r + 2, 0)->SetInput(months[r]);
    sheet->GetCellDirect(r + 2, 1)->SetValue(NewNumber(r + 1.5));
    sheet->GetCellDirect(r + 2, 2)->SetValue(NewNumber(10 - r));
  }
  return sheet;
}

std::vector<LineChart*> ChartsOf(Sheet* sheet) {
  std::vector<LineChart*> charts;
  sheet->ResetObjects(1);
  while (SheetAnchor* a = sheet->NextObject()) {
    if (auto* c = dynamic_cast<LineChart*>(a->GetObject())) charts.push_back(c);
  }
  return charts;
}

TEST(XlsxCharts, EveryTypeComesBackWithItsRangesTitleLegendAndPlace) {
  const uint8_t types[] = {kChartLine, kChartStackedLine, kChartPercentLine, kChartSmoothLine, kChartBar,
                           kChartStackedBar, kChartPercentBar, kChartPie, kChartStackedArea};
  Workbook book(u"b", nullptr);
  Sheet* sheet = FillTable(book);
  std::vector<ChartSetup> written;
  int k = 0;
  for (uint8_t type : types) {
    auto chart = std::make_unique<LineChart>(sheet, ChartBlock{0, 1, 2, 5}, type);
    ChartSetup s = chart->GetSetup();
    s.title = u"Chart \u00E4 " + std::u16string(1, static_cast<char16_t>(u'A' + k));
    s.showTitle = k % 3 != 1;
    s.plotTop = 0.2;
    chart->SetSetup(s);
    written.push_back(chart->GetSetup());
    sheet->AddObject(std::make_unique<ObjectAnchor>(sheet, sheet->GetCellDirect(7 + k, 1), std::move(chart), 5, 3));
    ++k;
  }
  std::string bytes;
  ASSERT_TRUE(SaveXlsxToMemory(book, bytes));
  std::unique_ptr<Workbook> back = LoadXlsxFromMemory(bytes, nullptr);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->GetLoadNotice(), u"");
  Sheet* read = back->GetSheet(0);
  std::vector<LineChart*> charts = ChartsOf(read);
  ASSERT_EQ(charts.size(), written.size());
  for (size_t i = 0; i < charts.size(); ++i) {
    const ChartSetup& got = charts[i]->GetSetup();
    SCOPED_TRACE(i);
    EXPECT_EQ(got.type, written[i].type);
    EXPECT_EQ(got.data, written[i].data);
    EXPECT_EQ(got.header, written[i].header);
    EXPECT_EQ(got.showTitle, written[i].showTitle);
    if (got.showTitle) {
      EXPECT_EQ(got.title, written[i].title);
    }
    EXPECT_EQ(got.showLegend, written[i].showLegend);
    EXPECT_NEAR(got.plotTop, 0.2, 1e-9);
    EXPECT_NEAR(got.plotRight, written[i].plotRight, 1e-9);
    EXPECT_NEAR(got.titleCenterX, written[i].titleCenterX, 1e-6);
    EXPECT_EQ(charts[i]->GetObjectWidth(), 500);
    EXPECT_EQ(charts[i]->GetObjectHeight(), 400);
  }
  // Anchored where they stood.
  read->ResetObjects(1);
  SheetAnchor* first = read->NextObject();
  EXPECT_EQ(first->GetTopLeft().cell->GetRowIndex(), 7);
  EXPECT_EQ(first->GetTopLeft().cell->GetColumnIndex(), 1);
  EXPECT_EQ(first->GetTopLeft().x, 5);
  EXPECT_EQ(first->GetTopLeft().y, 3);
}

TEST(XlsxCharts, PartNamesReferencesAndCachedValues) {
  Workbook book(u"b", nullptr);
  Sheet* sheet = FillTable(book);
  LineChart chart(sheet, ChartBlock{0, 1, 2, 5}, kChartBar);
  XmlDocument part;
  BuildChartPart(chart, u"Data sheet", part);
  std::string xml = part.Serialize(false);
  EXPECT_NE(xml.find("<c:f>'Data sheet'!$B$2:$B$5</c:f>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<c:f>'Data sheet'!$A$2:$A$5</c:f>"), std::string::npos);
  EXPECT_NE(xml.find("<c:f>'Data sheet'!$C$1</c:f>"), std::string::npos);
  EXPECT_NE(xml.find("<c:v>1.5</c:v>"), std::string::npos);
  EXPECT_NE(xml.find("<c:grouping val=\"clustered\"/>"), std::string::npos);
}

TEST(XlsxCharts, ReferencesParse) {
  struct Case {
    std::u16string text;
    bool ok;
    std::u16string sheet;
    ChartBlock block;
  };
  const Case cases[] = {
      {u"Sheet1!$B$2:$B$9", true, u"Sheet1", {1, 2, 1, 9}},
      {u"'It''s here'!$A$1", true, u"It's here", {0, 1, 0, 1}},
      {u"(Tabelle1!$C$5:$A$1)", true, u"Tabelle1", {0, 1, 2, 5}},
      {u"$B$2:$B$9", false, u"", {}},
      {u"S!$B$0", false, u"", {}},
      {u"S!$ZZZZ$1", false, u"", {}},
  };
  for (const Case& c : cases) {
    std::u16string sheet;
    ChartBlock block;
    ASSERT_EQ(ParseChartReference(c.text, sheet, block), c.ok) << std::string(c.text.begin(), c.text.end());
    if (!c.ok) continue;
    EXPECT_EQ(sheet, c.sheet);
    EXPECT_EQ(block, c.block);
    EXPECT_EQ(ChartReference(sheet, block).find(u'!') != std::u16string::npos, true);
  }
}

TEST(XlsxCharts, ForeignChartsAreReadAsFarAsTheyCanBeShown) {
  // A scatter chart with one series on another sheet and one here.
  const char* xml =
      "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
      "<c:chart><c:plotArea><c:barChart><c:barDir val=\"bar\"/><c:grouping val=\"stacked\"/>"
      "<c:ser><c:val><c:numRef><c:f>Other!$A$1:$A$3</c:f></c:numRef></c:val></c:ser>"
      "<c:ser><c:tx><c:strRef><c:f>Here!$B$1</c:f></c:strRef></c:tx>"
      "<c:val><c:numRef><c:f>Here!$B$2:$B$4</c:f></c:numRef></c:val></c:ser>"
      "</c:barChart></c:plotArea><c:legend/></c:chart></c:chartSpace>";
  XmlDocument part;
  XmlParser parser(part);
  ASSERT_TRUE(parser.Feed(xml, std::strlen(xml), true));
  ChartImport read = ReadChartPart(part, u"Here");
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.setup.type, kChartStackedBar);
  EXPECT_EQ(read.setup.data, (ChartBlock{1, 2, 1, 4}));
  EXPECT_EQ(read.setup.header, (ChartBlock{1, 1, 1, 1}));
  EXPECT_TRUE(read.setup.showLegend);
  EXPECT_FALSE(read.setup.showTitle);
  EXPECT_FALSE(read.problem.empty());  // horizontal bars, a series elsewhere
}

}  // namespace
}  // namespace quadrell
