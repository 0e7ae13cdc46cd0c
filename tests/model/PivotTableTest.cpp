#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "model/Cell.h"
#include "model/ModelTestSupport.h"
#include "model/PivotTable.h"
#include "model/Range.h"
#include "model/Sheet.h"
#include "value/Value.h"

namespace quadrell {
namespace {

using Grid = std::vector<std::vector<std::u16string>>;

class PivotTableTest : public ::testing::Test, public test::ModelFixture {
 protected:
  Sheet* target = workbook.AddSheet(u"Pivot");

  void Fill(const Grid& rows) {
    for (size_t r = 0; r < rows.size(); ++r) {
      for (size_t c = 0; c < rows[r].size(); ++c) {
        At(static_cast<int32_t>(r) + 1, static_cast<int32_t>(c))->SetInput(rows[r][c]);
      }
    }
  }
  std::unique_ptr<PivotTable> Over(int32_t lastColumn, int32_t lastRow) {
    return std::make_unique<PivotTable>(sheet, AreaRange(0, 1, lastColumn, lastRow, sheet));
  }
  // The target's texts in rows 1.. and columns 0.. of the given size.
  Grid Output(int32_t rows, int32_t columns) {
    Grid grid;
    for (int32_t r = 1; r <= rows; ++r) {
      grid.emplace_back();
      for (int32_t c = 0; c < columns; ++c) grid.back().push_back(target->GetCellText(r, c));
    }
    return grid;
  }

