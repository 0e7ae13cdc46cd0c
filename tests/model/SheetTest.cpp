#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "context/ApplicationContext.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/ModelTestSupport.h"
#include "model/Range.h"
#include "model/Row.h"
#include "object/Object.h"

namespace quadrell {
namespace {

using test::ModelFixture;

class SheetTest : public ::testing::Test, public ModelFixture {
 protected:
  void Select(int32_t c1, int32_t r1, int32_t c2, int32_t r2) {
    sheet->SetSelection(std::make_unique<AreaRange>(c1, r1, c2, r2, sheet));
  }
};

// An anchor that records the position updates it is told of.
class FakeAnchor : public SheetAnchor {
 public:
  explicit FakeAnchor(int* destroyed = nullptr) : destroyed_(destroyed) {}
  ~FakeAnchor() override {
    if (destroyed_) ++*destroyed_;
  }
  int32_t GetKind() const override { return kObjectImage; }
  Object* GetObject() const override { return nullptr; }
  void UpdatePosition() override { ++updates; }
  const SheetPosition& GetTopLeft() const override { return position_; }
  const SheetPosition& GetBottomRight() const override { return position_; }
  int updates = 0;

 private:
  int* destroyed_;
  SheetPosition position_;
};

TEST_F(SheetTest, NewSheetHoldsA1AndThePlaceholder) {
  EXPECT_EQ(sheet->GetName(), u"Sheet");
  EXPECT_EQ(sheet->GetMaxRow(), 1);
  EXPECT_EQ(sheet->GetMaxColumn(), 0);
  EXPECT_TRUE(sheet->HasCellAt(1, 0));
  EXPECT_EQ(sheet->GetSelection()->ToString(), u"A1");
  Cell* placeholder = sheet->GetPlaceholderCell();
  EXPECT_EQ(placeholder->GetRowIndex(), -1);
  EXPECT_EQ(placeholder->GetColumnIndex(), -1);
  EXPECT_NE(sheet->FindRow(-1), nullptr);
  EXPECT_NE(sheet->FindColumn(-1), nullptr);
  EXPECT_EQ(sheet->GetTabColor(), kWhite);
  EXPECT_EQ(sheet->GetZero(), 0);
  EXPECT_EQ(sheet->GetHost(), &host);
}

TEST_F(SheetTest, CellTextCreatesTheRowButNoCell) {
  EXPECT_EQ(sheet->GetCellText(5, 3), u"");
  EXPECT_NE(sheet->FindRow(5), nullptr);
  EXPECT_FALSE(sheet->HasCellAt(5, 3));
  EXPECT_EQ(sheet->GetMaxRow(), 5);
  At(5, 3)->SetInput(u"7");
  EXPECT_EQ(sheet->GetCellText(5, 3), u"7");
  EXPECT_EQ(sheet->GetMaxColumn(), 3);
}

TEST_F(SheetTest, RowCacheNeverServesARenumberedRow) {
  Cell* a2 = At(2, 0);
  a2->SetInput(u"two");
  EXPECT_EQ(At(2, 0), a2);  // cached
  sheet->InsertRow(1);
  EXPECT_NE(At(2, 0), a2);
  EXPECT_EQ(At(3, 0), a2);
  sheet->DeleteRow(1);
  EXPECT_EQ(At(2, 0), a2);
  EXPECT_EQ(sheet->GetCell(2, 0), a2);
}

TEST_F(SheetTest, InsertAndDeleteRowsRenumberRowsAndCells) {
  for (int r = 1; r <= 4; ++r) At(r, 0)->SetInput(std::u16string(1, static_cast<char16_t>(u'a' + r - 1)));
  Cell* c = At(3, 0);
  sheet->InsertRow(2);
  EXPECT_EQ(sheet->GetMaxRow(), 5);
  EXPECT_EQ(TextAt(1, 0), u"a");
  EXPECT_EQ(TextAt(2, 0), u"");
  EXPECT_EQ(TextAt(3, 0), u"b");
  EXPECT_EQ(TextAt(5, 0), u"d");
  EXPECT_EQ(c->GetRowIndex(), 4);
  EXPECT_EQ(c->GetName(), u"A4");
  EXPECT_EQ(sheet->FindRow(4)->GetIndex(), 4);

  Cell* b = At(3, 0);
  b->AddDependent(At(1, 1));
  sheet->DeleteRow(3);
  EXPECT_EQ(sheet->GetMaxRow(), 4);
  EXPECT_EQ(b->GetRowIndex(), -1);
  EXPECT_EQ(b->GetText(), u"Ref");  // the deleted cell stays alive for those that read it
  EXPECT_EQ(TextAt(3, 0), u"c");
  EXPECT_EQ(TextAt(4, 0), u"d");
  EXPECT_EQ(c->GetRowIndex(), 3);
}

TEST_F(SheetTest, DeletingBeyondTheHighestRowKeepsItsCount) {
  At(5, 0)->SetInput(u"x");
  sheet->DeleteRow(100);
  EXPECT_EQ(sheet->GetMaxRow(), 5);
  EXPECT_EQ(TextAt(5, 0), u"x");
  sheet->InsertRow(50);
  EXPECT_EQ(sheet->GetMaxRow(), 50);
  sheet->InsertRow(0);
  sheet->DeleteRow(-3);
  EXPECT_EQ(TextAt(5, 0), u"x");
}

TEST_F(SheetTest, InsertAndDeleteColumnsMoveCellsOfEveryRow) {
  At(1, 0)->SetInput(u"a");
  At(1, 1)->SetInput(u"b");
  At(2, 2)->SetInput(u"c");
  Column* columnB = sheet->GetColumn(1);
  sheet->InsertColumn(1);
  EXPECT_EQ(sheet->GetMaxColumn(), 3);
  EXPECT_EQ(TextAt(1, 0), u"a");
  EXPECT_EQ(TextAt(1, 1), u"");
  EXPECT_EQ(TextAt(1, 2), u"b");
  EXPECT_EQ(TextAt(2, 3), u"c");
  EXPECT_EQ(columnB->GetIndex(), 2);
  EXPECT_EQ(At(2, 3)->GetName(), u"D2");

  Cell* a = At(1, 0);
  a->AddDependent(At(5, 5));
  sheet->DeleteColumn(0);
  EXPECT_EQ(sheet->GetMaxColumn(), 4);
  EXPECT_EQ(TextAt(1, 1), u"b");
  EXPECT_EQ(TextAt(2, 2), u"c");
  EXPECT_EQ(a->GetText(), u"a");  // dropped without a value change, still alive
  EXPECT_EQ(columnB->GetIndex(), 1);
}

TEST_F(SheetTest, RangeDependenciesAreKeyedByTheRangeObject) {
  // Many ranges registered at once are told apart exactly.
  std::vector<std::unique_ptr<CellRange>> ranges;
  for (int i = 0; i < 1000; ++i) {
    ranges.push_back(std::make_unique<CellRange>(At(1, 0), At(3, 0), sheet));
    sheet->RegisterRangeDependency(At(i + 1, 5), ranges.back().get());
  }
  EXPECT_EQ(sheet->RangeDependencyCount(), 1000u);
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(sheet->GetRangeDependent(ranges[i].get()), At(i + 1, 5));
  sheet->RegisterRangeDependency(At(1, 6), ranges[7].get());
  EXPECT_EQ(sheet->GetRangeDependent(ranges[7].get()), At(1, 6));
  for (int i = 0; i < 1000; i += 2) sheet->UnregisterRangeDependency(nullptr, ranges[i].get());
  EXPECT_EQ(sheet->RangeDependencyCount(), 500u);
  EXPECT_EQ(sheet->GetRangeDependent(ranges[0].get()), nullptr);
  EXPECT_EQ(sheet->GetRangeDependent(ranges[1].get()), At(2, 5));
}

TEST_F(SheetTest, InsertedRowInsideARegisteredRangeJoinsItsDependencies) {
  CellRange range(At(1, 0), At(3, 1), sheet);  // A1:B3
  Cell* reader = At(1, 3);
  sheet->RegisterRangeDependency(reader, &range);
  sheet->InsertRow(2);
  EXPECT_EQ(range.ToString(), u"A1:B4");
  EXPECT_EQ(host.RepaintsOf(1, 3), 1);  // the reader recalculated
  host.repaints.clear();
  At(2, 1)->SetInput(u"5");  // typing into the new row reaches the reader
  EXPECT_EQ(host.RepaintsOf(1, 3), 1);

  // A row inserted above the range moves it and does not join.
  host.repaints.clear();
  sheet->InsertRow(1);
  EXPECT_EQ(range.ToString(), u"A2:B5");
  EXPECT_EQ(host.RepaintsOf(1, 3), 0);
  At(1, 0)->SetInput(u"1");
  EXPECT_EQ(host.RepaintsOf(2, 3), 0);

  // The same for a column inserted inside.
  host.repaints.clear();
  sheet->InsertColumn(1);
  EXPECT_EQ(range.ToString(), u"A2:C5");
  EXPECT_EQ(host.RepaintsOf(2, 4), 1);
  host.repaints.clear();
  At(4, 1)->SetInput(u"2");
  EXPECT_EQ(host.RepaintsOf(2, 4), 1);
}

TEST_F(SheetTest, MergingCollectsTextsAndUnmergingRestoresSpans) {
  At(1, 0)->SetInput(u"x");
  At(2, 1)->SetInput(u"y");
  Select(0, 1, 1, 2);
  sheet->MergeCells(false);
  Cell* master = At(1, 0);
  EXPECT_EQ(master->GetText(), u"x y");
  EXPECT_EQ(master->GetColumnSpan(), 2);
  EXPECT_EQ(master->GetRowSpan(), 2);
  EXPECT_EQ(master->GetStyle()->horizontalAlignment, kHorizontalCenter);
  for (auto [r, c] : {std::pair{1, 1}, {2, 0}, {2, 1}}) {
    EXPECT_EQ(TextAt(r, c), u"");
    EXPECT_EQ(At(r, c)->GetColumnSpan(), 0);
    EXPECT_EQ(At(r, c)->GetMergeMaster(), master);
  }
  // A selection inside the merged area widens to all of it.
  Select(1, 2, 1, 2);
  EXPECT_EQ(sheet->GetSelection()->ToString(), u"A1:B2");
  sheet->MergeCells(false);
  EXPECT_EQ(master->GetColumnSpan(), 1);
  EXPECT_EQ(At(2, 1)->GetMergeMaster(), nullptr);
  EXPECT_EQ(At(2, 1)->GetRowSpan(), 1);
  EXPECT_EQ(master->GetText(), u"x y");
}

TEST_F(SheetTest, MergingKeepsALoneTopLeftInput) {
  At(1, 0)->SetInput(u"=A5");
  Select(0, 1, 2, 1);
  sheet->MergeCells(false);
  EXPECT_EQ(At(1, 0)->GetInput(), u"=A5");
  EXPECT_EQ(At(1, 0)->GetColumnSpan(), 3);
}

TEST_F(SheetTest, UsedSizeCoversUsedCellsOnly) {
  EXPECT_EQ(sheet->GetUsedSize().column, 0);
  EXPECT_EQ(sheet->GetUsedSize().row, 1);
  At(5, 2)->SetInput(u"x");
  At(9, 8);  // touched but empty
  At(2, 4)->SetInput(u"");
  UsedSize size = sheet->GetUsedSize();
  EXPECT_EQ(size.column, 2);
  EXPECT_EQ(size.row, 5);
  StyleRecord filled = NewDefaultStyle();
  filled.fillColor = 0xCCCCCC;
  At(3, 6)->SetStyle(filled);
  size = sheet->GetUsedSize();
  EXPECT_EQ(size.column, 6);
  EXPECT_EQ(size.row, 5);
}

TEST_F(SheetTest, ObjectsIterateBothWaysAndFollowRowChanges) {
  int destroyed = 0;
  auto first = std::make_unique<FakeAnchor>(&destroyed);
  auto second = std::make_unique<FakeAnchor>(&destroyed);
  FakeAnchor* a = first.get();
  FakeAnchor* b = second.get();
  sheet->AddObject(std::move(first));
  sheet->AddObject(std::move(second));
  sheet->ResetObjects(1);
  EXPECT_EQ(sheet->NextObject(), a);
  EXPECT_EQ(sheet->NextObject(), b);
  EXPECT_EQ(sheet->NextObject(), nullptr);
  sheet->ResetObjects(0);
  EXPECT_EQ(sheet->NextObject(), b);
  EXPECT_EQ(sheet->NextObject(), a);
  EXPECT_EQ(sheet->NextObject(), nullptr);

  sheet->InsertRow(1);
  sheet->DeleteColumn(0);
  EXPECT_EQ(a->updates, 2);
  EXPECT_EQ(b->updates, 2);

  FakeAnchor stranger;
  sheet->RemoveObject(&stranger);
  EXPECT_EQ(sheet->ObjectCount(), 2);
  sheet->RemoveObject(a);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(sheet->ObjectCount(), 1);
}

TEST_F(SheetTest, CommentMapIsKeyedByTheRecordItself) {
  auto anchor = std::make_unique<FakeAnchor>();
  FakeAnchor* shown = anchor.get();
  sheet->AddObject(std::move(anchor));
  // Records are only compared by address here, never read.
  alignas(8) char records[2][8];
  auto* first = reinterpret_cast<CommentRecord*>(records[0]);
  auto* second = reinterpret_cast<CommentRecord*>(records[1]);
  sheet->SetCommentObject(first, shown);
  EXPECT_EQ(sheet->GetCommentObject(first), shown);
  EXPECT_EQ(sheet->GetCommentObject(second), nullptr);

  // Replacing a cell's comment takes the old one's object off the sheet.
  At(1, 0)->SetComment(first);
  At(1, 0)->SetComment(second);
  EXPECT_EQ(At(1, 0)->GetComment(), second);
  EXPECT_EQ(sheet->ObjectCount(), 0);
  EXPECT_EQ(sheet->GetCommentObject(first), nullptr);
}

TEST_F(SheetTest, DefaultStyleShowsAtOnceInCellsWithoutOwnStyle) {
  Cell* cell = At(4, 4);
  StyleRecord s = sheet->CopyStyle();
  s.fillColor = 0x00FF00;
  sheet->SetStyle(s);
  EXPECT_EQ(cell->GetStyle()->fillColor, 0x00FF00u);
  EXPECT_EQ(sheet->GetRow(9)->GetStyle()->fillColor, 0x00FF00u);
}

}  // namespace
}  // namespace quadrell
