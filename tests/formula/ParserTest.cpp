#include <string>
#include <vector>

#include "formula/Formula.h"
#include "formula/FormulaBinaryOperation.h"
#include "formula/FormulaFunction.h"
#include "formula/FunctionRegistry.h"
#include "formula/FormulaTestSupport.h"
#include "model/Range.h"

namespace quadrell {
namespace {

using test::FormulaFixture;
using test::Narrow;

std::vector<std::u16string> Tokens(std::u16string_view text, std::u16string_view language) {
  TokenList list = Tokenize(text, language);
  std::vector<std::u16string> out;
  for (size_t i = 0; i < list.Size(); ++i) out.emplace_back(list.At(i));
  return out;
}

TEST(TokenizeTest, SplitsAtOperatorsAndTheLanguagesSeparator) {
  using V = std::vector<std::u16string>;
  EXPECT_EQ(Tokens(u"=sum(a1:b2,3)", u"en"), (V{u"=", u"SUM", u"(", u"A1", u":", u"B2", u",", u"3", u")", u""}));
  // In German the comma belongs to the number.
  EXPECT_EQ(Tokens(u"=1,5;2", u"de"), (V{u"=", u"1,5", u";", u"2", u""}));
  EXPECT_EQ(Tokens(u"=summe(1,5;2", u"de"), (V{u"=", u"SUMME", u"(", u"1,5", u";", u"2", u")", u""}));
  // Quoted text stays as typed, spaces stay inside their token, umlauts are upper-cased.
  EXPECT_EQ(Tokens(u"=\"a b\"& x ", u"en"), (V{u"=", u"\"a b\"", u"&", u" X ", u""}));
  EXPECT_EQ(Tokens(u"=zählenwenn(", u"de"), (V{u"=", u"ZÄHLENWENN", u"(", u")", u""}));
  // An unclosed quote runs to the end; surplus ")" add nothing at the end.
  EXPECT_EQ(Tokens(u"=\"ab", u"en"), (V{u"=", u"\"ab", u""}));
  EXPECT_EQ(Tokens(u"=1)", u"en"), (V{u"=", u"1", u")", u""}));
}

// The tree of a formula with every binary operation in parentheses.
std::u16string Grouping(const FormulaNode* node) {
  if (node->Kind() != FormulaNodeKind::Binary) return node->ToText(u"en");
  auto* b = static_cast<const FormulaBinaryOperation*>(node);
  return u"(" + Grouping(b->GetLeft()) + std::u16string(1, b->GetOperator()) + Grouping(b->GetRight()) + u")";
}

class ParserTest : public FormulaFixture {
 protected:
  std::unique_ptr<Formula> Compile(std::u16string_view text, std::u16string_view language = u"en") {
    return CompileFormula(text, sheet, language);
  }
};

TEST_F(ParserTest, OperatorsGroupAsTheTableSays) {
  struct Case {
    const char16_t* text;
    const char16_t* tree;
  };
  const Case cases[] = {
      {u"=A1-B1-C1-D1", u"(((A1-B1)-C1)-D1)"}, {u"=A1+B1*C1", u"(A1+(B1*C1))"},
      {u"=A1*B1+C1", u"((A1*B1)+C1)"},         {u"=A1*(B1+C1)", u"(A1*(B1+C1))"},
      {u"=A1/B1*C1", u"((A1/B1)*C1)"},         {u"=A1*B1-C1-D1", u"(((A1*B1)-C1)-D1)"},
      {u"=A1&B1+C1", u"(A1&(B1+C1))"},         {u"=A1+B1&C1", u"(A1+(B1&C1))"},
      {u"=A1*B1&C1", u"((A1*B1)&C1)"},         {u"=A1&B1&C1", u"(A1&(B1&C1))"},
      {u"=-A1*2", u"(-A1*2)"},
  };
  for (const Case& c : cases) {
    auto f = Compile(c.text);
    ASSERT_NE(f->GetRoot(), nullptr) << Narrow(c.text);
    EXPECT_EQ(Grouping(f->GetRoot()), c.tree) << Narrow(c.text);
  }
}

TEST_F(ParserTest, WhatDoesNotParse) {
  struct Case {
    const char16_t* text;
    const char16_t* language;
    bool parses;
  };
  const Case cases[] = {
      {u"=1+", u"en", false},          {u"=SQRT()", u"en", false},        {u"=PI()", u"en", true},
      {u"=HEUTE()", u"de", true},      {u"=SUMME(A1:A3", u"de", true},    {u"=A1)", u"en", true},
      {u"=SUM(1;2)", u"de", false},    {u"=SUMME(1;2)", u"de", true},     {u"=SUMME(1,2)", u"en", false},
      {u"=-(A1)", u"en", true},        {u"=-SUM(A1:A3)", u"en", true},   {u"1+2", u"en", false},
      {u"=LEFT(\"a\",1,2)", u"en", false}, {u"=LEFT(\"a\")", u"en", true}, {u"=JOIN(\"-\")", u"en", true},
      {u"=SUM()", u"en", false},       {u"=SUM", u"en", false},           {u"=FOO(1)", u"en", false},
      // Only letters stand before the row: a space or a point make no reference.
      {u"= A1", u"en", false},         {u"=A.1", u"en", false},           {u"=$A$1+B$2", u"en", true},
      {u"=A", u"en", false},           {u"=ZZZZZZZZ1", u"en", false},     {u"=", u"en", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Compile(c.text, c.language)->GetRoot() != nullptr, c.parses) << Narrow(c.text);
  }
}

// The parser's depth is bounded: a formula nested or chained past it is a
// syntax error, never a stack overflow, however long the text.
TEST_F(ParserTest, DeepAndLongTextsAreRefusedNotOverflowing) {
  std::u16string nested = u"=" + std::u16string(100000, u'(') + u"1";
  EXPECT_EQ(Compile(nested)->GetRoot(), nullptr);
  std::u16string chain = u"=1";
  for (int i = 0; i < 50000; ++i) chain += u"+1";
  EXPECT_EQ(Compile(chain)->GetRoot(), nullptr);
  std::u16string calls;
  for (int i = 0; i < 30000; ++i) calls += u"ABS(";
  EXPECT_EQ(Compile(u"=" + calls)->GetRoot(), nullptr);
  std::u16string fine = u"=1";
  for (int i = 0; i < 500; ++i) fine += u"+1";
  EXPECT_EQ(Show(fine), u"501");
}

TEST_F(ParserTest, RendersInEitherLanguage) {
  struct Case {
    const char16_t* text;
    const char16_t* language;
    const char16_t* english;
    const char16_t* german;
  };
  const Case cases[] = {
      {u"=summe(a1;b1)", u"de", u"SUM(A1,B1)", u"SUMME(A1;B1)"},
      {u"=IF(A1,\"x\",50%)", u"en", u"IF(A1,\"x\",0.5)", u"WENN(A1;\"x\";0.5)"},
      {u"=(a1+$b$2)*3", u"en", u"(A1+$B$2)*3", u"(A1+$B$2)*3"},
      {u"=$B3:a$1", u"en", u"$A1:B$3", u"$A1:B$3"},
      {u"=1,5*2", u"de", u"1.5*2", u"1.5*2"},
      {u"=1.2.2020", u"en", u"\"1.2.2020\"", u"\"1.2.2020\""},
      {u"=-A1&\"b\"", u"en", u"-A1&\"b\"", u"-A1&\"b\""},
      // Literals keep all their digits.
      {u"=A1*0.000000000001", u"en", u"A1*0.000000000001", u"A1*0.000000000001"},
  };
  for (const Case& c : cases) {
    auto f = Compile(c.text, c.language);
    ASSERT_NE(f->GetRoot(), nullptr) << Narrow(c.text);
    EXPECT_EQ(f->ToText(u"en"), c.english) << Narrow(c.text);
    EXPECT_EQ(f->ToText(u"de"), c.german) << Narrow(c.text);
  }
  // Without a tree the text comes back as typed.
  EXPECT_EQ(Compile(u"=SUMME(1;")->ToText(u"en"), u"SUMME(1;");
}

TEST_F(ParserTest, ShiftedCopiesMoveRelativeReferences) {
  struct Case {
    const char16_t* text;
    int32_t columns;
    int32_t rows;
    const char16_t* shifted;
  };
  const Case cases[] = {
      {u"=A1+$B$1", 1, 2, u"B3+$B$1"},
      {u"=(A1+B1)*2", 0, 1, u"(A2+B2)*2"},
      {u"=SUM($A1:B$5)", 2, 3, u"SUM($A4:D$5)"},
      {u"=A$1*$A1", 1, 1, u"B$1*$A2"},
      // Moved before column A or above row 1 the reference breaks.
      {u"=B2+1", -2, 0, u"#REF+1"},
      {u"=SUM(A1:A3)", 0, -1, u"SUM(#REF)"},
  };
  for (const Case& c : cases) {
    auto f = Compile(c.text);
    EXPECT_EQ(f->CopyShifted(c.columns, c.rows)->ToText(u"en"), c.shifted) << Narrow(c.text);
  }
}

TEST_F(ParserTest, IteratesCellsAndRangesLeftToRight) {
  auto f = Compile(u"=SUMME(A1:B2;C1)", u"de");
  std::vector<std::u16string> cells;
  f->ResetCells();
  while (f->HasNextCell()) cells.push_back(f->NextCell()->GetName());
  EXPECT_EQ(cells, (std::vector<std::u16string>{u"A1", u"B1", u"A2", u"B2", u"C1"}));
  int ranges = 0;
  f->ResetRanges();
  while (f->HasNextRange()) {
    EXPECT_EQ(f->NextRange()->ToString(), u"A1:B2");
    ++ranges;
  }
  EXPECT_EQ(ranges, 1);
  auto g = Compile(u"=A1+B2*(C3-D4)");
  cells.clear();
  g->ResetCells();
  while (g->HasNextCell()) cells.push_back(g->NextCell()->GetName());
  EXPECT_EQ(cells, (std::vector<std::u16string>{u"A1", u"B2", u"C3", u"D4"}));
}

TEST_F(ParserTest, ReferencedRangesOfATextForMarking) {
  auto ranges = ReferencedRanges(u"=SUMME($A$1:B2;C3)+WURZEL(\"D4\")", sheet, u"de");
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(ranges[0]->ToString(), u"A1:B2");
  EXPECT_EQ(ranges[1]->ToString(), u"C3");
  At(1, 0)->SetReferenceRanges(u"=B2+C3:D4");
  ASSERT_EQ(At(1, 0)->GetReferenceRanges().size(), 2u);
  EXPECT_EQ(At(1, 0)->GetReferenceRanges()[1]->ToString(), u"C3:D4");
  At(1, 0)->SetReferenceRanges(u"B2");
  EXPECT_TRUE(At(1, 0)->GetReferenceRanges().empty());
}

TEST(SimpleFormulaTest, ArithmeticWithoutEquals) {
  for (const char16_t* yes : {u"12+3", u"1,5*2", u"2 / 4"}) EXPECT_TRUE(IsSimpleFormula(yes)) << Narrow(yes);
  for (const char16_t* no : {u"12", u"+3", u"-1+2", u"1.5", u"1+a", u""}) EXPECT_FALSE(IsSimpleFormula(no)) << Narrow(no);
}

TEST(FunctionRegistryTest, EntriesNamesAndHints) {
  const FunctionRegistry& r = FunctionRegistry::Get();
  // The 118 of Quadrell's own language come first; other programs' functions follow.
  ASSERT_GT(r.Entries().size(), FunctionRegistry::kOriginalCount);
  EXPECT_EQ(r.Entries().front().english, u"ADD");
  EXPECT_EQ(r.Entries()[37].english, u"SUM");
  EXPECT_EQ(r.Entries()[117].english, u"IMABS");
  EXPECT_EQ(r.Entries()[118].english, u"AVERAGE");
  EXPECT_EQ(r.Find(u"MITTELWERT", u"de"), &r.Entries()[118]);
  EXPECT_NE(r.Find(u"SUM", u"en"), nullptr);
  EXPECT_EQ(r.Find(u"SUMME", u"en"), nullptr);
  EXPECT_EQ(r.Find(u"SUMME", u"de"), r.Find(u"SUM", u"en"));
  EXPECT_EQ(r.Find(u"SUM", u"de"), nullptr);
  EXPECT_EQ(r.Find(u"PI", u"de"), r.Find(u"PI", u"en"));
  EXPECT_EQ(r.Find(u"sum", u"en"), nullptr);
  EXPECT_EQ(r.Find(u"RÖMSICH", u"de")->english, u"ROMAN");
  EXPECT_EQ(FunctionRegistry::ArgumentHint(*r.Find(u"SUM", u"en")), u"(Value[,Value...])");
  EXPECT_EQ(FunctionRegistry::ArgumentHint(*r.Find(u"IMSUB", u"en")), u"(Value,Value)");
  EXPECT_EQ(FunctionRegistry::ArgumentHint(*r.Find(u"LEFT", u"en")), u"(Value,V[Value])");
  EXPECT_EQ(FunctionRegistry::ArgumentHint(*r.Find(u"PI", u"en")), u"()");
  for (const FunctionEntry& e : r.Entries()) {
    EXPECT_EQ(r.Find(e.english, u"en"), &e) << Narrow(e.english);
    EXPECT_EQ(r.Find(e.german, u"de"), &e) << Narrow(e.german);
  }
}

}  // namespace
}  // namespace quadrell
