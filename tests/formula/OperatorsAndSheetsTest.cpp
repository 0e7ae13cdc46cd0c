// Comparisons, powers, signs and percent signs, references to other sheets,
// and formulas whose text the tree does not cover.
#include <string>

#include "formula/Formula.h"
#include "formula/FormulaBinaryOperation.h"
#include "formula/FormulaTestSupport.h"
#include "model/Range.h"

namespace quadrell {
namespace {

using test::FormulaFixture;
using test::Narrow;

std::u16string Grouping(const FormulaNode* node) {
  if (node->Kind() != FormulaNodeKind::Binary) return node->ToText(u"en");
  auto* b = static_cast<const FormulaBinaryOperation*>(node);
  std::u16string op;
  switch (b->GetOperator()) {
    case kLessEqual: op = u"<="; break;
    case kGreaterEqual: op = u">="; break;
    case kNotEqual: op = u"<>"; break;
    default: op = std::u16string(1, b->GetOperator());
  }
  return u"(" + Grouping(b->GetLeft()) + op + Grouping(b->GetRight()) + u")";
}

class OperatorTest : public FormulaFixture {};

TEST_F(OperatorTest, PrecedenceOfTheNewOperators) {
  struct Case {
    const char16_t* text;
    const char16_t* tree;
  };
  const Case cases[] = {
      {u"=A1>5", u"(A1>5)"},
      {u"=A1+1>=B1*2", u"((A1+1)>=(B1*2))"},
      {u"=A1&B1=C1", u"((A1&B1)=C1)"},
      {u"=A1<>B1", u"(A1<>B1)"},
      {u"=A1<B1<=C1", u"((A1<B1)<=C1)"},
      {u"=A1*B1^2", u"(A1*(B1^2))"},
      {u"=A1^2*B1", u"((A1^2)*B1)"},
      {u"=2^3^2", u"((2^3)^2)"},
      {u"=A1+B1^2-C1", u"((A1+(B1^2))-C1)"},
      {u"=-A1^2", u"(-A1^2)"},
      {u"=(A1>1)*2", u"((A1>1)*2)"},
      // The design's own trees stay as they were.
      {u"=A1&B1+C1", u"(A1&(B1+C1))"},
      {u"=A1+B1&C1", u"(A1+(B1&C1))"},
      {u"=A1*B1&C1", u"((A1*B1)&C1)"},
  };
  for (const Case& c : cases) {
    auto f = CompileFormula(c.text, sheet, u"en");
    ASSERT_NE(f->GetRoot(), nullptr) << Narrow(c.text);
    EXPECT_FALSE(f->KeepsText()) << Narrow(c.text);
    EXPECT_EQ(Grouping(f->GetRoot()), c.tree) << Narrow(c.text);
  }
}

TEST_F(OperatorTest, ValuesInBothLanguages) {
  Type(1, 0, u"10");
  Type(2, 0, u"4");
  Type(3, 0, u"abc");
  Type(4, 0, u"ABC");
  struct Case {
    const char16_t* text;
    const char16_t* language;
    const char16_t* shown;
  };
  const Case cases[] = {
      {u"=A1^2", u"en", u"100"},
      {u"=A1>A2", u"en", u"TRUE"},
      {u"=A1>A2", u"de", u"TRUE"},
      {u"=A1<=A2", u"en", u"FALSE"},
      {u"=A3=A4", u"en", u"TRUE"},          // texts without regard to case
      {u"=A3<>\"abd\"", u"en", u"TRUE"},
      {u"=A3>A1", u"en", u"TRUE"},          // texts after numbers
      {u"=A9=0", u"en", u"TRUE"},           // an empty cell is 0
      {u"=A9=\"\"", u"en", u"TRUE"},        // and the empty text
      {u"=0.1+0.2=0.3", u"en", u"TRUE"},
      {u"=-(A1+A2)", u"en", u"-14"},
      {u"=-SUM(A1:A2)", u"en", u"-14"},
      {u"=-SUMME(A1:A2)", u"de", u"-14"},
      {u"=--A1", u"en", u"10"},
      {u"=-2^2", u"en", u"4"},
      {u"=2^-1", u"en", u"0,5"},
      {u"=A1%", u"en", u"10%"},
      {u"=(A1+A2)%*100", u"en", u"1400%"},
      {u"=IF(A1>5,\"big\",\"small\")", u"en", u"big"},
      {u"=WENN(A1>5;\"groß\";\"klein\")", u"de", u"groß"},
      {u"=NOT(A1=10)", u"en", u"FALSE"},
      {u"=A1>5=TRUE", u"en", u"TRUE"},
      {u"=+A1", u"en", u"10"},
      {u"=1E+3-1", u"en", u"999"},
      {u"=2.5E-1*A1", u"en", u"2,5"},
  };
  for (const Case& c : cases) EXPECT_EQ(Show(c.text, c.language), c.shown) << Narrow(c.text);
}

TEST_F(OperatorTest, RenderingReadsBackTheSameTree) {
  for (const char16_t* text : {u"=A1>=5", u"=A1<>B1", u"=-(A1+B1)", u"=(A1+B1)%", u"=A1^2^3", u"=-SUM(A1,B1)",
                               u"=(A1>1)=(B1<2)", u"=IF(A1<=B1,A1^2,-A1)"}) {
    auto f = CompileFormula(text, sheet, u"en");
    ASSERT_NE(f->GetRoot(), nullptr) << Narrow(text);
    std::u16string rendered = f->ToText(u"en");
    EXPECT_EQ(u"=" + rendered, std::u16string(text)) << Narrow(text);
    auto german = CompileFormula(u"=" + f->ToText(u"de"), sheet, u"de");
    ASSERT_NE(german->GetRoot(), nullptr) << Narrow(text);
    EXPECT_EQ(german->ToText(u"en"), rendered);
  }
}

// A tree that does not stand for the whole text keeps the text, so nothing
// the user typed is lost when the formula is shown or saved.
TEST_F(OperatorTest, TextBeyondTheTreeIsKept) {
  Type(1, 0, u"10");
  Cell* cell = At(1, 1);
  cell->SetInput(u"=A1)+3", u"en");
  EXPECT_EQ(cell->GetText(), u"10");
  EXPECT_EQ(cell->GetInput(), u"=A1)+3");
  EXPECT_EQ(cell->GetFileFormulaText(), u"=A1)+3");
  cell->SetInput(u"=FOO(1)", u"en");
  EXPECT_EQ(cell->GetText(), u"Syntax Error");
  EXPECT_EQ(cell->GetEnglishFormulaText(), u"=FOO(1)");
}

class SheetReferenceTest : public FormulaFixture {
 protected:
  void SetUp() override {
    FormulaFixture::SetUp();
    sheet->SetName(u"Main");
    data = workbook.AddSheet(u"My Data");
    values = workbook.AddSheet(u"Values");
    data->GetCellDirect(1, 0)->SetInput(u"5");
    values->GetCellDirect(2, 1)->SetInput(u"7");
    values->GetCellDirect(3, 1)->SetInput(u"8");
  }
  Sheet* data = nullptr;
  Sheet* values = nullptr;
};

TEST_F(SheetReferenceTest, ParseComputeAndRender) {
  EXPECT_EQ(Show(u"='My Data'!A1+Values!B2"), u"12");
  EXPECT_EQ(Show(u"=SUM(values!B2:B3)"), u"15");
  EXPECT_EQ(Show(u"=SUMME(Values!B2:B3;'my data'!A1)", u"de"), u"20");
  EXPECT_EQ(Show(u"=Nowhere!A1"), u"Syntax Error");
  auto f = CompileFormula(u"='My Data'!$A$1*values!B2:B3", sheet, u"en");
  ASSERT_NE(f->GetRoot(), nullptr);
  EXPECT_EQ(f->ToText(u"en"), u"'My Data'!$A$1*Values!B2:B3");
}

TEST_F(SheetReferenceTest, ChangesOnOneSheetRecalculateTheOthers) {
  At(1, 0)->SetInput(u"='My Data'!A1*2");
  At(2, 0)->SetInput(u"=SUM(Values!B2:B4)");
  data->GetCellDirect(1, 0)->SetInput(u"6");
  values->GetCellDirect(4, 1)->SetInput(u"10");
  EXPECT_EQ(TextAt(1, 0), u"12");
  EXPECT_EQ(TextAt(2, 0), u"25");
  // A chain across three sheets.
  values->GetCellDirect(1, 0)->SetInput(u"=main!A1+1");
  data->GetCellDirect(1, 0)->SetInput(u"1");
  EXPECT_EQ(values->GetCellText(1, 0), u"3");
  // A cycle across sheets is found.
  data->GetCellDirect(1, 0)->SetInput(u"=Values!A1");
  EXPECT_EQ(data->GetCellText(1, 0), u"Cycle Found");
}

TEST_F(SheetReferenceTest, RenameFollowsDeleteGivesRefAndUndoRestores) {
  At(1, 0)->SetInput(u"=Values!B2+1");
  At(2, 0)->SetInput(u"=Values!B2:B3");
  values->SetName(u"Prices 2024");
  EXPECT_EQ(At(1, 0)->GetInput(), u"='Prices 2024'!B2+1");
  EXPECT_EQ(At(2, 0)->GetFileFormulaText(), u"='Prices 2024'!B2:B3");
  workbook.RemoveSheet(values);
  EXPECT_EQ(TextAt(2, 0), u"Ref");
  EXPECT_EQ(At(1, 0)->GetInput(), u"=#REF+1");
  EXPECT_EQ(At(2, 0)->GetFileFormulaText(), u"=#REF!");
  workbook.InsertSheet(values, 2);
  EXPECT_EQ(TextAt(1, 0), u"8");
  EXPECT_EQ(TextAt(2, 0), u"7");
  EXPECT_EQ(At(1, 0)->GetInput(), u"='Prices 2024'!B2+1");
}

TEST_F(SheetReferenceTest, CopiesShiftWithinTheNamedSheet) {
  At(1, 0)->SetInput(u"=Values!B2+Values!$B$2");
  At(2, 0)->CopyFrom(At(1, 0), 0, 1);
  EXPECT_EQ(At(2, 0)->GetInput(), u"=Values!B3+Values!$B$2");
  EXPECT_EQ(TextAt(2, 0), u"15");
}

TEST_F(SheetReferenceTest, MarkedRangesAreThoseOfTheOwnSheet) {
  auto ranges = ReferencedRanges(u"=Values!B2+A1+'My Data'!A1:B2+C3", sheet, u"en");
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(ranges[0]->GetFirstColumn(), 0);
  EXPECT_EQ(ranges[1]->GetFirstColumn(), 2);
  // Shown another sheet, a formula of this one marks the ranges it names there.
  ranges = ReferencedRanges(u"=Values!B2+A1+'my data'!A1:B2+Nowhere!A1:C3+C3", sheet, u"en", data);
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0]->ToString(), u"A1:B2");
  EXPECT_EQ(ReferencedRanges(u"=Main!D4", sheet, u"en").size(), 1u);
}