  const Grid sales{{u"Region", u"Product", u"Amount"},
                   {u"north", u"tea", u"5"},
                   {u"south", u"coffee", u"7"},
                   {u"north", u"coffee", u"2,5"},
                   {u"north", u"tea", u"1"}};
};

TEST_F(PivotTableTest, CrossTableOfRowColumnAndValueFields) {
  Fill(sales);
  auto table = Over(2, 5);
  table->AddRowField(0);
  table->AddColumnField(1);
  table->AddValueField(2);
  PivotTable* pivot = target->AddPivotTable(std::move(table));
  EXPECT_EQ(Output(3, 3), (Grid{{u"", u"coffee", u"tea"}, {u"north", u"2,5", u"6"}, {u"south", u"7", u""}}));
  EXPECT_EQ(target->GetCell(2, 2)->GetValue()->Number(), 6);
  EXPECT_EQ(pivot->GetRowCount(), 3);
  EXPECT_EQ(pivot->GetColumnCount(), 3);
  EXPECT_TRUE(target->IsOverlayCell(3, 2));
  EXPECT_FALSE(target->IsOverlayCell(4, 0));
  EXPECT_FALSE(target->IsOverlayCell(1, 3));
  EXPECT_EQ(target->GetPivotTable(0), pivot);
  std::vector<std::u16string> names;
  pivot->GetSourceColumnNames(names);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Region", u"Product", u"Amount"}));
}

TEST_F(PivotTableTest, FieldCombinations) {
  struct Case {
    const char* what;
    std::vector<int32_t> rows, columns, values;
    Grid expected;
  };
  const Case cases[] = {
      {"only a value field: the grand total", {}, {}, {2}, {{u"15,5", u""}, {u"", u""}}},
      {"only row fields: the labels", {0}, {}, {}, {{u"north", u""}, {u"south", u""}, {u"", u""}}},
      {"two row fields", {0, 1}, {}, {2}, {{u"north", u"coffee", u"2,5"}, {u"north", u"tea", u"6"}, {u"south", u"coffee", u"7"}}},
      {"column field only", {}, {0}, {2}, {{u"north", u"south"}, {u"8,5", u"7"}}},
      {"a second value field changes nothing", {0}, {}, {2, 1}, {{u"north", u"8,5"}, {u"south", u"7"}, {u"", u""}}},
  };
  for (const Case& c : cases) {
    test::ModelFixture fresh;
    Sheet* out = fresh.workbook.AddSheet(u"Pivot");
    for (size_t r = 0; r < sales.size(); ++r) {
      for (size_t k = 0; k < sales[r].size(); ++k) {
        fresh.At(static_cast<int32_t>(r) + 1, static_cast<int32_t>(k))->SetInput(sales[r][k]);
      }
    }
    auto table = std::make_unique<PivotTable>(fresh.sheet, AreaRange(0, 1, 2, 5, fresh.sheet));
    for (int32_t f : c.rows) table->AddRowField(f);
    for (int32_t f : c.columns) table->AddColumnField(f);
    for (int32_t f : c.values) table->AddValueField(f);
    table->AddFilterField(1);  // kept, without effect
    out->AddPivotTable(std::move(table));
    Grid grid;
    for (size_t r = 0; r < c.expected.size(); ++r) {
      grid.emplace_back();
      for (size_t k = 0; k < c.expected[r].size(); ++k) {
        grid.back().push_back(out->GetCellText(static_cast<int32_t>(r) + 1, static_cast<int32_t>(k)));
      }
    }
    EXPECT_EQ(grid, c.expected) << c.what;
  }
}

TEST_F(PivotTableTest, BuildingAgainShowsNewSumsAndClearsTheOldLargerOutput) {
  Fill(sales);
  auto table = Over(2, 5);
  table->AddRowField(1);
  table->AddValueField(2);
  PivotTable* pivot = target->AddPivotTable(std::move(table));
  ASSERT_EQ(Output(2, 2), (Grid{{u"coffee", u"9,5"}, {u"tea", u"6"}}));
  for (int32_t r = 2; r <= 5; ++r) At(r, 1)->SetInput(u"water");
  At(2, 2)->SetInput(u"100");
  pivot->Build();
  EXPECT_EQ(Output(3, 2), (Grid{{u"water", u"110,5"}, {u"", u""}, {u"", u""}}));
  // The field lists as the toolbox sees and edits them.
  std::vector<int32_t> list{9};
  pivot->GetRowFields(list);
  EXPECT_EQ(list, std::vector<int32_t>{1});
  pivot->RemoveRowField(5);
  pivot->RemoveRowField(0);
  pivot->GetRowFields(list);
  EXPECT_TRUE(list.empty());
  pivot->Build();
  EXPECT_EQ(Output(2, 2), (Grid{{u"110,5", u""}, {u"", u""}}));
}

TEST_F(PivotTableTest, KeysWithSeparatorsLandOnTheirRows) {
  Fill({{u"Key", u"Sub", u"Amount"},
        {u"a;b", u"c", u"1"},
        {u"a", u"b;c", u"2"},
        {u"a&2b", u"c", u"4"},
        {u"a&b", u"c", u"8"}});
  auto table = Over(2, 5);
  table->AddRowField(0);
  table->AddRowField(1);
  table->AddValueField(2);
  target->AddPivotTable(std::move(table));
  EXPECT_EQ(Output(4, 3), (Grid{{u"a", u"b;c", u"2"}, {u"a&2b", u"c", u"4"}, {u"a&b", u"c", u"8"}, {u"a;b", u"c", u"1"}}));
  EXPECT_EQ(EscapeKeyPart(u"a&;b"), u"a&1&2b");
}

// Attaching raises the target's bounds; reading a source with empty
// positions (a blank row and column here) makes no cells there.
TEST_F(PivotTableTest, AttachingRaisesTheTargetsBoundsAndReadingMakesNoCells) {
  Fill(sales);
  auto table = Over(3, 7);
  table->AddRowField(0);
  table->AddValueField(2);
  target->AddPivotTable(std::move(table));
  EXPECT_GE(target->GetMaxRow(), 2);
  EXPECT_GE(target->GetMaxColumn(), 2);
  EXPECT_EQ(Output(3, 2), (Grid{{u"", u"0"}, {u"north", u"8,5"}, {u"south", u"7"}}));
  EXPECT_FALSE(sheet->HasCellAt(3, 3));
  EXPECT_FALSE(sheet->HasCellAt(7, 0));
}

// The user's cells in the output's way are found before anything is
// written; the table's own earlier output is not in the way, and cells the
// user typed into the old area survive the next build.
TEST_F(PivotTableTest, CellsTheUserFilledAreInTheWayAndKept) {
  Fill(sales);
  auto table = Over(2, 5);
  table->AddRowField(0);
  table->AddValueField(2);
  PivotTable* pivot = target->AddPivotTable(std::move(table));
  ASSERT_EQ(Output(2, 2), (Grid{{u"north", u"8,5"}, {u"south", u"7"}}));
  PivotOutput output;
  ASSERT_TRUE(pivot->Compute(output));
  EXPECT_TRUE(pivot->CellsInTheWay(output).empty());  // its own output only

  target->GetCellDirect(2, 1)->SetInput(u"mine");    // over the table's sum
  target->GetCellDirect(1, 2)->SetInput(u"=1+1");    // where a new column goes
  target->GetCellDirect(5, 0)->SetInput(u"note");    // out of the way
  target->GetCellDirect(3, 1)->SetValue(EmptyValue());  // an empty cell is no obstacle
  pivot->AddColumnField(1);
  ASSERT_TRUE(pivot->Compute(output));
  using Positions = std::vector<std::pair<int32_t, int32_t>>;
  Positions inTheWay = pivot->CellsInTheWay(output);
  std::sort(inTheWay.begin(), inTheWay.end());
  EXPECT_EQ(inTheWay, (Positions{{1, 2}, {2, 1}}));
  EXPECT_EQ(target->GetCellText(2, 1), u"mine");  // nothing written yet

  // Back to one field: the table's own cells are cleared, the user's stay.
  pivot->RemoveColumnField(0);
  pivot->RemoveRowField(0);
  ASSERT_TRUE(pivot->Build());
  EXPECT_EQ(Output(2, 3), (Grid{{u"15,5", u"", u"2"}, {u"", u"mine", u""}}));
  EXPECT_EQ(target->GetCellText(5, 0), u"note");
}

// A failing statement anywhere (a field outside the source, a load stopped
// half way, a source wider than the database allows) reports the database's
// message and writes nothing: the previous output stays as it was.
TEST_F(PivotTableTest, DatabaseFailuresAreReportedAndWriteNothing) {
  Fill(sales);
  auto table = Over(2, 5);
  table->AddRowField(0);
  table->AddValueField(2);
  PivotTable* pivot = target->AddPivotTable(std::move(table));
  const Grid before = Output(3, 3);
  ASSERT_EQ(before[0][1], u"8,5");
  EXPECT_TRUE(pivot->GetError().empty());

  pivot->AddRowField(7);  // no such column in the table
  EXPECT_FALSE(pivot->Build());
  EXPECT_NE(pivot->GetError().find("c7s"), std::string::npos) << pivot->GetError();
  EXPECT_EQ(Output(3, 3), before);
  pivot->RemoveRowField(1);

  // The load fails at the third record, after two went in.
  ASSERT_EQ(sqlite3_exec(pivot->GetDatabase(),
                         "create trigger stop before insert on pivot when new.row = 4 "
                         "begin select raise(abort, 'stopped'); end",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  At(2, 2)->SetInput(u"1000");
  EXPECT_FALSE(pivot->Build());
  EXPECT_NE(pivot->GetError().find("stopped"), std::string::npos) << pivot->GetError();
  EXPECT_EQ(Output(3, 3), before);
  // Nothing of the half load is left behind for the next build.
  sqlite3_exec(pivot->GetDatabase(), "drop trigger stop", nullptr, nullptr, nullptr);
  EXPECT_TRUE(pivot->Build());
  EXPECT_TRUE(pivot->GetError().empty());
  EXPECT_EQ(Output(1, 2), (Grid{{u"north", u"1003,5"}}));

  // 1,000 source columns need 2,001 table columns, past SQLite's limit.
  Sheet* wideTarget = workbook.AddSheet(u"Wide");
  auto wide = std::make_unique<PivotTable>(sheet, AreaRange(0, 1, 999, 5, sheet));
  EXPECT_FALSE(wide->GetError().empty());
  wide->AddValueField(2);
  PivotTable* added = wideTarget->AddPivotTable(std::move(wide));
  EXPECT_FALSE(added->GetError().empty());
  EXPECT_EQ(wideTarget->GetCellText(1, 0), u"");
}

}  // namespace
}  // namespace quadrell
