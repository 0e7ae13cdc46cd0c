#include <gtest/gtest.h>

#include "model/Cell.h"
#include "model/Column.h"
#include "model/ModelTestSupport.h"
#include "model/Row.h"

namespace quadrell {
namespace {

using test::ModelFixture;

class RowColumnTest : public ::testing::Test, public ModelFixture {};

TEST_F(RowColumnTest, RowCreatesCellsOnRequestOnly) {
  Row* row = sheet->GetRow(3);
  EXPECT_EQ(row->GetHeight(), kDefaultRowHeight);
  EXPECT_EQ(row->GetLastColumn(), -1);
  EXPECT_TRUE(row->IsEmpty());
  EXPECT_EQ(row->GetCellInput(4), u"");
  EXPECT_FALSE(row->HasCell(4));
  Cell* cell = row->GetCell(5);
  EXPECT_EQ(row->GetLastColumn(), 5);
  EXPECT_FALSE(row->IsEmpty());
  EXPECT_EQ(row->GetCell(5), cell);
  EXPECT_EQ(cell->GetRowIndex(), 3);
  EXPECT_EQ(cell->GetColumnIndex(), 5);
  row->GetCell(2);
  EXPECT_EQ(row->GetLastColumn(), 5);
  cell->SetInput(u"x");
  EXPECT_EQ(row->GetCellInput(5), u"x");
}

TEST_F(RowColumnTest, AutomaticAndManualHeights) {
  Row* row = sheet->GetRow(2);
  int32_t big = GetFont(u"Arial", 20, 0)->PixelHeight();
  StyleRecord s = NewDefaultStyle();
  s.font = GetFont(u"Arial", 20, 0);
  row->GetCell(0)->SetStyle(s);
  EXPECT_EQ(row->GetHeight(), big);
  // A first explicit height still takes the automatic height as its floor.
  row->GetCell(0)->SetStyle(NewDefaultStyle());
  EXPECT_FALSE(row->SetHeight(10, true));
  EXPECT_EQ(row->GetHeight(), kDefaultRowHeight);
  EXPECT_TRUE(row->IsManualHeight());
  // From then on the user's height holds.
  EXPECT_TRUE(row->SetHeight(10, true));
  EXPECT_EQ(row->GetHeight(), 10);
  row->GetCell(0)->SetStyle(s);
  EXPECT_EQ(row->GetHeight(), 10);
  EXPECT_FALSE(row->SetHeight(0, false));

  // The row's own style font counts as well.
  Row* styled = sheet->GetRow(5);
  styled->SetStyle(s);
  styled->SetHeight(0, false);
  EXPECT_EQ(styled->GetHeight(), big);
}

TEST_F(RowColumnTest, AutomaticHeightFollowsInheritedFonts) {
  Row* row = sheet->GetRow(2);
  Cell* cell = row->GetCell(1);
  int32_t big = GetFont(u"Arial", 24, 0)->PixelHeight();
  StyleRecord s = NewDefaultStyle();
  s.font = GetFont(u"Arial", 24, 0);
  sheet->GetColumn(1)->SetStyle(s);
  row->SetHeight(0, false);
  EXPECT_EQ(row->GetHeight(), big);
  sheet->GetColumn(1)->SetStyle(NewDefaultStyle());
  row->SetHeight(0, false);
  EXPECT_EQ(row->GetHeight(), kDefaultRowHeight);
  sheet->SetStyle(s);  // column 1 keeps its own style; a cell in column 5 shows the default
  row->SetHeight(0, false);
  EXPECT_EQ(row->GetHeight(), kDefaultRowHeight);
  row->GetCell(5);
  row->SetHeight(0, false);
  EXPECT_EQ(row->GetHeight(), big);
  sheet->SetStyle(NewDefaultStyle());
  // The tallest of several cells decides; taking it away lowers the row again.
  StyleRecord mid = NewDefaultStyle();
  mid.font = GetFont(u"Arial", 18, 0);
  row->GetCell(3)->SetStyle(mid);
  cell->SetStyle(s);
  EXPECT_EQ(row->GetHeight(), big);
  cell->SetStyle(NewDefaultStyle());
  EXPECT_EQ(row->GetHeight(), GetFont(u"Arial", 18, 0)->PixelHeight());
  sheet->DeleteColumn(3);
  row->SetHeight(0, false);
  EXPECT_EQ(row->GetHeight(), kDefaultRowHeight);
}

TEST_F(RowColumnTest, HiddenRowsAndColumnsReportZero) {
  Row* row = sheet->GetRow(2);
  row->SetHeight(30, true);
  row->SetHeight(30, true);
  row->SetHidden(true);
  EXPECT_EQ(row->GetHeight(), 0);
  EXPECT_EQ(sheet->GetRowHeight(2), 0);
  row->SetHidden(false);
  EXPECT_EQ(row->GetHeight(), 30);
  row->SetHeight(0, true);
  row->SetHidden(true);
  row->SetHidden(false);
  EXPECT_EQ(row->GetHeight(), kDefaultRowHeight);

  Column* column = sheet->GetColumn(3);
  EXPECT_EQ(column->GetWidth(), kDefaultColumnWidth);
  column->SetWidth(40);
  column->SetHidden(true);
  EXPECT_EQ(column->GetWidth(), 0);
  EXPECT_EQ(sheet->GetColumnWidth(3), 0);
  column->SetHidden(false);
  EXPECT_EQ(column->GetWidth(), 40);
  column->SetWidth(0);
  column->SetHidden(false);
  EXPECT_EQ(column->GetWidth(), kDefaultColumnWidth);
  EXPECT_EQ(sheet->GetColumnWidth(50), kDefaultColumnWidth);
  EXPECT_EQ(sheet->GetRowHeight(50), kDefaultRowHeight);
}

TEST_F(RowColumnTest, InsertAndDeleteColumnsInARow) {
  Row* row = sheet->GetRow(2);
  Cell* cells[5];
  for (int c = 0; c < 5; ++c) cells[c] = row->GetCell(c);
  row->InsertColumn(2);
  EXPECT_EQ(row->FindCell(0), cells[0]);
  EXPECT_EQ(row->FindCell(1), cells[1]);
  EXPECT_FALSE(row->HasCell(2));
  EXPECT_EQ(row->FindCell(3), cells[2]);
  EXPECT_EQ(row->FindCell(5), cells[4]);
  EXPECT_EQ(row->GetLastColumn(), 5);

  Row* other = sheet->GetRow(3);
  for (int c = 0; c < 5; ++c) other->GetCell(c);
  Cell* second = other->FindCell(2);
  Cell* fourth = other->FindCell(4);
  EXPECT_EQ(other->DeleteColumn(7), nullptr);
  EXPECT_EQ(other->GetLastColumn(), 4);
  std::unique_ptr<Cell> dropped = other->DeleteColumn(2);
  EXPECT_EQ(dropped.get(), second);
  EXPECT_EQ(other->FindCell(3), fourth);
  EXPECT_FALSE(other->HasCell(4));
  EXPECT_EQ(other->GetLastColumn(), 3);
}

TEST_F(RowColumnTest, InsertingIntoASparseWideRowMovesOnlyItsCells) {
  Row* row = sheet->GetRow(1);
  Cell* far = row->GetCell(2000000);
  Cell* near = row->GetCell(3);
  row->InsertColumn(0);
  EXPECT_EQ(row->FindCell(2000001), far);
  EXPECT_EQ(row->FindCell(4), near);
  EXPECT_LE(row->MemoryBytes(), 1024u);  // no empty keys for the columns in between
}

TEST_F(RowColumnTest, InvalidatedRowShowsRefInEveryCell) {
  Row* row = sheet->GetRow(4);
  row->GetCell(0)->SetInput(u"1");
  row->GetCell(3)->SetInput(u"x");
  Cell* reader = At(1, 0);
  row->GetCell(0)->AddDependent(reader);
  host.repaints.clear();
  row->Invalidate();
  EXPECT_EQ(row->GetIndex(), -1);
  EXPECT_EQ(row->FindCell(0)->GetText(), u"Ref");
  EXPECT_EQ(row->FindCell(3)->GetValue()->Kind(), ValueKind::Error);
  EXPECT_EQ(host.RepaintsOf(1, 0), 1);
}

TEST_F(RowColumnTest, RowAndColumnStylesFallBackToTheSheet) {
  Row* row = sheet->GetRow(1);
  Column* column = sheet->GetColumn(0);
  EXPECT_FALSE(row->HasStyle());
  EXPECT_EQ(row->GetStyle(), sheet->GetStyle());
  EXPECT_EQ(column->GetStyle(), sheet->GetStyle());
  StyleRecord s = row->CopyStyle();
  s.textColor = 0x0000FF;
  row->SetStyle(s);
  column->SetStyle(s);
  EXPECT_TRUE(row->HasStyle());
  EXPECT_EQ(row->GetStyle(), InternStyle(s));
  EXPECT_EQ(column->GetStyle(), InternStyle(s));
}

}  // namespace
}  // namespace quadrell
