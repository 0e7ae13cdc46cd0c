#include <QInputMethodEvent>

#include <gtest/gtest.h>

#include "SheetViewTestSupport.h"
#include "context/ApplicationContext.h"
#include "formula/FunctionRegistry.h"
#include "platform/Desktop.h"
#include "view/FormulaGadget.h"
#include "view/FormulaInputGadget.h"

namespace quadrell {
namespace {

class FormulaBarTest : public test::SheetWindowTest {
 protected:
  void SetUp() override {
    SheetWindowTest::SetUp();
    bar = dynamic_cast<FormulaInputGadget*>(container->GetFormulaBar());
    ASSERT_NE(bar, nullptr);
    barCanvas = test::CanvasOf(bar->GetCanvas());
    ASSERT_NE(barCanvas, nullptr);
    list = dynamic_cast<FormulaGadget*>(GetFunctionSuggestions());
    ASSERT_NE(list, nullptr);
  }
  void TearDown() override {
    if (GetContext().GetSetting(kSettingLanguage) != u"en") {
      GetContext().SetSetting(kSettingLanguage, u"en");
      LoadLanguage(u"en");
    }
    SheetWindowTest::TearDown();
  }

  // A click into the bar, right of its text, as a user starts editing there.
  void FocusBar() {
    QTest::mouseClick(barCanvas, Qt::LeftButton, {}, QPoint(barCanvas->width() - 5, 10));
    ASSERT_TRUE(test::WaitFor([&] { return bar->HasFocus(); }));
  }
  void TypeInBar(const char* text) { QTest::keyClicks(barCanvas, text); }
  void BarKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(barCanvas, key, modifiers);
  }
  void ShiftBarKey(Qt::Key key) {
    QTest::keyPress(barCanvas, Qt::Key_Shift);
    QTest::keyClick(barCanvas, key, Qt::ShiftModifier);
    QTest::keyRelease(barCanvas, Qt::Key_Shift);
  }
  // Return as a keyboard gives it: the press while the bar has the focus, the
  // release wherever the focus went.
  void PressReturn() {
    QTest::keyPress(barCanvas, Qt::Key_Return);
    QWidget* focus = QApplication::focusWidget();
    QTest::keyRelease(focus ? focus : barCanvas, Qt::Key_Return);
  }
  // Text composed by an input method or a dead key.
  static void Compose(QWidget* widget, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
  }
  std::vector<std::u16string> ListedNames() const {
    std::vector<std::u16string> names;
    for (const FunctionEntry* entry : list->GetMatches()) names.push_back(entry->Name(app->GetLanguage()));
    return names;
  }
  size_t Outlines(int32_t row, int32_t column) const {
    Cell* cell = CellAt(row, column);
    return cell ? cell->GetReferenceRanges().size() : 0;
  }

