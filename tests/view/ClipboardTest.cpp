#include <gtest/gtest.h>

#include "SheetViewTestSupport.h"
#include "context/ApplicationContext.h"
#include "platform/Desktop.h"
#include "value/Value.h"

namespace quadrell {
namespace {

class SheetClipboardTest : public test::SheetWindowTest {
 protected:
  // The own copy's change notice arrives from the event loop.
  void CopyBlock(int32_t c1, int32_t r1, int32_t c2, int32_t r2, bool cut = false) {
    Select(c1, r1, c2, r2);
    Shortcut(cut ? Qt::Key_X : Qt::Key_C);
    test::Settle();
  }
  void PasteAt(int32_t column, int32_t row) {
    Select(column, row, column, row);
    Shortcut(Qt::Key_V);
  }
  bool FormulasCompile() {
    Cell* probe = CellAt(100, 0);
    probe->SetInput(u"=1+1");
    bool compiled = probe->GetFormula() != nullptr;
    probe->SetInput(u"");
    return compiled;
  }
};

TEST_F(SheetClipboardTest, CopyPutsTabsBetweenCellsAndCrLfAfterEveryRow) {
  CellAt(1, 0)->SetInput(u"1");
  CellAt(1, 1)->SetInput(u"2");
  CellAt(2, 0)->SetInput(u"3");
  CopyBlock(0, 1, 1, 2);
  EXPECT_EQ(ClipboardText(), u"1\t2\r\n3\t\r\n");
  ASSERT_NE(container->GetCopiedRange(), nullptr);
  EXPECT_EQ(container->GetCopiedRange()->ToString(), u"A1:B2");
  // The marquee: dashes of black and white along the block's top edge.
  Rect a1 = view->CellBox(1, 0);
  int black = 0, white = 0;
  for (int x = a1.x + 1; x < a1.x + 30; ++x) {
    Colour p = Pixel(x, a1.y);
    black += p == kBlack;
    white += p == kWhite;
  }
  EXPECT_GT(black, 5);
  EXPECT_GT(white, 5);
}

TEST_F(SheetClipboardTest, ClipboardTextPastesFieldByFieldAsOneUndoStep) {
  CellAt(5, 2)->SetInput(u"before");
  SetClipboardText(u"a\tb\r\nc\r\n");
  test::Settle();
  PasteAt(2, 5);
  EXPECT_EQ(Input(5, 2), u"a");
  EXPECT_EQ(Input(5, 3), u"b");
  EXPECT_EQ(Input(6, 2), u"c");
  EXPECT_EQ(sheet()->FindRow(7), nullptr);
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(Input(5, 2), u"before");
  EXPECT_EQ(Input(5, 3), u"");
  EXPECT_EQ(Input(6, 2), u"");
  // Values are read as if typed.
  SetClipboardText(u"12\t=1+2");
  test::Settle();
  PasteAt(0, 10);
  EXPECT_EQ(CellAt(10, 0)->GetValue()->Kind(), ValueKind::Number);
  EXPECT_TRUE(CellAt(10, 1)->HasFormula());
}

TEST_F(SheetClipboardTest, ACutBlockMovesOnceThenTheClipboardTextPastes) {
  CellAt(1, 0)->SetInput(u"x");
  CellAt(2, 0)->SetInput(u"y");
  CopyBlock(0, 1, 0, 2, true);
  EXPECT_EQ(Input(1, 0), u"x");  // nothing moves before the paste
  PasteAt(1, 1);
  EXPECT_EQ(Input(1, 0), u"");
  EXPECT_EQ(Input(2, 0), u"");
  EXPECT_EQ(Input(1, 1), u"x");
  EXPECT_EQ(Input(2, 1), u"y");
  EXPECT_EQ(container->GetCopiedRange(), nullptr);
  // The second paste takes the clipboard's text.
  PasteAt(3, 1);
  EXPECT_EQ(Input(1, 3), u"x");
  EXPECT_EQ(Input(2, 3), u"y");
}

TEST_F(SheetClipboardTest, TextCopiedElsewhereReplacesTheCopiedBlock) {
  CellAt(1, 0)->SetInput(u"mine");
  CopyBlock(0, 1, 0, 1);
  ASSERT_NE(container->GetCopiedRange(), nullptr);
  SetClipboardText(u"theirs");
  test::Settle();
  EXPECT_EQ(container->GetCopiedRange(), nullptr);
  PasteAt(4, 4);
  EXPECT_EQ(Input(4, 4), u"theirs");
}

TEST_F(SheetClipboardTest, APasteWhileEditingChangesNothing) {
  SetClipboardText(u"pasted");
  test::Settle();
  Type("ab");
  Shortcut(Qt::Key_V);
  EXPECT_EQ(view->GetEditText(), u"ab");
  EXPECT_EQ(Input(1, 0), u"");
  Key(Qt::Key_Return);
  EXPECT_EQ(Input(1, 0), u"ab");
}

TEST_F(SheetClipboardTest, CopiedNumbersStayNumbersWithTheirFormat) {
  CellAt(1, 0)->SetInput(u"50%");
  CellAt(1, 1)->SetValue(NewNumber(1200, 4));  // shown as 1.200,00
  CellAt(1, 2)->SetInput(u"text");
  CopyBlock(0, 1, 2, 1);
  PasteAt(0, 3);
  for (int32_t c = 0; c < 3; ++c) {
    EXPECT_EQ(Shown(3, c), Shown(1, c));
    EXPECT_EQ(CellAt(3, c)->GetValue()->Kind(), CellAt(1, c)->GetValue()->Kind());
  }
  EXPECT_EQ(CellAt(3, 1)->GetValue()->Number(), 1200);
  EXPECT_EQ(app->UndoCount(), 1u);
  Shortcut(Qt::Key_Z);
  EXPECT_EQ(Input(3, 1), u"");
}

TEST_F(SheetClipboardTest, AFormulaPastesWithItsReferencesShifted) {
  if (!FormulasCompile()) GTEST_SKIP() << "formulas do not compile yet";
  CellAt(1, 0)->SetInput(u"=B1+1");
  CopyBlock(0, 1, 0, 1);
  PasteAt(0, 3);
  EXPECT_EQ(Input(3, 0), u"=B3+1");
  PasteAt(2, 1);
  EXPECT_EQ(Input(1, 2), u"=D1+1");
  // A formula kept as the file wrote it moves its references as text.
  CellAt(1, 0)->SetFileFormula(u"=FOOBAR(B1)+$C1+D$1", NewNumber(1));
  CopyBlock(0, 1, 0, 1);
  PasteAt(1, 5);
  EXPECT_EQ(Input(5, 1), u"=FOOBAR(C5)+$C5+E$1");
  // Changed after the copy, the source pastes as it was copied, moved, in the user's language.
  GetContext().SetSetting(kSettingLanguage, u"de");
  LoadLanguage(u"de");
  CellAt(1, 0)->SetInput(u"=SUMME(B1;$C$1)");
  CopyBlock(0, 1, 0, 1);
  CellAt(1, 0)->SetInput(u"changed");
  PasteAt(0, 4);
  EXPECT_EQ(Input(4, 0), u"=SUMME(B4;$C$1)");
  GetContext().SetSetting(kSettingLanguage, u"en");
  LoadLanguage(u"en");
}

}  // namespace
}  // namespace quadrell
