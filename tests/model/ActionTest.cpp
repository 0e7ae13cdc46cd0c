#include <memory>

#include <gtest/gtest.h>

#include "model/Action.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/PlainHost.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Workbook.h"

namespace quadrell {
namespace {

class ActionTest : public ::testing::Test {
 protected:
  PlainHost host;
  Workbook workbook{u"test", &host};
  Sheet* sheet = workbook.GetActiveSheet();

  Cell* At(int32_t row, int32_t column) { return sheet->GetCellDirect(row, column); }
  // What an in-place edit does: record, then change.
  void Type(int32_t row, int32_t column, std::u16string_view input) {
    host.AddAction(std::make_unique<CellInputAction>(At(row, column), input));
    At(row, column)->SetInput(input);
  }
  void Select(int32_t c1, int32_t r1, int32_t c2, int32_t r2) {
    sheet->SetSelection(std::make_unique<AreaRange>(c1, r1, c2, r2, sheet));
  }
};

TEST_F(ActionTest, TypingIsUndoneAndRedoneIncludingFormulas) {
  Type(1, 0, u"5");
  Type(1, 0, u"=A2+1");
  Type(1, 0, u"text");
  host.Undo();
  EXPECT_EQ(At(1, 0)->GetInput(), u"=A2+1");
  EXPECT_TRUE(At(1, 0)->HasFormula());
  host.Undo();
  EXPECT_EQ(At(1, 0)->GetInput(), u"5");
  EXPECT_EQ(At(1, 0)->GetValue()->Number(), 5);
  host.Undo();
  EXPECT_EQ(At(1, 0)->GetInput(), u"");
  host.Redo();
  host.Redo();
  EXPECT_EQ(At(1, 0)->GetInput(), u"=A2+1");
  host.Redo();
  EXPECT_EQ(At(1, 0)->GetText(), u"text");
  EXPECT_EQ(host.History().RedoCount(), 0u);
}

TEST_F(ActionTest, AStyleChangeOverThreeCellsIsOneStep) {
  auto group = std::make_unique<GroupAction>();
  for (int32_t c = 0; c < 3; ++c) {
    Cell* cell = At(1, c);
    const StyleRecord* before = cell->GetStyle();
    StyleRecord style = cell->CopyStyle();
    style.fillColor = 0x00FF00;
    cell->SetStyle(style);
    group->AddAction(std::make_unique<StyleAction>(cell, before));
  }
  host.AddAction(std::move(group));
  host.Undo();
  for (int32_t c = 0; c < 3; ++c) EXPECT_EQ(At(1, c)->GetStyle()->fillColor, kWhite) << c;
  EXPECT_EQ(host.History().UndoCount(), 0u);
  host.Redo();
  for (int32_t c = 0; c < 3; ++c) EXPECT_EQ(At(1, c)->GetStyle()->fillColor, 0x00FF00u) << c;
}

TEST_F(ActionTest, StylesOfRowsColumnsAndSheets) {
  StyleRecord red = NewDefaultStyle();
  red.textColor = 0x0000FF;
  Row* row = sheet->GetRow(3);
  Column* column = sheet->GetColumn(2);
  const StyleRecord* rowBefore = row->GetStyle();
  const StyleRecord* columnBefore = column->GetStyle();
  const StyleRecord* sheetBefore = sheet->GetStyle();
  row->SetStyle(red);
  column->SetStyle(red);
  sheet->SetStyle(red);
  auto group = std::make_unique<GroupAction>();
  group->AddAction(std::make_unique<StyleAction>(row, rowBefore));
  group->AddAction(std::make_unique<StyleAction>(column, columnBefore));
  group->AddAction(std::make_unique<StyleAction>(sheet, sheetBefore));
  host.AddAction(std::move(group));
  host.Undo();
  EXPECT_EQ(row->GetStyle()->textColor, kBlack);
  EXPECT_EQ(column->GetStyle()->textColor, kBlack);
  EXPECT_EQ(sheet->GetStyle()->textColor, kBlack);
  host.Redo();
  EXPECT_EQ(row->GetStyle()->textColor, 0x0000FFu);
  EXPECT_EQ(column->GetStyle()->textColor, 0x0000FFu);
  EXPECT_EQ(sheet->GetStyle()->textColor, 0x0000FFu);
}

TEST_F(ActionTest, ANewActionAfterUndoMakesRedoImpossible) {
  Type(1, 0, u"a");
  Type(1, 0, u"b");
  host.Undo();
  EXPECT_EQ(host.History().RedoCount(), 1u);
  Type(2, 0, u"c");
  EXPECT_EQ(host.History().RedoCount(), 0u);
  host.Redo();
  EXPECT_EQ(At(1, 0)->GetText(), u"a");
  EXPECT_EQ(At(2, 0)->GetText(), u"c");
}

TEST_F(ActionTest, UndoAndRedoWithEmptyListsOnlyRefresh) {
  int before = host.RefreshCount();
  host.Undo();
  host.Redo();
  EXPECT_EQ(host.RefreshCount(), before + 2);
  EXPECT_EQ(host.History().UndoCount(), 0u);
  EXPECT_EQ(host.History().RedoCount(), 0u);
}

TEST_F(ActionTest, RowHeightsAndColumnWidthsAreManualBothWays) {
  Row* row = sheet->GetRow(2);
  Column* column = sheet->GetColumn(1);
  int32_t height = row->GetHeight();
  int32_t width = column->GetWidth();
  row->SetHeight(40, true);
  host.AddAction(std::make_unique<RowHeightAction>(row, height));
  column->SetWidth(150);
  host.AddAction(std::make_unique<ColumnWidthAction>(column, width));
  host.Undo();
  host.Undo();
  EXPECT_EQ(row->GetHeight(), height);
  EXPECT_TRUE(row->IsManualHeight());
  EXPECT_EQ(column->GetWidth(), width);
  host.Redo();
  host.Redo();
  EXPECT_EQ(row->GetHeight(), 40);
  EXPECT_EQ(column->GetWidth(), 150);
}

TEST_F(ActionTest, UndoingASheetDeletionPutsTheSameSheetBack) {
  Sheet* second = workbook.AddSheet(u"second");
  workbook.AddSheet(u"third");
  second->GetCellDirect(4, 2)->SetInput(u"kept");
  host.AddAction(std::make_unique<RemoveSheetAction>(&workbook, second, 1));
  workbook.RemoveSheet(second);
  ASSERT_EQ(workbook.GetSheetCount(), 2);
  host.Undo();
  ASSERT_EQ(workbook.GetSheetCount(), 3);
  EXPECT_EQ(workbook.GetSheet(1), second);
  EXPECT_EQ(second->GetCellText(4, 2), u"kept");
  host.Redo();
  EXPECT_EQ(workbook.IndexOfSheet(second), -1);
}

TEST_F(ActionTest, UndoingAnAddedSheetRemovesItAndRedoBringsItBack) {
  Sheet* added = workbook.AddSheet();
  host.AddAction(std::make_unique<AddSheetAction>(&workbook, added));
  Cell* cell = added->GetCellDirect(1, 0);
  host.AddAction(std::make_unique<CellInputAction>(cell, u"typed"));
  cell->SetInput(u"typed");
  host.Undo();
  host.Undo();
  EXPECT_EQ(workbook.GetSheetCount(), 1);
  host.Redo();
  ASSERT_EQ(workbook.GetSheetCount(), 2);
  Sheet* back = workbook.GetSheet(1);
  EXPECT_EQ(back->GetCellText(1, 0), u"");
  // The typing redone later lands on the sheet the user sees.
  host.Redo();
  EXPECT_EQ(back->GetCellText(1, 0), u"typed");
}

TEST_F(ActionTest, CommentsAreSetBackAndAgain) {
  // The records are only compared by identity here.
  alignas(8) static char first, second;
  auto* a = reinterpret_cast<CommentRecord*>(&first);
  auto* b = reinterpret_cast<CommentRecord*>(&second);
  Cell* cell = At(2, 2);
  cell->SetComment(a);
  host.AddAction(std::make_unique<CommentAction>(cell, b));
  cell->SetComment(b);
  host.AddAction(std::make_unique<CommentAction>(cell, nullptr));
  cell->SetComment(nullptr);
  host.Undo();
  EXPECT_EQ(cell->GetComment(), b);
  host.Undo();
  EXPECT_EQ(cell->GetComment(), a);
  host.Redo();
  host.Redo();
  EXPECT_EQ(cell->GetComment(), nullptr);
}

TEST_F(ActionTest, AMergeIsOneStepBothWays) {
  At(1, 0)->SetInput(u"x");
  At(2, 1)->SetInput(u"y");
  Select(0, 1, 1, 2);
  sheet->MergeCells(true);
  ASSERT_EQ(host.History().UndoCount(), 1u);
  ASSERT_EQ(At(1, 0)->GetText(), u"x y");
  Select(3, 5, 3, 5);  // the selection moved on meanwhile
  host.Undo();
  EXPECT_EQ(At(1, 0)->GetColumnSpan(), 1);
  EXPECT_EQ(At(1, 0)->GetRowSpan(), 1);
  EXPECT_EQ(At(2, 1)->GetMergeMaster(), nullptr);
  EXPECT_EQ(At(1, 0)->GetText(), u"x");
  EXPECT_EQ(At(2, 1)->GetText(), u"y");
  EXPECT_EQ(At(1, 0)->GetStyle()->horizontalAlignment, kHorizontalGeneral);
  EXPECT_EQ(sheet->GetSelection()->ToString(), u"D5");
  host.Redo();
  EXPECT_EQ(At(1, 0)->GetColumnSpan(), 2);
  EXPECT_EQ(At(1, 0)->GetRowSpan(), 2);
  EXPECT_EQ(At(2, 1)->GetMergeMaster(), At(1, 0));
  EXPECT_EQ(At(1, 0)->GetText(), u"x y");
  EXPECT_EQ(At(2, 1)->GetText(), u"");
  EXPECT_EQ(At(1, 0)->GetStyle()->horizontalAlignment, kHorizontalCenter);
  EXPECT_EQ(sheet->GetSelection()->ToString(), u"D5");
}

TEST_F(ActionTest, UnmergingIsRecordedToo) {
  Select(0, 1, 1, 1);
  sheet->MergeCells(false);
  EXPECT_EQ(host.History().UndoCount(), 0u);
  sheet->MergeCells(true);  // the same selection: unmerges
  EXPECT_EQ(At(1, 0)->GetColumnSpan(), 1);
  host.Undo();
  EXPECT_EQ(At(1, 0)->GetColumnSpan(), 2);
  EXPECT_EQ(At(1, 1)->GetMergeMaster(), At(1, 0));
}

TEST_F(ActionTest, AGroupTakesItsMembersBackLastFirst) {
  // A cut pasted onto its own source: the clearing, then the paste of the same cell.
  At(1, 0)->SetInput(u"1");
  auto group = std::make_unique<GroupAction>();
  auto clear = std::make_unique<ClearCellsAction>(std::vector<Cell*>{At(1, 0)});
  clear->Redo();
  group->AddAction(std::move(clear));
  group->AddAction(std::make_unique<CellInputAction>(At(1, 0), u"pasted"));
  At(1, 0)->SetInput(u"pasted");
  host.AddAction(std::move(group));
  host.Undo();
  EXPECT_EQ(At(1, 0)->GetInput(), u"1");
  host.Redo();
  EXPECT_EQ(At(1, 0)->GetInput(), u"pasted");
}

TEST_F(ActionTest, DeletedColumnsAndRowsComeBackWithTheirCellsAndReaders) {
  At(1, 0)->SetInput(u"2");
  At(1, 1)->SetInput(u"3");
  At(2, 1)->SetInput(u"=B1*2");
  At(1, 2)->SetInput(u"=A1+B1");
  At(3, 3)->SetInput(u"=SUM(B1:B2)");
  sheet->GetColumn(1)->SetWidth(55);
  struct Case {
    LineAction::Kind kind;
    int32_t at;
  };
  for (Case k : {Case{LineAction::kDeleteColumn, 1}, Case{LineAction::kDeleteRow, 1},
                 Case{LineAction::kInsertColumn, 0}, Case{LineAction::kInsertRow, 1}}) {
    SCOPED_TRACE(static_cast<int>(k.kind));
    auto action = std::make_unique<LineAction>(sheet, k.kind, k.at);
    action->Do();
    host.AddAction(std::move(action));
    host.Undo();
    EXPECT_EQ(At(1, 1)->GetInput(), u"3");
    EXPECT_EQ(At(2, 1)->GetValue()->Number(), 6);
    EXPECT_EQ(At(1, 2)->GetValue()->Number(), 5);
    EXPECT_EQ(At(3, 3)->GetValue()->Number(), 9);
    EXPECT_EQ(sheet->GetColumnWidth(1), 55);
    host.Redo();
    host.Undo();
    EXPECT_EQ(At(1, 2)->GetInput(), u"=A1+B1");
    EXPECT_EQ(At(1, 2)->GetValue()->Number(), 5);
  }
}

TEST_F(ActionTest, TheUsedSizeFollowsCellsWithoutAScanUntilAnEdgeEmpties) {
  EXPECT_EQ(sheet->GetUsedSize().row, 1);
  At(7, 2)->SetInput(u"x");
  At(3, 5)->SetInput(u"y");
  EXPECT_EQ(sheet->GetUsedSize().row, 7);
  EXPECT_EQ(sheet->GetUsedSize().column, 5);
  At(40, 1);  // a cell asked for is not used
  EXPECT_EQ(sheet->GetUsedSize().row, 7);
  At(7, 2)->SetInput(u"");
  EXPECT_EQ(sheet->GetUsedSize().row, 3);
  At(3, 5)->SetInput(u"");
  EXPECT_EQ(sheet->GetUsedSize().row, 1);
  EXPECT_EQ(sheet->GetUsedSize().column, 0);
}

}  // namespace
}  // namespace quadrell