  FormulaInputGadget* bar = nullptr;
  qt::CanvasWidget* barCanvas = nullptr;
  FormulaGadget* list = nullptr;
};

TEST_F(FormulaBarTest, KeysMoveTheCaretAndExtendTheSelection) {
  FocusBar();
  TypeInBar("=SUM(A1)");
  EXPECT_EQ(bar->GetText(), u"=SUM(A1)");
  EXPECT_EQ(bar->GetCaret(), 8);
  BarKey(Qt::Key_Right);  // at the end: stays
  EXPECT_EQ(bar->GetCaret(), 8);
  BarKey(Qt::Key_Left);
  BarKey(Qt::Key_Left);
  ShiftBarKey(Qt::Key_Left);
  EXPECT_EQ(bar->GetCaret(), 5);
  EXPECT_EQ(bar->GetAnchor(), 6);
  ShiftBarKey(Qt::Key_Home);
  EXPECT_EQ(bar->GetCaret(), 0);
  EXPECT_EQ(bar->GetAnchor(), 6);
  BarKey(Qt::Key_Left);  // at the start: stays, selection gone
  EXPECT_EQ(bar->GetCaret(), 0);
  EXPECT_EQ(bar->GetAnchor(), 0);
  BarKey(Qt::Key_Backspace);  // nothing before the caret
  EXPECT_EQ(bar->GetText(), u"=SUM(A1)");
  ShiftBarKey(Qt::Key_End);
  EXPECT_EQ(bar->GetAnchor(), 0);
  EXPECT_EQ(bar->GetCaret(), 8);
  TypeInBar("x");  // typing replaces the selection
  EXPECT_EQ(bar->GetText(), u"x");
  BarKey(Qt::Key_Delete);  // after the caret there is nothing: safe
  EXPECT_EQ(bar->GetText(), u"x");
  BarKey(Qt::Key_Home);
  BarKey(Qt::Key_Delete);
  EXPECT_EQ(bar->GetText(), u"");
}

TEST_F(FormulaBarTest, DeletingASelectionIsAChangeTheOutlinesFollow) {
  FocusBar();
  TypeInBar("=A1+B2");
  EXPECT_EQ(Outlines(1, 0), 2u);
  ShiftBarKey(Qt::Key_Left);
  ShiftBarKey(Qt::Key_Left);
  ShiftBarKey(Qt::Key_Left);
  BarKey(Qt::Key_Backspace);
  EXPECT_EQ(bar->GetText(), u"=A1");
  EXPECT_EQ(bar->GetCaret(), 3);
  EXPECT_EQ(Outlines(1, 0), 1u);
}

TEST_F(FormulaBarTest, AClickPutsTheCaretAtTheNearerEdgeOfTheCharacterAndADragSelects) {
  CellAt(1, 0)->SetInput(u"=C1+B2");
  ClickCell(1, 0);
  ASSERT_EQ(bar->GetText(), u"=C1+B2");
  struct Case {
    int x;
    int caret;
  };
  int wide = bar->CaretX(5) - bar->CaretX(4);  // the width of "B"
  const Case cases[] = {
      {0, 0},                                // left of the text
      {barCanvas->width() - 3, 6},           // right of it
      {bar->CaretX(4) + 1, 4},               // the left part of "B"
      {bar->CaretX(4) + wide - 1, 5},        // its right part
      {bar->CaretX(1) + 1, 1},
  };
  for (const Case& c : cases) {
    QTest::mouseClick(barCanvas, Qt::LeftButton, {}, QPoint(c.x, 10));
    EXPECT_EQ(bar->GetCaret(), c.caret) << "x " << c.x;
    EXPECT_EQ(bar->GetAnchor(), c.caret) << "x " << c.x;
  }
  QTest::mousePress(barCanvas, Qt::LeftButton, {}, QPoint(bar->CaretX(1) + 1, 10));
  QTest::mouseMove(barCanvas, QPoint(bar->CaretX(3), 10));
  QTest::mouseRelease(barCanvas, Qt::LeftButton, {}, QPoint(bar->CaretX(3), 10));
  EXPECT_EQ(bar->GetAnchor(), 1);
  EXPECT_EQ(bar->GetCaret(), 3);
  // The selection is painted behind the text.
  QImage shown = barCanvas->Backing();
  QRgb inside = shown.pixel(bar->CaretX(1) + 1, 3);
  EXPECT_EQ(qBlue(inside), 0xFF);
  EXPECT_EQ(qRed(inside), 0x80);
}

TEST_F(FormulaBarTest, ALongTextScrollsToKeepTheCaretInSight) {
  std::u16string text = u"=1";
  while (bar->CaretX(static_cast<int>(text.size())) < 3 * barCanvas->width()) {
    text += u"+SUM(A1:B2)";
    bar->SetText(text);
  }
  CellAt(1, 0)->SetInput(text);
  ClickCell(1, 0);
  EXPECT_EQ(bar->GetScroll(), 0);  // shown from its start while not edited
  FocusBar();
  BarKey(Qt::Key_End);
  ASSERT_GT(bar->GetScroll(), 0);
  int caretX = bar->CaretX(bar->GetCaret());
  EXPECT_LT(caretX, barCanvas->width());
  EXPECT_GT(caretX, barCanvas->width() / 2);
  TypeInBar("+1");
  caretX = bar->CaretX(bar->GetCaret());
  EXPECT_LT(caretX, barCanvas->width());
  EXPECT_GT(caretX, barCanvas->width() / 2);
  BarKey(Qt::Key_Home);
  EXPECT_EQ(bar->GetScroll(), 0);
}

TEST_F(FormulaBarTest, DraggingInTheGridWritesTheReferenceIntoTheFormula) {
  ClickCell(6, 1);
  FocusBar();
  TypeInBar("=A1+");
  ASSERT_TRUE(bar->IsPointing());
  QPoint from = Centre(3, 2), to = Centre(4, 3);
  MoveTo(from);
  Press(from);
  MoveTo(to);
  // While dragging the reference follows the block and stays selected.
  EXPECT_EQ(bar->GetText(), u"=A1+C3:D4");
  EXPECT_EQ(bar->GetAnchor(), 4);
  EXPECT_EQ(bar->GetCaret(), 9);
  // The grid did not select the block.
  EXPECT_EQ(view->GetActiveRow(), 6);
  Release(to);
  EXPECT_EQ(bar->GetText(), u"=A1+C3:D4");
  EXPECT_EQ(bar->GetCaret(), 9);
  EXPECT_EQ(bar->GetAnchor(), 9);
  EXPECT_FALSE(bar->IsPointing());
  ASSERT_TRUE(test::WaitFor([&] { return bar->HasFocus(); }));
  EXPECT_EQ(Outlines(6, 1), 2u);
  // Typing goes on after the reference; Return commits into B6 and the grid moves down.
  TypeInBar("*2");
  PressReturn();
  EXPECT_EQ(Input(6, 1), u"=A1+C3:D4*2");
  EXPECT_EQ(view->GetActiveRow(), 7);
  EXPECT_TRUE(view->GetCanvas().HasFocus());
}

TEST_F(FormulaBarTest, SuggestionsListMatchesInRegistryOrderAndReturnInsertsTheChosenName) {
  FocusBar();
  TypeInBar("=su");
  ASSERT_TRUE(list->IsSuggesting());
  EXPECT_EQ(ListedNames(), (std::vector<std::u16string>{u"SUM", u"SUBSTITUTE", u"SUMPRODUCT", u"SUMIF", u"SUMIFS",
                                                        u"IMSUB", u"IMSUM"}));
  EXPECT_EQ(list->RowText(0), u"SUM(Value[,Value...])");
  // The popup never takes the focus.
  EXPECT_TRUE(bar->HasFocus());
  Rect popup = list->ScreenRect();
  EXPECT_EQ(popup.width, 300);
  EXPECT_EQ(popup.height, 200);
  EXPECT_EQ(popup.y, bar->GetCanvas().ScreenRect().Bottom());
  // Past the end the highlight stays on the last row, so one Up goes back by one.
  for (int i = 0; i < 10; ++i) BarKey(Qt::Key_Down);
  EXPECT_EQ(list->GetHighlighted(), 6);
  BarKey(Qt::Key_Up);
  EXPECT_EQ(list->GetHighlighted(), 5);
  for (int i = 0; i < 5; ++i) BarKey(Qt::Key_Up);
  PressReturn();
  EXPECT_EQ(bar->GetText(), u"=SUM(");
  EXPECT_EQ(bar->GetCaret(), 5);
  EXPECT_FALSE(list->IsSuggesting());
  EXPECT_TRUE(bar->HasFocus());
  EXPECT_TRUE(bar->IsPointing());
}

TEST_F(FormulaBarTest, ReturnWithoutAHighlightedSuggestionCommits) {
  FocusBar();
  TypeInBar("=su");
  ASSERT_TRUE(list->IsSuggesting());
  PressReturn();
  EXPECT_EQ(Input(1, 0), u"=su");
  EXPECT_FALSE(list->IsSuggesting());
}

TEST_F(FormulaBarTest, GermanNamesWithUmlautsAreSuggestedAndCompleted) {
  GetContext().SetSetting(kSettingLanguage, u"de");
  LoadLanguage(u"de");
  FocusBar();
  TypeInBar("=su");
  EXPECT_EQ(ListedNames(), (std::vector<std::u16string>{u"SUMME", u"SUMMENPRODUKT", u"SUMMEWENN", u"SUMMEWENNS",
                                                        u"SUCHEN", u"IMSUB", u"IMSUMME"}));
  EXPECT_EQ(list->RowText(0), u"SUMME(Wert[;Wert...])");
  BarKey(Qt::Key_Backspace);
  BarKey(Qt::Key_Backspace);
  // A word with an umlaut, composed, and the caret inside it: the whole word is replaced.
  TypeInBar("1+z");
  Compose(barCanvas, QString::fromUtf8("\xC3\xA4hl"));
  EXPECT_EQ(bar->GetText(), u"=1+z\u00E4hl");
  ASSERT_TRUE(list->IsSuggesting());
  EXPECT_EQ(ListedNames().front(), u"Z\u00C4HLENWENN");
  EXPECT_EQ(list->RowText(0), u"Z\u00C4HLENWENN(Bereich;Wert)");
  BarKey(Qt::Key_Left);
  BarKey(Qt::Key_Down);
  PressReturn();
  EXPECT_EQ(bar->GetText(), u"=1+Z\u00C4HLENWENN(");
  EXPECT_EQ(bar->GetCaret(), 14);
}

TEST_F(FormulaBarTest, ComposedTextReachesTheBarAndTheGridWithoutControlCharacters) {
  FocusBar();
  TypeInBar("ab");
  BarKey(Qt::Key_Left);
  Compose(barCanvas, QString::fromUtf8("\xC3\xA9\xC2\x85\xE2\x82\xAC"));  // é, a C1 control, €
  EXPECT_EQ(bar->GetText(), u"a\u00E9\u20ACb");
  EXPECT_EQ(bar->GetCaret(), 3);
  ClickCell(3, 3);
  Compose(canvas, QString::fromUtf8("\xC3\xBC"));
  EXPECT_TRUE(view->IsEditing());
  EXPECT_EQ(view->GetEditText(), u"\u00FC");
}

TEST_F(FormulaBarTest, ACommitGoesOnceIntoTheCellEditingBeganOnAndOnlyWhenChanged) {
  CellAt(1, 0)->SetInput(u"5");
  ClickCell(1, 0);
  ASSERT_EQ(bar->GetText(), u"5");
  size_t records = app->UndoCount();
  // Into the bar and out again without a change: no record.
  FocusBar();
  ClickCell(2, 0);
  EXPECT_EQ(app->UndoCount(), records);
  EXPECT_EQ(Input(1, 0), u"5");
  // A change committed with Return: one record; the focus moving on adds none.
  ClickCell(1, 0);
  FocusBar();
  TypeInBar("7");
  PressReturn();
  EXPECT_EQ(Input(1, 0), u"57");
  EXPECT_EQ(app->UndoCount(), records + 1);
  ClickCell(4, 4);
  EXPECT_EQ(app->UndoCount(), records + 1);
  // The selection moving while the bar edits does not move the edit.
  ClickCell(1, 0);
  FocusBar();
  TypeInBar("8");
  Select(2, 3, 2, 3);
  view->GetCanvas().Focus();
  ASSERT_TRUE(test::WaitFor([&] { return view->GetCanvas().HasFocus(); }));
  EXPECT_EQ(Input(1, 0), u"578");
  EXPECT_EQ(Input(3, 2), u"");
  app->Undo();
  EXPECT_EQ(Input(1, 0), u"57");
}

TEST_F(FormulaBarTest, EditingShortcutsActOnTheBarsTextNeverOnTheCells) {
  CellAt(1, 0)->SetInput(u"=B1+C1");
  CellAt(2, 0)->SetInput(u"keep");
  Select(0, 1, 0, 2);
  size_t records = app->UndoCount();
  FocusBar();
  ASSERT_EQ(bar->GetText(), u"=B1+C1");
  SetClipboardText(u"");
  BarKey(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(bar->GetAnchor(), 0);
  EXPECT_EQ(bar->GetCaret(), 6);
  EXPECT_EQ(view->GetSelection()->ToString(), u"A1:A2");
  BarKey(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(ClipboardText(), u"=B1+C1");
  BarKey(Qt::Key_Home);
  BarKey(Qt::Key_Right);
  BarKey(Qt::Key_Delete);
  EXPECT_EQ(bar->GetText(), u"=1+C1");
  EXPECT_EQ(Input(2, 0), u"keep");
  ShiftBarKey(Qt::Key_Right);
  BarKey(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(ClipboardText(), u"1");
  EXPECT_EQ(bar->GetText(), u"=+C1");
  BarKey(Qt::Key_End);
  SetClipboardText(u"D4\r\n");
  BarKey(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(bar->GetText(), u"=+C1D4");
  BarKey(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(bar->GetText(), u"=+C1");
  BarKey(Qt::Key_Z, Qt::ControlModifier);
  BarKey(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(bar->GetText(), u"=B1+C1");
  EXPECT_EQ(app->UndoCount(), records);
  EXPECT_EQ(Input(1, 0), u"=B1+C1");
  // Escape brings back the cell's input and leaves the cells alone.
  TypeInBar("*9");
  BarKey(Qt::Key_Escape);
  EXPECT_EQ(bar->GetText(), u"=B1+C1");
  EXPECT_TRUE(test::WaitFor([&] { return view->GetCanvas().HasFocus(); }));
  EXPECT_EQ(Input(1, 0), u"=B1+C1");
  EXPECT_EQ(Outlines(1, 0), 2u);
  EXPECT_EQ(app->UndoCount(), records);
}

TEST_F(FormulaBarTest, TheBarShowsTheActiveSheetsSelectedInputAndAnEditStaysOnItsSheet) {
  Sheet* first = sheet();
  Sheet* second = container->GetWorkbook().AddSheet();
  second->GetCell(1, 0)->SetInput(u"on the second");
  FocusBar();
  TypeInBar("typed on the first");
  container->GetWorkbook().SetActiveSheet(second);
  EXPECT_EQ(bar->GetText(), u"on the second");
  EXPECT_EQ(first->FindRow(1)->GetCellInput(0), u"typed on the first");
  // Leaving the bar now changes nothing on the second sheet.
  view->GetCanvas().Focus();
  ASSERT_TRUE(test::WaitFor([&] { return view->GetCanvas().HasFocus(); }));
  EXPECT_EQ(second->FindRow(1)->GetCellInput(0), u"on the second");
}

}  // namespace
}  // namespace quadrell