TEST_F(SheetReferenceTest, KeptFormulasMoveTheirReferencesAsTextWhenCopied) {
  struct Case {
    const char16_t* text;  // read from a file, or typed (a text that does not parse)
    bool file;
    int32_t columns, rows;
    const char16_t* copied;
  };
  const Case cases[] = {
      {u"=FOOBAR(A1)+B$2+$C3+$D$4", true, 1, 2, u"=FOOBAR(B3)+C$2+$C5+$D$4"},
      {u"=NOSUCH(Values!B2,'My Data'!A1:B2,\"A1\")", true, 2, 0, u"=NOSUCH(Values!D2,'My Data'!C1:D2,\"A1\")"},
      {u"=A1:A2*2", true, 0, 3, u"=A4:A5*2"},
      {u"=FOOBAR(A2)+B1", true, 0, -1, u"=FOOBAR(A1)+#REF!"},
      {u"=A1)+3", false, 1, 1, u"=B2)+3"},
      {u"=FOO(A1;$B$1;$C1", false, 0, 1, u"=FOO(A2;$B$1;$C2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    Cell* source = At(2, 2);
    if (c.file) {
      source->SetFileFormula(c.text, NewNumber(42));
    } else {
      source->SetInput(c.text, u"en");
    }
    ASSERT_TRUE(source->GetFormula()->KeepsText());
    // What a paste writes, and what a fill makes.
    EXPECT_EQ(source->GetShiftedInput(c.columns, c.rows), c.copied);
    Cell* target = At(2 + c.rows, 2 + c.columns);
    target->CopyFrom(source, c.columns, c.rows);
    EXPECT_EQ(target->GetInput(), c.copied);
    // The source keeps its text.
    EXPECT_EQ(source->GetInput(), c.text);
  }
}

}  // namespace
}  // namespace quadrell
