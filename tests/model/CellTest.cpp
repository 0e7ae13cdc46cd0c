#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "context/ApplicationContext.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/ModelTestSupport.h"
#include "value/Matrix.h"

namespace quadrell {
namespace {

using test::ModelFixture;

class CellTest : public ::testing::Test, public ModelFixture {
 protected:
  void SetUp() override { GetContext().SetSettingInt(kSettingSimpleFormulas, 1); }
};

TEST_F(CellTest, TypedInputBecomesValuesOfItsKind) {
  struct Case {
    std::u16string input;
    ValueKind kind;
    std::u16string text;
  };
  const Case cases[] = {
      {u"12", ValueKind::Number, u"12"},
      {u"1,5", ValueKind::Number, u"1,5"},
      {u"50%", ValueKind::Number, u"50%"},
      {u"1.2.2020", ValueKind::DateTime, u"1.2.2020"},
      {u"hello", ValueKind::Text, u"hello"},
      {u"https://example.org", ValueKind::Hyperlink, u"https://example.org"},
      {u"+3", ValueKind::Text, u"+3"},  // not a simple formula: it starts with an operator
      {u"", ValueKind::Text, u""},
  };
  for (const Case& c : cases) {
    Cell* cell = At(2, 1);
    cell->SetInput(c.input);
    EXPECT_EQ(cell->GetValue()->Kind(), c.kind) << std::string(c.input.begin(), c.input.end());
    EXPECT_EQ(cell->GetText(), c.text);
    EXPECT_FALSE(cell->HasFormula());
    EXPECT_EQ(cell->IsInputEmpty(), c.input.empty());
  }
}

TEST_F(CellTest, TypedNumbersTakeTheNumberFormatOfTheStyle) {
  Cell* cell = At(2, 1);
  StyleRecord style = cell->CopyStyle();
  style.numberFormatId = 4;
  cell->SetStyle(style);
  cell->SetInput(u"1234,5");
  EXPECT_EQ(cell->GetText(), u"1.234,50");
  // What carries a format of its own keeps it.
  cell->SetInput(u"50%");
  EXPECT_EQ(cell->GetText(), u"50%");
  cell->SetInput(u"text");
  EXPECT_EQ(cell->GetText(), u"text");
}

TEST_F(CellTest, NewCellIsEmptyAndNamedByPosition) {
  Cell* cell = At(7, 1);
  EXPECT_TRUE(cell->IsInputEmpty());
  EXPECT_EQ(cell->GetValue(), EmptyValue());
  EXPECT_EQ(cell->GetText(), u"");
  EXPECT_EQ(cell->GetInput(), u"");
  EXPECT_EQ(cell->GetName(), u"B7");
  EXPECT_EQ(At(1, 27)->GetName(), u"AB1");
  EXPECT_EQ(cell->GetSheet(), sheet);
  EXPECT_EQ(cell->GetColumnSpan(), 1);
  EXPECT_EQ(cell->GetRowSpan(), 1);
  EXPECT_EQ(cell->GetMergeMaster(), nullptr);
  EXPECT_EQ(sizeof(Cell), 32u);
}

// Formula texts are kept as typed and show the parser's error until formulas compile.
TEST_F(CellTest, FormulaTextIsKeptWithSyntaxError) {
  Cell* cell = At(1, 0);
  cell->SetInput(u"=SUMME(A1;2");
  EXPECT_TRUE(cell->HasFormula());
  EXPECT_EQ(cell->GetValue()->Kind(), ValueKind::Error);
  EXPECT_EQ(cell->GetText(), u"Syntax Error");
  EXPECT_EQ(cell->GetInput(), u"=SUMME(A1;2");
  EXPECT_EQ(cell->GetEnglishFormulaText(), u"=SUMME(A1;2");
  EXPECT_FALSE(cell->IsInputEmpty());
  cell->SetInput(u"");
  EXPECT_FALSE(cell->HasFormula());
  EXPECT_EQ(cell->GetInput(), u"");
}

TEST_F(CellTest, SimpleFormulasFollowTheSetting) {
  Cell* cell = At(1, 0);
  cell->SetInput(u"12+3");
  EXPECT_TRUE(cell->HasFormula());
  EXPECT_EQ(cell->GetInput(), u"=12+3");
  for (const char16_t* plain : {u"12", u"1.5", u"+3", u"-1+2", u"12+a"}) {
    cell->SetInput(plain);
    EXPECT_FALSE(cell->HasFormula()) << std::string(plain, plain + std::char_traits<char16_t>::length(plain));
  }
  GetContext().SetSettingInt(kSettingSimpleFormulas, 0);
  cell->SetInput(u"12+3");
  EXPECT_FALSE(cell->HasFormula());
  EXPECT_EQ(cell->GetValue()->Kind(), ValueKind::Text);
}

TEST_F(CellTest, StyleIsInheritedFromRowColumnAndSheet) {
  Cell* cell = At(3, 2);
  StyleRecord sheetStyle = sheet->CopyStyle();
  sheetStyle.fillColor = 0x111111;
  sheet->SetStyle(sheetStyle);
  EXPECT_EQ(cell->GetStyle()->fillColor, 0x111111u);
  StyleRecord columnStyle = cell->GetColumn()->CopyStyle();
  columnStyle.fillColor = 0x222222;
  cell->GetColumn()->SetStyle(columnStyle);
  EXPECT_EQ(cell->GetStyle()->fillColor, 0x222222u);
  StyleRecord rowStyle = cell->GetRow()->CopyStyle();
  rowStyle.fillColor = 0x333333;
  cell->GetRow()->SetStyle(rowStyle);
  EXPECT_EQ(cell->GetStyle()->fillColor, 0x333333u);
  EXPECT_FALSE(cell->HasStyle());

  StyleRecord own = cell->CopyStyle();
  own.fillColor = 0x444444;
  cell->SetStyle(own);
  EXPECT_TRUE(cell->HasStyle());
  EXPECT_EQ(cell->GetStyle()->fillColor, 0x444444u);
  // A style equal to the inherited one is no own style.
  cell->SetStyle(rowStyle);
  EXPECT_FALSE(cell->HasStyle());
  EXPECT_EQ(cell->GetStyle(), cell->GetRow()->GetStyle());
}

TEST_F(CellTest, BordersAreSharedWithExistingNeighbours) {
  Cell* b2 = At(2, 1);
  Cell* b3 = At(3, 1);
  Cell* a2 = At(2, 0);
  Cell* b1 = At(1, 1);
  Cell* c2 = At(2, 2);
  StyleRecord s = b2->CopyStyle();
  s.bottom = {0x0000FF, kBorderThin};
  s.top = {0, kBorderDouble};
  s.left = {0x00FF00, kBorderDotted};
  s.right = {0, kBorderMedium};
  b2->SetStyle(s);
  EXPECT_EQ(b3->GetStyle()->top, s.bottom);
  EXPECT_EQ(b1->GetStyle()->bottom, s.top);
  EXPECT_EQ(a2->GetStyle()->right, s.left);
  EXPECT_EQ(c2->GetStyle()->left, s.right);
  EXPECT_EQ(b2->GetStyle(), InternStyle(s));

  // A neighbour that does not exist is not created.
  StyleRecord d = At(10, 5)->CopyStyle();
  d.bottom = {0, kBorderThin};
  d.right = {0, kBorderThin};
  At(10, 5)->SetStyle(d);
  EXPECT_FALSE(sheet->HasCellAt(11, 5));
  EXPECT_EQ(sheet->FindRow(11), nullptr);
  EXPECT_FALSE(sheet->HasCellAt(10, 6));
}

TEST_F(CellTest, BorderFixesSpreadThroughAChainWithoutRecursion) {
  // Many cells whose shared sides disagree: one change settles them all.
  const int n = 20000;
  for (int c = 0; c < n; ++c) {
    StyleRecord s = NewDefaultStyle();
    s.left = {static_cast<Colour>(c), kBorderThin};
    s.right = {static_cast<Colour>(c + 100000), kBorderThin};
    sheet->GetRow(5)->GetCell(c);
    At(5, c)->SetStyle(s);
  }
  for (int c = 1; c < n; ++c) EXPECT_EQ(At(5, c)->GetStyle()->left, At(5, c - 1)->GetStyle()->right);
}

TEST_F(CellTest, HyperlinksAreBlueAndUnderlinedUntilReplaced) {
  Cell* cell = At(1, 0);
  cell->SetInput(u"http://example.org");
  EXPECT_EQ(cell->GetStyle()->textColor, 0xFF0000u);
  EXPECT_TRUE(cell->GetStyle()->font->IsUnderline());
  EXPECT_EQ(cell->GetStyle()->font->face, u"Arial");
  cell->SetInput(u"42");
  EXPECT_EQ(cell->GetStyle()->textColor, kBlack);
  EXPECT_FALSE(cell->GetStyle()->font->IsUnderline());
  EXPECT_FALSE(cell->HasStyle());
}

TEST_F(CellTest, UsedMeansVisibleContentFillOrBorder) {
  Cell* cell = At(1, 0);
  EXPECT_FALSE(cell->IsUsed());
  StyleRecord bold = cell->CopyStyle();
  bold.font = GetFont(u"Arial", 10, kFontFlagBold);
  cell->SetStyle(bold);
  EXPECT_FALSE(cell->IsUsed());
  StyleRecord filled = bold;
  filled.fillColor = 0x00FFFF;
  cell->SetStyle(filled);
  EXPECT_TRUE(cell->IsUsed());
  StyleRecord bordered = bold;
  bordered.left.lineStyle = kBorderThin;
  cell->SetStyle(bordered);
  EXPECT_TRUE(cell->IsUsed());
  cell->SetStyle(bold);
  cell->SetInput(u"x");
  EXPECT_TRUE(cell->IsUsed());
  // Cleared input leaves the cell unused.
  cell->SetInput(u"");
  EXPECT_FALSE(cell->IsUsed());
}

TEST_F(CellTest, StyleChangeRecomputesTheRowHeight) {
  Cell* cell = At(4, 0);
  StyleRecord big = cell->CopyStyle();
  big.font = GetFont(u"Arial", 20, 0);
  EXPECT_TRUE(cell->SetStyle(big));
  EXPECT_EQ(sheet->GetRowHeight(4), GetFont(u"Arial", 20, 0)->PixelHeight());
  EXPECT_FALSE(cell->SetStyle(big));
  EXPECT_TRUE(cell->SetStyle(NewDefaultStyle()));
  EXPECT_EQ(sheet->GetRowHeight(4), kDefaultRowHeight);
}

TEST_F(CellTest, ValueChangesRecalculateDependentsInOrderAndTellListeners) {
  Cell* a = At(1, 0);
  Cell* b = At(2, 0);
  Cell* c = At(3, 0);
  Cell* d = At(4, 0);
  // A diamond: b and c read a, d reads b and c. Each recalculates once.
  a->AddDependent(b);
  a->AddDependent(c);
  b->AddDependent(d);
  c->AddDependent(d);
  std::vector<Cell*> heard;
  auto listener = [](void* data, Cell* cell) { static_cast<std::vector<Cell*>*>(data)->push_back(cell); };
  a->AddListener(&heard, listener);
  a->SetInput(u"5");
  EXPECT_EQ(host.RepaintsOf(2, 0), 1);
  EXPECT_EQ(host.RepaintsOf(3, 0), 1);
  EXPECT_EQ(host.RepaintsOf(4, 0), 1);
  ASSERT_EQ(host.repaints.size(), 3u);
  EXPECT_EQ(host.repaints.back(), std::make_pair(4, 0));  // after both of its inputs
  EXPECT_EQ(heard, std::vector<Cell*>{a});

  // The same value again changes nothing.
  a->SetInput(u"5");
  EXPECT_EQ(host.repaints.size(), 3u);
  EXPECT_EQ(heard.size(), 1u);
  a->RemoveListener(&heard);
  a->SetInput(u"6");
  EXPECT_EQ(heard.size(), 1u);

  // Recalculate reaches the dependents also when nothing changed, then repaints the cell.
  host.repaints.clear();
  a->Recalculate();
  EXPECT_EQ(host.repaints.size(), 4u);
  EXPECT_EQ(host.repaints.back(), std::make_pair(1, 0));

  EXPECT_TRUE(a->RemoveDependent(b));
  EXPECT_FALSE(a->RemoveDependent(b));
}

TEST_F(CellTest, LongDependencyChainsAndLoopsNeitherOverflowNorHang) {
  const int n = 200000;
  for (int r = 1; r < n; ++r) At(r, 0)->AddDependent(At(r + 1, 0));
  At(n, 0)->AddDependent(At(1, 0));  // a loop back to the start
  At(1, 0)->SetInput(u"1");
  EXPECT_EQ(host.repaints.size(), static_cast<size_t>(n));
  EXPECT_FALSE(At(1, 0)->DependsOn(At(n, 0), Cell::NewCycleStamp()));  // cells without formulas read nothing
  EXPECT_TRUE(At(1, 0)->DependsOn(At(1, 0), Cell::NewCycleStamp()));
}

TEST_F(CellTest, MatrixResultSpillsAndIsTakenDownByEditingAMember) {
  Cell* anchor = At(1, 0);
  ArrayMatrix m(2, 2);
  m.SetAt(0, 0, NewNumber(1));
  m.SetAt(1, 0, NewNumber(2));
  m.SetAt(0, 1, NewNumber(3));
  m.SetAt(1, 1, NewNumber(4));
  anchor->SpillMatrix(m);
  EXPECT_EQ(TextAt(1, 0), u"1");
  EXPECT_EQ(TextAt(1, 1), u"2");
  EXPECT_EQ(TextAt(2, 0), u"3");
  EXPECT_EQ(TextAt(2, 1), u"4");
  EXPECT_TRUE(At(2, 1)->IsMatrixMember());
  EXPECT_EQ(At(2, 1)->GetMatrixColumnOffset(), 1);
  EXPECT_EQ(At(2, 1)->GetMatrixRowOffset(), 1);

  At(1, 1)->SetInput(u"x");
  EXPECT_EQ(anchor->GetText(), u"Matrix Error");
  EXPECT_EQ(TextAt(1, 1), u"x");
  EXPECT_EQ(TextAt(2, 0), u"");
  EXPECT_EQ(TextAt(2, 1), u"");
  EXPECT_FALSE(At(2, 0)->IsMatrixMember());
  EXPECT_TRUE(At(2, 0)->IsMatrixBlocked());

  // A spill over a typed value does not take place; the value stays.
  anchor->SpillMatrix(m);
  EXPECT_EQ(anchor->GetText(), u"Matrix Error");
  EXPECT_EQ(TextAt(1, 1), u"x");
  EXPECT_EQ(TextAt(2, 1), u"");
}

TEST_F(CellTest, SmallerResultRetractsTheFormerSpill) {
  Cell* anchor = At(1, 0);
  ArrayMatrix wide(3, 1);
  for (int i = 0; i < 3; ++i) wide.SetAt(i, 0, NewNumber(i + 1));
  anchor->SpillMatrix(wide);
  EXPECT_EQ(TextAt(1, 2), u"3");
  ArrayMatrix narrow(2, 1);
  narrow.SetAt(0, 0, NewNumber(7));
  narrow.SetAt(1, 0, NewNumber(8));
  anchor->SpillMatrix(narrow);
  EXPECT_EQ(TextAt(1, 0), u"7");
  EXPECT_EQ(TextAt(1, 1), u"8");
  EXPECT_EQ(TextAt(1, 2), u"");
  EXPECT_FALSE(At(1, 2)->IsMatrixMember());
  // Editing the anchor frees the whole area.
  anchor->SetInput(u"9");
  EXPECT_FALSE(At(1, 1)->IsMatrixMember());
  EXPECT_FALSE(At(1, 1)->IsMatrixBlocked());
  EXPECT_EQ(TextAt(1, 1), u"");
}

TEST_F(CellTest, CopyFromTakesTheInput) {
  At(1, 0)->SetInput(u"50%");
  At(2, 3)->CopyFrom(At(1, 0), 3, 1);
  EXPECT_EQ(At(2, 3)->GetInput(), u"50%");
  At(1, 0)->SetInput(u"=A1+$B$1");
  At(2, 3)->CopyFrom(At(1, 0), 3, 1);
  EXPECT_TRUE(At(2, 3)->HasFormula());
  At(2, 3)->CopyFrom(At(2, 3), 1, 1);  // from itself: nothing happens
  EXPECT_TRUE(At(2, 3)->HasFormula());
}

TEST_F(CellTest, SpansAndMergeMaster) {
  Cell* master = At(1, 0);
  Cell* covered = At(2, 1);
  master->SetSpan(2, 2);
  covered->SetSpan(0, 0);
  covered->SetMergeMaster(master);
  EXPECT_EQ(master->GetColumnSpan(), 2);
  EXPECT_EQ(master->GetRowSpan(), 2);
  EXPECT_EQ(covered->GetColumnSpan(), 0);
  EXPECT_EQ(covered->GetMergeMaster(), master);
  covered->SetSpan(1, 1);
  covered->SetMergeMaster(nullptr);
  EXPECT_EQ(covered->GetMergeMaster(), nullptr);
  EXPECT_EQ(covered->GetRowSpan(), 1);
}

TEST_F(CellTest, ListenerMayRemoveItselfAndOthersWhileBeingCalled) {
  struct Data {
    Cell* cell;
    int calls = 0;
  };
  Data first{At(1, 0)};
  Data second{At(1, 0)};
  // Newest first: the last listener, then `second`, which removes itself and the last one.
  At(1, 0)->AddListener(&first, [](void* d, Cell*) { ++static_cast<Data*>(d)->calls; });
  At(1, 0)->AddListener(&second, [](void* d, Cell* cell) {
    ++static_cast<Data*>(d)->calls;
    cell->RemoveListener(d);
    cell->RemoveListener(nullptr);
  });
  At(1, 0)->AddListener(nullptr, [](void*, Cell*) {});
  At(1, 0)->SetInput(u"1");
  EXPECT_EQ(second.calls, 1);
  EXPECT_EQ(first.calls, 1);
  At(1, 0)->SetInput(u"2");
  EXPECT_EQ(second.calls, 1);
  EXPECT_EQ(first.calls, 2);
}

}  // namespace
}  // namespace quadrell
