#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/Cell.h"
#include "model/Filter.h"
#include "model/ModelTestSupport.h"
#include "model/Range.h"
#include "model/Row.h"

namespace quadrell {
namespace {

class FilterTest : public ::testing::Test, public test::ModelFixture {
 protected:
  // Column A from row 1 (the header) down, one text per row.
  Filter* FilterColumn(const std::vector<std::u16string>& texts) {
    for (size_t i = 0; i < texts.size(); ++i) At(static_cast<int32_t>(i) + 1, 0)->SetInput(texts[i]);
    AreaRange area(0, 1, 0, static_cast<int32_t>(texts.size()), sheet);
    sheet->SetFilter(std::make_unique<Filter>(sheet, area));
    return sheet->GetFilter();
  }
  // What the user sees in column A below the header.
  std::vector<std::u16string> Shown(int32_t rows) {
    std::vector<std::u16string> shown;
    for (int32_t r = 2; r <= rows + 1; ++r) shown.push_back(sheet->GetCell(r, 0)->GetText());
    return shown;
  }
  using Texts = std::vector<std::u16string>;
};

TEST_F(FilterTest, ShowsTheStoredRowsUntilSorted) {
  for (int32_t r = 1; r <= 4; ++r) At(r, 1)->SetInput(u"b");
  Cell* a3 = At(3, 0);
  AreaRange area(0, 1, 1, 4, sheet);
  sheet->SetFilter(std::make_unique<Filter>(sheet, area));
  Filter* filter = sheet->GetFilter();
  EXPECT_EQ(filter->GetEntryCount(), 3);
  EXPECT_EQ(sheet->GetCell(3, 0), a3);
  EXPECT_TRUE(filter->IsHeaderCell(1, 1));
  EXPECT_FALSE(filter->IsHeaderCell(2, 1));
  EXPECT_FALSE(filter->IsHeaderCell(1, 2));
  EXPECT_TRUE(sheet->IsOverlayCell(4, 1));
  EXPECT_FALSE(sheet->IsOverlayCell(5, 1));
  EXPECT_FALSE(filter->IsRowHidden(3));
}

TEST_F(FilterTest, SortOrders) {
  struct Case {
    int32_t order;
    Texts input;
    Texts sorted;
  };
  const Case cases[] = {
      // The number order wins over the text order.
      {0, {u"10", u"9", u"100"}, {u"9", u"10", u"100"}},
      {kSortDescending, {u"10", u"9", u"100"}, {u"100", u"10", u"9"}},
      // Decimals as the sheet shows them, with a comma.
      {0, {u"1234,5", u"2", u"0,5"}, {u"0,5", u"2", u"1234,5"}},
      // Texts follow the numbers ascending and precede them descending; empty rows stay last.
      {0, {u"b", u"", u"3", u"a", u"1"}, {u"1", u"3", u"a", u"b", u""}},
      {kSortDescending, {u"b", u"", u"3", u"a", u"1"}, {u"b", u"a", u"3", u"1", u""}},
      // Case: ordinal order puts capitals first; ignoring case keeps equal texts in their order.
      {0, {u"b", u"B", u"a", u"A"}, {u"A", u"B", u"a", u"b"}},
      {kSortIgnoreCase, {u"b", u"B", u"a", u"A"}, {u"a", u"A", u"b", u"B"}},
      {kSortIgnoreCase | kSortDescending, {u"b", u"B", u"a", u"A"}, {u"b", u"B", u"a", u"A"}},
  };
  for (const Case& c : cases) {
    test::ModelFixture fresh;
    Texts header{u"head"};
    header.insert(header.end(), c.input.begin(), c.input.end());
    for (size_t i = 0; i < header.size(); ++i) fresh.At(static_cast<int32_t>(i) + 1, 0)->SetInput(header[i]);
    AreaRange area(0, 1, 0, static_cast<int32_t>(header.size()), fresh.sheet);
    fresh.sheet->SetFilter(std::make_unique<Filter>(fresh.sheet, area));
    fresh.sheet->GetFilter()->Sort(0, c.order);
    Texts shown;
    for (int32_t r = 2; r <= static_cast<int32_t>(header.size()); ++r) {
      shown.push_back(fresh.sheet->GetCell(r, 0)->GetText());
    }
    EXPECT_EQ(shown, c.sorted) << "order " << c.order << ", first " << std::string(c.input[0].begin(), c.input[0].end());
    EXPECT_EQ(fresh.sheet->GetCell(1, 0)->GetText(), u"head");
  }
}

TEST_F(FilterTest, HiddenValuesShowAsEmptyRowsAtTheBottom) {
  Filter* filter = FilterColumn({u"h", u"x", u"y", u"x", u"z"});
  ColumnFilterSettings settings = *filter->GetColumnSettings(0);
  settings.showAll = false;
  settings.selected[u"x"] = false;
  settings.selected[u"y"] = true;
  filter->ApplyColumnFilter(settings, 0);
  // z is not listed: it keeps its state.
  EXPECT_EQ(Shown(4), (Texts{u"y", u"z", u"", u""}));
  EXPECT_EQ(filter->GetSourceRow(2), 3);
  EXPECT_EQ(filter->GetSourceRow(3), 5);
  EXPECT_EQ(filter->GetSourceRow(4), 0);
  EXPECT_EQ(filter->GetSourceRow(1), 1);
  EXPECT_EQ(sheet->GetCell(4, 0), sheet->GetPlaceholderCell());
  EXPECT_EQ(sheet->GetCellText(5, 0), u"");
  EXPECT_FALSE(filter->GetColumnSettings(0)->showAll);
  // Hidden rows stay behind the shown ones through a sort.
  filter->Sort(0, kSortDescending);
  EXPECT_EQ(Shown(4), (Texts{u"z", u"y", u"", u""}));
  // Showing all again.
  settings.showAll = true;
  filter->ApplyColumnFilter(settings, 0);
  EXPECT_EQ(Shown(4), (Texts{u"z", u"y", u"x", u"x"}));
}

TEST_F(FilterTest, AColumnsFilterDoesNotShowRowsAnotherColumnHides) {
  const char16_t* table[][2] = {{u"Stadt", u"Land"}, {u"Bern", u"CH"}, {u"Wien", u"AT"}, {u"Bern", u"DE"}, {u"Graz", u"AT"}};
  for (int32_t r = 0; r < 5; ++r) {
    for (int32_t c = 0; c < 2; ++c) At(r + 1, c)->SetInput(table[r][c]);
  }
  sheet->SetFilter(std::make_unique<Filter>(sheet, AreaRange(0, 1, 1, 5, sheet)));
  Filter* filter = sheet->GetFilter();
  ColumnFilterSettings land;
  land.showAll = false;
  land.selected = {{u"CH", true}, {u"AT", true}, {u"DE", false}};
  filter->ApplyColumnFilter(land, 1);
  EXPECT_EQ(Shown(4), (Texts{u"Bern", u"Wien", u"Graz", u""}));
  // Every town checked: the German Bern stays hidden by its country.
  ColumnFilterSettings town;
  town.showAll = true;
  town.selected = {{u"Bern", true}, {u"Wien", true}, {u"Graz", true}};
  filter->ApplyColumnFilter(town, 0);
  EXPECT_EQ(Shown(4), (Texts{u"Bern", u"Wien", u"Graz", u""}));
  town.selected[u"Wien"] = false;
  town.showAll = false;
  filter->ApplyColumnFilter(town, 0);
  EXPECT_EQ(Shown(4), (Texts{u"Bern", u"Graz", u"", u""}));
  // Showing every country again brings the German Bern back.
  land.showAll = true;
  filter->ApplyColumnFilter(land, 1);
  EXPECT_EQ(Shown(4), (Texts{u"Bern", u"Graz", u"Bern", u""}));
}

TEST_F(FilterTest, FormulasAndFilesSeeTheStoredOrderAndRemovingTheFilterRestoresIt) {
  FilterColumn({u"h", u"3", u"1", u"2"});
  Cell* a2 = At(2, 0);
  sheet->GetFilter()->Sort(0, 0);
  EXPECT_EQ(sheet->GetCellText(2, 0), u"1");
  EXPECT_EQ(At(2, 0), a2);
  EXPECT_EQ(At(2, 0)->GetText(), u"3");
  // Area iteration shows what the user sees.
  AreaRange column(0, 2, 0, 4, sheet);
  Texts iterated;
  for (column.Reset(); column.HasNext();) iterated.push_back(column.Next()->GetText());
  EXPECT_EQ(iterated, (Texts{u"1", u"2", u"3"}));
  sheet->SetFilter(nullptr);
  EXPECT_EQ(Shown(3), (Texts{u"3", u"1", u"2"}));
  EXPECT_FALSE(sheet->IsOverlayCell(2, 0));
}

TEST_F(FilterTest, AddRowTakesInTheRowBelow) {
  Filter* filter = FilterColumn({u"h", u"a", u"b", u"c"});
  At(5, 0)->SetInput(u"new");
  EXPECT_EQ(filter->AddRow(), 5);
  EXPECT_EQ(filter->GetRange()->ToString(), u"A1:A5");
  EXPECT_EQ(Shown(4), (Texts{u"a", u"b", u"c", u"new"}));
  // With a hidden row the new entry goes before it.
  ColumnFilterSettings settings;
  settings.showAll = false;
  settings.selected[u"a"] = false;
  filter->ApplyColumnFilter(settings, 0);
  At(6, 0)->SetInput(u"newer");
  EXPECT_EQ(filter->AddRow(), 5);
  EXPECT_EQ(Shown(5), (Texts{u"b", u"c", u"new", u"newer", u""}));
}

// Every stored row keeps exactly one place on screen when rows and columns
// come and go around and inside the area.
TEST_F(FilterTest, TheAreaFollowsInsertedAndDeletedRows) {
  Filter* filter = FilterColumn({u"h", u"a", u"b", u"c"});
  At(5, 0)->SetInput(u"below");
  sheet->InsertRow(3);
  At(3, 0)->SetInput(u"inserted");
  EXPECT_EQ(filter->GetRange()->ToString(), u"A1:A5");
  EXPECT_EQ(Shown(5), (Texts{u"a", u"b", u"c", u"inserted", u"below"}));
  sheet->InsertRow(1);
  EXPECT_EQ(filter->GetHeaderRow(), 2);
  EXPECT_EQ(filter->GetRange()->ToString(), u"A2:A6");
  EXPECT_EQ(sheet->GetCellText(2, 0), u"h");
  sheet->DeleteRow(4);  // the stored row of "inserted"
  EXPECT_EQ(filter->GetRange()->ToString(), u"A2:A5");
  Texts shown;
  for (int32_t r = 3; r <= 6; ++r) shown.push_back(sheet->GetCellText(r, 0));
  EXPECT_EQ(shown, (Texts{u"a", u"b", u"c", u"below"}));
  sheet->DeleteRow(5);  // "c", the last row of the area: no invalidated row stays listed
  EXPECT_EQ(filter->GetEntryCount(), 2);
  EXPECT_EQ(sheet->GetCellText(5, 0), u"below");
  sheet->DeleteRow(1);
  EXPECT_EQ(filter->GetRange()->ToString(), u"A1:A3");
  sheet->DeleteRow(1);  // the header row
  EXPECT_EQ(sheet->GetFilter(), nullptr);
}

TEST_F(FilterTest, TheAreaFollowsInsertedAndDeletedColumns) {
  for (int32_t c = 1; c <= 3; ++c) At(1, c)->SetInput(u"h");
  AreaRange area(1, 1, 3, 3, sheet);
  sheet->SetFilter(std::make_unique<Filter>(sheet, area));
  Filter* filter = sheet->GetFilter();
  filter->GetColumnSettings(3)->showAll = false;
  sheet->InsertColumn(2);
  EXPECT_EQ(filter->GetRange()->ToString(), u"B1:E3");
  EXPECT_TRUE(filter->GetColumnSettings(2)->showAll);
  EXPECT_FALSE(filter->GetColumnSettings(4)->showAll);
  sheet->InsertColumn(0);
  EXPECT_EQ(filter->GetRange()->ToString(), u"C1:F3");
  sheet->DeleteColumn(3);
  EXPECT_EQ(filter->GetRange()->ToString(), u"C1:E3");
  EXPECT_FALSE(filter->GetColumnSettings(4)->showAll);
  sheet->DeleteColumn(0);
  EXPECT_EQ(filter->GetRange()->ToString(), u"B1:D3");
  EXPECT_EQ(filter->GetColumnSettings(5), nullptr);
  sheet->DeleteColumn(1);
  sheet->DeleteColumn(1);
  EXPECT_EQ(filter->GetRange()->ToString(), u"B1:B3");
  sheet->DeleteColumn(1);
  EXPECT_EQ(sheet->GetFilter(), nullptr);
}

}  // namespace
}  // namespace quadrell
