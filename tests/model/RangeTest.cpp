#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/Cell.h"
#include "model/ModelTestSupport.h"
#include "model/Range.h"
#include "value/Matrix.h"

namespace quadrell {
namespace {

using test::ModelFixture;

class RangeTest : public ::testing::Test, public ModelFixture {
 protected:
  std::vector<std::u16string> Names(Range& range) {
    std::vector<std::u16string> names;
    for (range.Reset(); range.HasNext();) names.push_back(range.Next()->GetName());
    return names;
  }
  void Merge(int32_t row, int32_t column, int32_t columns, int32_t rows) {
    Cell* master = At(row, column);
    master->SetSpan(columns, rows);
    for (int32_t r = row; r < row + rows; ++r) {
      for (int32_t c = column; c < column + columns; ++c) {
        if (r == row && c == column) continue;
        At(r, c)->SetSpan(0, 0);
        At(r, c)->SetMergeMaster(master);
      }
    }
  }
};

TEST_F(RangeTest, CellRangeOrdersItsCornersAndFollowsInsertions) {
  CellRange range(At(3, 1), At(1, 0), sheet);
  EXPECT_EQ(range.ToString(), u"A1:B3");
  EXPECT_EQ(range.GetCellCount(), 6);
  EXPECT_EQ(Names(range), (std::vector<std::u16string>{u"A1", u"B1", u"A2", u"B2", u"A3", u"B3"}));
  CellRange single(At(1, 0), At(1, 0), sheet);
  EXPECT_EQ(single.ToString(), u"A1:A1");

  CellRange column(At(1, 0), At(3, 0), sheet);
  AreaRange area(0, 1, 0, 3, sheet);
  sheet->InsertRow(2);
  EXPECT_EQ(column.GetLastRow(), 4);
  EXPECT_EQ(area.GetLastRow(), 3);
  std::unique_ptr<AreaRange> copy = column.Copy();
  EXPECT_EQ(copy->ToString(), u"A1:A4");
}

TEST_F(RangeTest, AreaRangeBoundsCountAndText) {
  AreaRange one(0, 1, 0, 1, sheet);
  EXPECT_EQ(one.ToString(), u"A1");
  AreaRange block(2, 5, 0, 1, sheet);
  EXPECT_EQ(block.GetFirstColumn(), 0);
  EXPECT_EQ(block.GetFirstRow(), 1);
  EXPECT_EQ(block.GetLastColumn(), 2);
  EXPECT_EQ(block.GetLastRow(), 5);
  EXPECT_EQ(block.GetCellCount(), 15);
  EXPECT_EQ(block.ToString(), u"A1:C5");
  EXPECT_EQ(block.Copy()->ToString(), u"A1:C5");
}

TEST_F(RangeTest, AreaRangeWidensOverMergedAreasInOnePass) {
  Merge(1, 4, 2, 2);  // E1:F2
  EXPECT_EQ(AreaRange(5, 2, sheet).ToString(), u"E1:F2");
  EXPECT_EQ(AreaRange(4, 1, sheet).ToString(), u"E1");  // the master itself does not widen
  EXPECT_EQ(AreaRange(5, 2, 6, 3, sheet).ToString(), u"E1:G3");
  // C2 is covered by B2:C2; the widening adds B3, which A3:B3 covers, but is not looked at again.
  Merge(2, 1, 2, 1);
  Merge(3, 0, 2, 1);
  EXPECT_EQ(AreaRange(2, 2, 2, 3, sheet).ToString(), u"B2:C3");
  // Widening looks at stored cells only: a big selection creates none.
  AreaRange big(0, 1, 300, 100000, sheet);
  EXPECT_EQ(big.GetCellCount(), 301LL * 100000);
  EXPECT_EQ(sheet->FindRow(50000), nullptr);
}

TEST_F(RangeTest, IterationCreatesCellsAndRunsToTheHighestColumn) {
  At(1, 3);
  EXPECT_EQ(sheet->GetMaxColumn(), 3);
  AreaRange rows(-1, 1, -1, 2, sheet);  // whole rows: up to the highest column
  EXPECT_EQ(Names(rows), (std::vector<std::u16string>{u"A1", u"B1", u"C1", u"D1", u"A2", u"B2", u"C2", u"D2"}));
  EXPECT_TRUE(sheet->HasCellAt(2, 2));
}

TEST_F(RangeTest, SingleCellRangeYieldsItsCellOncePerReset) {
  Cell* b2 = At(2, 1);
  SingleCellRange range(b2);
  EXPECT_FALSE(range.HasNext());
  range.Reset();
  ASSERT_TRUE(range.HasNext());
  EXPECT_EQ(range.Next(), b2);
  EXPECT_FALSE(range.HasNext());
  EXPECT_EQ(range.ToString(), u"B2");
  EXPECT_EQ(range.GetCellCount(), 1);
  EXPECT_EQ(range.GetCell(2, 1), b2);
  EXPECT_EQ(range.GetCell(2, 2), nullptr);
  EXPECT_EQ(range.Copy()->ToString(), u"B2");
  SingleCellRange none(nullptr);
  EXPECT_EQ(none.ToString(), u"");
  EXPECT_EQ(none.GetFirstRow(), 0);
}

TEST_F(RangeTest, MatricesOverValuesAndLiveRanges) {
  SingleValueMatrix single(NewNumber(4));
  EXPECT_EQ(single.ValueCount(), 1);
  EXPECT_EQ(single.GetAt(3, 3)->Number(), 4);

  At(4, 2)->SetInput(u"7");  // C4
  CellRange range(At(2, 1), At(4, 2), sheet);  // B2:C4
  RangeMatrix matrix(range);
  EXPECT_EQ(matrix.Columns(), 2);
  EXPECT_EQ(matrix.Rows(), 3);
  EXPECT_EQ(matrix.ValueCount(), 6);
  EXPECT_EQ(matrix.GetAt(1, 2)->Number(), 7);
  EXPECT_EQ(matrix.GetAt(2, 0), nullptr);
  EXPECT_EQ(matrix.GetAt(0, -1), nullptr);
  At(4, 2)->SetInput(u"8");
  EXPECT_EQ(matrix.GetAt(1, 2)->Number(), 8);

  std::unique_ptr<ArrayMatrix> list = MatrixFromList({NewText(u"a"), NewText(u"b"), NewText(u"c")});
  EXPECT_EQ(list->Columns(), 3);
  EXPECT_EQ(list->Rows(), 1);
  EXPECT_EQ(list->GetAt(2, 0)->Text(), u"c");
  EXPECT_EQ(list->GetAt(3, 0), nullptr);
  ArrayMatrix grid(2, 3);
  EXPECT_EQ(grid.GetAt(1, 2), nullptr);
  grid.SetAt(1, 2, NewNumber(1));
  grid.SetAt(5, 5, NewNumber(2));  // outside: ignored
  EXPECT_EQ(grid.GetAt(1, 2)->Number(), 1);
  EXPECT_EQ(grid.ValueCount(), 6);
}

}  // namespace
}  // namespace quadrell
