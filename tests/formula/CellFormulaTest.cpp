#include <map>
#include <string>
#include <vector>

#include "formula/FormulaTestSupport.h"
#include "model/Range.h"
#include "model/Row.h"

namespace quadrell {
namespace {

using test::Narrow;

class CellFormulaTest : public test::FormulaFixture {};

TEST_F(CellFormulaTest, SyntaxErrorsKeepTheTextAndNoLinks) {
  Type(1, 0, u"1");
  EXPECT_EQ(Type(1, 1, u"=A1+"), u"Syntax Error");
  EXPECT_EQ(At(1, 1)->GetInput(), u"=A1+");
  EXPECT_TRUE(At(1, 1)->HasFormula());
  Type(1, 0, u"2");
  EXPECT_EQ(TextAt(1, 1), u"Syntax Error");
  // A simple formula typed without "=" computes.
  EXPECT_EQ(Type(2, 0, u"12+3"), u"15");
  EXPECT_EQ(At(2, 0)->GetInput(), u"=12+3");
}

TEST_F(CellFormulaTest, ChangesRippleThroughDependents) {
  Type(1, 0, u"1");
  Type(2, 0, u"=A1*2");
  Type(3, 0, u"=A2+A1");
  Type(1, 1, u"=SUM(A1:A3)");
  EXPECT_EQ(TextAt(1, 1), u"6");
  Type(1, 0, u"10");
  EXPECT_EQ(TextAt(2, 0), u"20");
  EXPECT_EQ(TextAt(3, 0), u"30");
  EXPECT_EQ(TextAt(1, 1), u"60");
  // Clearing a formula drops its links.
  Type(3, 0, u"");
  EXPECT_FALSE(At(3, 0)->HasFormula());
  Type(1, 0, u"1");
  EXPECT_EQ(TextAt(3, 0), u"");
  EXPECT_EQ(TextAt(1, 1), u"3");
  // A cell typed later inside a range is read at once.
  Type(1, 2, u"=SUM(C5:C9)");
  Type(7, 2, u"4");
  EXPECT_EQ(TextAt(1, 2), u"4");
}

TEST_F(CellFormulaTest, FormattedFormulaCellsKeepTheirFormatOnRecalculation) {
  StyleRecord percent = At(1, 1)->CopyStyle();
  percent.numberFormatId = 10;
  At(1, 1)->SetStyle(percent);
  Type(1, 0, u"1");
  Type(1, 1, u"=A1/4");
  EXPECT_EQ(TextAt(1, 1), u"25,00%");
  Type(1, 0, u"2");
  EXPECT_EQ(TextAt(1, 1), u"50,00%");
  // The cell's format wins over the one its operands pass on.
  StyleRecord thousands = At(1, 0)->CopyStyle();
  thousands.numberFormatId = 4;
  At(1, 0)->SetStyle(thousands);
  Type(1, 0, u"3");
  EXPECT_EQ(TextAt(1, 0), u"3,00");
  EXPECT_EQ(TextAt(1, 1), u"75,00%");
  // Without a format of its own the cell shows what the result carries.
  Type(2, 1, u"=DATUM(2024;1;2)", u"de");
  EXPECT_EQ(TextAt(2, 1), u"2.1.2024");
}

TEST_F(CellFormulaTest, CyclesAreFoundAndNeverLoop) {
  EXPECT_EQ(Type(1, 0, u"=A1"), u"Cycle Found");
  Type(1, 1, u"=B2");
  EXPECT_EQ(Type(2, 1, u"=B1"), u"Cycle Found");
  EXPECT_EQ(TextAt(1, 1), u"Cycle Found");  // B1 reads the error B2 now holds
  EXPECT_EQ(Type(3, 2, u"=SUM(C1:C5)"), u"Cycle Found");
  // Through a range and another formula.
  Type(1, 3, u"=SUM(E1:E3)");
  EXPECT_EQ(Type(2, 4, u"=D1+1"), u"Cycle Found");
  // Through a spilled result: the spill fills F2, which the anchor's reader reads.
  Type(1, 5, u"=TRANSPOSE(G1:H1)");
  EXPECT_EQ(Type(1, 6, u"=F2"), u"Cycle Found");
  // Breaking the cycle lets the cells compute again.
  Type(2, 1, u"7");
  EXPECT_EQ(Type(1, 1, u"=B2"), u"7");
  Type(2, 1, u"8");
  EXPECT_EQ(TextAt(1, 1), u"8");
}

// Each cell of the lattice is recalculated once, after both of its inputs:
// listeners hear one change per cell and every value is the final one.
TEST_F(CellFormulaTest, RecalculatesEachCellOnceInDependencyOrder) {
  Type(1, 1, u"1");
  Type(1, 2, u"1");
  for (int r = 2; r <= 40; ++r) {
    std::u16string n = AsciiToUtf16(std::to_string(r - 1));
    Type(r, 1, u"=B" + n + u"+C" + n);
    Type(r, 2, u"=B" + n + u"+C" + n);
  }
  EXPECT_EQ(At(40, 1)->GetValue()->Number(), 549755813888.0);  // 2^39
  struct Counter {
    std::map<Cell*, int> calls;
    static void Heard(void* data, Cell* cell) { ++static_cast<Counter*>(data)->calls[cell]; }
  } counter;
  for (int r = 2; r <= 40; ++r) {
    At(r, 1)->AddListener(&counter, Counter::Heard);
    At(r, 2)->AddListener(&counter, Counter::Heard);
  }
  host.repaints.clear();
  Type(1, 1, u"2");
  EXPECT_EQ(counter.calls.size(), 78u);
  for (const auto& [cell, calls] : counter.calls) EXPECT_EQ(calls, 1) << Narrow(cell->GetName());
  EXPECT_EQ(At(2, 1)->GetValue()->Number(), 3.0);
  EXPECT_EQ(At(40, 1)->GetValue()->Number(), 3.0 * 274877906944.0);  // 3 * 2^38
  EXPECT_EQ(host.RepaintsOf(40, 2), 1);
  EXPECT_EQ(host.RepaintsOf(2, 1), 1);
}

// A recursive walk would run out of stack long before this depth.
TEST_F(CellFormulaTest, LongChainsComputeAndFindCycles) {
  constexpr int kRows = 300000;
  Type(1, 0, u"1");
  for (int r = 2; r <= kRows; ++r) At(r, 0)->SetInput(u"=A" + AsciiToUtf16(std::to_string(r - 1)) + u"+1", u"en");
  EXPECT_EQ(TextAt(kRows, 0), AsciiToUtf16(std::to_string(kRows)));
  Type(1, 0, u"5");
  EXPECT_EQ(TextAt(kRows, 0), AsciiToUtf16(std::to_string(kRows + 4)));
  EXPECT_EQ(Type(1, 0, u"=A" + AsciiToUtf16(std::to_string(kRows))), u"Cycle Found");
  // The error counts as 0 in the chain's additions.
  EXPECT_EQ(TextAt(kRows, 0), AsciiToUtf16(std::to_string(kRows - 1)));
  EXPECT_TRUE(At(kRows, 0)->DependsOn(At(2, 0), Cell::NewCycleStamp()));
  EXPECT_FALSE(At(kRows, 0)->DependsOn(At(1, 1), Cell::NewCycleStamp()));
}

TEST_F(CellFormulaTest, SpillsTakeDownAndComeBack) {
  Type(1, 0, u"=MUNIT(2)");
  EXPECT_TRUE(At(2, 1)->IsMatrixMember());
  EXPECT_EQ(At(2, 1)->GetInput(), u"=MUNIT(2)");
  // Typing into a member breaks the spill.
  Type(2, 1, u"x");
  EXPECT_EQ(TextAt(1, 0), u"Matrix Error");
  EXPECT_EQ(TextAt(1, 1), u"");
  EXPECT_EQ(TextAt(2, 0), u"");
  EXPECT_TRUE(At(1, 1)->IsMatrixBlocked());
  // Clearing it lets the anchor spill again.
  Type(2, 1, u"");
  EXPECT_EQ(TextAt(1, 0), u"TRUE");
  EXPECT_EQ(TextAt(2, 1), u"TRUE");
  EXPECT_EQ(TextAt(1, 1), u"FALSE");
  // A typed value in the way: the anchor shows the error and the value stays.
  Type(5, 1, u"keep");
  EXPECT_EQ(Type(4, 0, u"=MUNIT(2)"), u"Matrix Error");
  EXPECT_EQ(TextAt(5, 1), u"keep");
  // A spill follows its inputs and shrinks with them.
  Type(10, 0, u"3");
  Type(10, 1, u"=MUNIT(A10)");
  EXPECT_EQ(TextAt(12, 3), u"TRUE");
  Type(10, 0, u"1");
  EXPECT_EQ(TextAt(10, 1), u"TRUE");
  EXPECT_EQ(TextAt(12, 3), u"");
  EXPECT_FALSE(At(12, 3)->IsMatrixMember());
}

TEST_F(CellFormulaTest, AReaderOfANewSpillRecalculatesOnce) {
  // The values of a spill are one change: their reader recalculates once,
  // not once per spilled cell (a wide spill read by another took seconds).
  for (int c = 0; c < 50; ++c) Type(1, c, u"1");
  Type(5, 0, u"=SUM(A3:AX3)");
  host.repaints.clear();
  Type(3, 0, u"=A1:AX1");
  EXPECT_EQ(TextAt(3, 49), u"1");
  EXPECT_EQ(TextAt(5, 0), u"50");
  EXPECT_EQ(host.RepaintsOf(5, 0), 1);
  // Taken down by a value typed into it: one wave for the take-down, one for the value.
  host.repaints.clear();
  Type(3, 10, u"x");
  EXPECT_EQ(TextAt(3, 0), u"Matrix Error");
  EXPECT_EQ(TextAt(5, 0), u"0");
  EXPECT_EQ(host.RepaintsOf(5, 0), 2);
}

TEST_F(CellFormulaTest, InsertedRowsAndColumnsJoinRanges) {
  for (int r = 1; r <= 3; ++r) Type(r, 0, AsciiToUtf16(std::to_string(r)));
  Type(1, 1, u"=SUM(A1:A3)");
  Type(2, 2, u"=COUNT(A1:A3)");
  sheet->InsertRow(2);
  EXPECT_EQ(At(1, 1)->GetInput(), u"=SUM(A1:A4)");
  EXPECT_EQ(TextAt(3, 2), u"4");  // the count of the grown range, recalculated at once
  Type(2, 0, u"10");
  EXPECT_EQ(TextAt(1, 1), u"16");
  // Above the range: the range moves, the new row is not part of it.
  sheet->InsertRow(1);
  EXPECT_EQ(At(2, 1)->GetInput(), u"=SUM(A2:A5)");
  Type(1, 0, u"100");
  EXPECT_EQ(TextAt(2, 1), u"16");
  // A column inserted inside a range widens it.
  Type(1, 5, u"1");
  Type(1, 6, u"2");
  Type(2, 5, u"=SUM(F1:G1)");
  sheet->InsertColumn(6);
  EXPECT_EQ(At(2, 5)->GetInput(), u"=SUM(F1:H1)");
  Type(1, 6, u"5");
  EXPECT_EQ(TextAt(2, 5), u"8");
}

TEST_F(CellFormulaTest, DeletedRowsAndColumns) {
  Type(2, 0, u"5");
  Type(1, 1, u"=A2");
  sheet->DeleteRow(2);
  EXPECT_EQ(TextAt(1, 1), u"Ref");
  EXPECT_EQ(At(1, 1)->GetInput(), u"=#REF");
  Type(1, 0, u"7");
  Type(1, 1, u"=A1");
  sheet->DeleteColumn(0);
  EXPECT_EQ(TextAt(1, 0), u"7");  // the former B1 keeps its last value
  // A range that loses a row or a column inside it reads the rest at once.
  for (int r = 1; r <= 3; ++r) Type(r, 3, AsciiToUtf16(std::to_string(r)));
  Type(1, 4, u"=SUM(D1:D3)");
  sheet->DeleteRow(2);
  EXPECT_EQ(At(1, 4)->GetInput(), u"=SUM(D1:D2)");
  EXPECT_EQ(TextAt(1, 4), u"4");
  Type(5, 3, u"1");
  Type(5, 4, u"2");
  Type(5, 5, u"4");
  Type(6, 3, u"=SUM(D5:F5)");
  sheet->DeleteColumn(4);
  EXPECT_EQ(At(6, 3)->GetInput(), u"=SUM(D5:E5)");
  EXPECT_EQ(TextAt(6, 3), u"5");
  // A range whose corner row is deleted is broken: it reads as "Ref", which SUM counts as 0.
  Type(11, 0, u"3");
  Type(10, 0, u"=SUM(A11:A12)");
  Type(10, 1, u"=A11:A12");
  sheet->DeleteRow(12);
  EXPECT_EQ(At(10, 0)->GetInput(), u"=SUM(#REF)");
  EXPECT_EQ(TextAt(10, 0), u"0");
  EXPECT_EQ(TextAt(10, 1), u"Ref");
}

TEST_F(CellFormulaTest, CopiesShiftRelativeReferences) {
  Type(1, 0, u"=A5+$B$1");
  At(3, 1)->CopyFrom(At(1, 0), 1, 2);
  EXPECT_EQ(At(3, 1)->GetInput(), u"=B7+$B$1");
  ASSERT_EQ(At(3, 1)->GetReferenceRanges().size(), 2u);
  EXPECT_EQ(At(3, 1)->GetReferenceRanges()[0]->ToString(), u"B7");
  Type(2, 2, u"=(B2+C2)*2");
  At(3, 2)->CopyFrom(At(2, 2), 0, 1);
  EXPECT_EQ(At(3, 2)->GetInput(), u"=(B3+C3)*2");
  // Moved off the sheet, the reference breaks and the copy shows it.
  Type(1, 4, u"=A1");
  At(1, 3)->CopyFrom(At(1, 4), -1, 0);
  EXPECT_EQ(At(1, 3)->GetInput(), u"=#REF");
  EXPECT_EQ(TextAt(1, 3), u"Syntax Error");
  // A system in neither language writes formulas in English.
  Type(8, 0, u"=SUM(1,2)", u"");
  EXPECT_EQ(TextAt(8, 0), u"3");
  host.language = u"de";
  Type(6, 0, u"=SUMME(A1;2)", u"de");
  At(7, 0)->CopyFrom(At(6, 0), 0, 1);
  EXPECT_EQ(At(7, 0)->GetEnglishFormulaText(), u"=SUM(A2,2)");
}

TEST_F(CellFormulaTest, ManyFormulasOverOneRangeStayCurrent) {
  for (int r = 1; r <= 50; ++r) Type(r, 0, AsciiToUtf16(std::to_string(r)));
  for (int r = 1; r <= 20; ++r) Type(r, 1, u"=SUM(A1:A50)");
  EXPECT_EQ(TextAt(20, 1), u"1275");
  Type(25, 0, u"0");
  for (int r = 1; r <= 20; ++r) EXPECT_EQ(TextAt(r, 1), u"1250");
  // Retyping some of them leaves the others registered.
  for (int r = 1; r <= 10; ++r) Type(r, 1, u"");
  Type(60, 0, u"1");  // outside the range
  Type(1, 0, u"2");
  EXPECT_EQ(TextAt(11, 1), u"1251");
  EXPECT_EQ(TextAt(1, 1), u"");
  EXPECT_EQ(sheet->RangeDependencyCount(), 10u);
  // A formula inside the range recalculates before the sums that read it.
  Type(50, 0, u"=A1*100");
  Type(1, 0, u"3");
  for (int r = 11; r <= 20; ++r) EXPECT_EQ(TextAt(r, 1), u"1502");
}

// Ranges larger than a matrix may hold are summed over their stored cells,
// and references beyond the grid read as "Ref".
TEST_F(CellFormulaTest, HugeRangesSumAndFarReferencesAreRef) {
  Type(2, 1, u"1");
  Type(7, 5, u"2,5");
  Type(1048576, 3, u"4");
  EXPECT_EQ(Type(1, 7, u"=SUM(B1:F1048576)"), u"7,5");
  EXPECT_EQ(Type(2, 7, u"=AVG(B1:F1048576)*5242880"), u"7,5");
  Type(1, 4, u"3");
  EXPECT_EQ(TextAt(1, 7), u"10,5");
  for (const char16_t* far : {u"=A1048577", u"=XFE1", u"=A1000000000"}) {
    EXPECT_EQ(Type(4, 7, far), u"Ref") << Narrow(far);
  }
  EXPECT_EQ(sheet->GetMaxRow(), 1048576);
  // A range past the grid is broken like one whose corner was deleted: SUM counts it as 0.
  EXPECT_EQ(Type(4, 7, u"=SUM(A1:A1048577)"), u"0");
}

// A product over empty blocks is all zeros, and one with values is right.
TEST_F(CellFormulaTest, MatrixProductsOverEmptyAndFilledBlocks) {
  EXPECT_EQ(Type(1, 0, u"=SUM(MMULT(C1:D2,E1:F2))"), u"0");
  Type(1, 2, u"1");
  Type(1, 3, u"2");
  Type(2, 2, u"3");
  Type(1, 4, u"5");
  Type(2, 4, u"7");
  Type(2, 5, u"1");
  // [1 2; 3 0] x [5 0; 7 1] = [19 2; 15 0]
  EXPECT_EQ(TextAt(1, 0), u"36");
}

}  // namespace
}  // namespace quadrell
