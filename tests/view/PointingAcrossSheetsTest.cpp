// Entering a formula that points into another sheet: a tab click while the
// formula waits for a reference shows that sheet without ending the edit, the
// cells clicked or dragged there are written with the sheet's name, and Enter
// or Escape end the edit on its own sheet. Driven through the real widgets of
// a sheet window, in the formula bar and in the grid's own editor.
#include <gtest/gtest.h>

#include "SheetViewTestSupport.h"
#include "context/ApplicationContext.h"
#include "value/Unicode.h"
#include "view/FormulaInputGadget.h"
#include "view/SheetsGadget.h"

namespace quadrell::test {
namespace {

enum class Editor { Bar, Grid };

class PointingAcrossSheetsTest : public SheetWindowTest {
 protected:
  void SetUp() override {
    SheetWindowTest::SetUp();
    bar = dynamic_cast<FormulaInputGadget*>(container->GetFormulaBar());
    ASSERT_NE(bar, nullptr);
    barCanvas = CanvasOf(bar->GetCanvas());
    tabs = static_cast<SheetsGadget*>(container->GetSheetTabs());
    ASSERT_NE(tabs, nullptr);
    tabCanvas = CanvasOf(tabs->GetCanvas());
    ASSERT_NE(barCanvas, nullptr);
    ASSERT_NE(tabCanvas, nullptr);
    Workbook& book = container->GetWorkbook();
    one = book.GetSheet(0);
    one->SetName(u"One");
    two = book.AddSheet(u"Two");
    data = book.AddSheet(u"My Data");
    one->GetCell(1, 0)->SetInput(u"10");
    two->GetCell(3, 1)->SetInput(u"2");  // B3
    two->GetCell(4, 2)->SetInput(u"3");  // C4
    two->GetCell(5, 2)->SetInput(u"4");  // C5
    data->GetCell(1, 0)->SetInput(u"5");
    tabs->Repaint();
  }
  void TearDown() override {
    if (GetContext().GetSetting(kSettingLanguage) != u"en") {
      GetContext().SetSetting(kSettingLanguage, u"en");
      LoadLanguage(u"en");
    }
    SheetWindowTest::TearDown();
  }

  Sheet* active() const { return container->GetWorkbook().GetActiveSheet(); }
  std::u16string InputOn(Sheet* s, int32_t row, int32_t column) const {
    Row* r = s->FindRow(row);
    return r ? r->GetCellInput(column) : u"";
  }
  void ClickTab(const Sheet* s) {
    std::optional<int> left = tabs->TabLeft(s);
    ASSERT_TRUE(left.has_value());
    QTest::mouseClick(tabCanvas, Qt::LeftButton, {}, QPoint(*left + tabs->TabWidth(s) / 2, 10));
  }
  // The first sheet shown, the grid with the focus.
  bool ShowFirstSheet() {
    container->GetWorkbook().SetActiveSheet(one);
    view->GetCanvas().Focus();
    return WaitFor([&] { return view->GetCanvas().HasFocus(); });
  }
  // Begins the formula in the editor for A3 of the first sheet, replacing what it holds.
  void Begin(Editor editor, const char* typed) {
    ClickCell(3, 0);
    if (editor == Editor::Bar) {
      QTest::mouseClick(barCanvas, Qt::LeftButton, {}, QPoint(barCanvas->width() - 5, 10));
      ASSERT_TRUE(WaitFor([&] { return bar->HasFocus(); }));
      QTest::keyClick(barCanvas, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(barCanvas, typed);
    } else {
      Type(typed);
    }
  }
  void TypeInto(Editor editor, const char* typed) {
    QTest::keyClicks(editor == Editor::Bar ? static_cast<QWidget*>(barCanvas) : canvas, typed);
  }
  // What the editor holds now.
  std::u16string Edited(Editor editor) const { return editor == Editor::Bar ? bar->GetText() : view->GetEditText(); }
  // Return or Escape as a keyboard gives them: the release reaches wherever the focus went.
  void EndKey(Editor editor, Qt::Key key) {
    QWidget* target = editor == Editor::Bar ? static_cast<QWidget*>(barCanvas) : canvas;
    QTest::keyPress(target, key);
    QWidget* focus = QApplication::focusWidget();
    QTest::keyRelease(focus ? focus : target, key);
  }

  FormulaInputGadget* bar = nullptr;
  qt::CanvasWidget* barCanvas = nullptr;
  SheetsGadget* tabs = nullptr;
  qt::CanvasWidget* tabCanvas = nullptr;
  Sheet* one = nullptr;
  Sheet* two = nullptr;
  Sheet* data = nullptr;
};

struct PointCase {
  const char* name;
  const char16_t* language;
  const char* typed;       // before the tab click
  int target;              // 1 the second sheet, 2 "My Data", 0 back to the first after visiting the second
  int32_t r1, c1, r2, c2;  // clicked cell, or the corners of a drag
  const char* after;       // typed after pointing
  const char16_t* formula;
  const char16_t* shown;
};

TEST_F(PointingAcrossSheetsTest, ClickingAnotherSheetsCellsWritesTheirReferencesAndEnterComputesAtHome) {
  const PointCase cases[] = {
      {"click", u"en", "=A1+", 1, 3, 1, 3, 1, "", u"=A1+Two!B3", u"12"},
      {"drag", u"en", "=SUM(", 1, 4, 2, 5, 2, ")", u"=SUM(Two!C4:C5)", u"7"},
      {"drag up and left", u"en", "=SUM(", 1, 5, 2, 3, 1, ")*2", u"=SUM(Two!B3:C5)*2", u"18"},
      {"quoted name", u"en", "=", 2, 1, 0, 1, 0, "*2", u"='My Data'!A1*2", u"10"},
      {"back on its own sheet", u"en", "=2*", 0, 1, 0, 1, 0, "", u"=2*A1", u"20"},
      {"German", u"de", "=SUMME(A1;", 1, 4, 2, 5, 2, ")", u"=SUMME(A1;Two!C4:C5)", u"17"},
      {"German quoted", u"de", "=RUNDEN(", 2, 1, 0, 1, 0, ";0)", u"=RUNDEN('My Data'!A1;0)", u"5"},
  };
  for (Editor editor : {Editor::Bar, Editor::Grid}) {
    for (const PointCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (editor == Editor::Bar ? " in the bar" : " in the grid"));
      GetContext().SetSetting(kSettingLanguage, c.language);
      LoadLanguage(c.language);
      one->GetCell(3, 0)->SetInput(u"");
      ASSERT_TRUE(ShowFirstSheet());
      Begin(editor, c.typed);
      ClickTab(c.target == 2 ? data : two);
      if (c.target == 0) ClickTab(one);
      // The tab of the sheet shown changes nothing.
      ClickTab(active());
      Sheet* pointed = c.target == 2 ? data : c.target == 1 ? two : one;
      // The edit goes on: nothing is committed, and the view shows the sheet.
      ASSERT_EQ(active(), pointed);
      EXPECT_EQ(view->GetSheet(), pointed);
      EXPECT_EQ(InputOn(one, 3, 0), u"");
      EXPECT_EQ(Edited(editor), Utf8ToUtf16(c.typed));
      if (c.r1 == c.r2 && c.c1 == c.c2) {
        ClickCell(c.r1, c.c1);
      } else {
        Drag(Centre(c.r1, c.c1), Centre(c.r2, c.c2));
      }
      // Pointing selects nothing on the sheet pointed into.
      EXPECT_EQ(InputOn(one, 3, 0), u"");
      TypeInto(editor, c.after);
      EXPECT_EQ(Edited(editor), c.formula);
      // Away from its cell the grid's edit shows in the bar.
      if (pointed != one) {
        EXPECT_EQ(bar->GetText(), c.formula);
      }
      EndKey(editor, Qt::Key_Return);
      EXPECT_EQ(active(), one);
      EXPECT_EQ(view->GetSheet(), one);
      EXPECT_EQ(InputOn(one, 3, 0), c.formula);
      EXPECT_EQ(one->GetCellText(3, 0), c.shown);
      EXPECT_FALSE(view->IsEditing());
      // Enter moves on from the edited cell, as on its own sheet.
      EXPECT_EQ(view->GetActiveRow(), 4);
      EXPECT_EQ(view->GetActiveColumn(), 0);
      EXPECT_EQ(bar->GetText(), u"");
    }
  }
}

TEST_F(PointingAcrossSheetsTest, EscapeReturnsAndChangesNothing) {
  one->GetCell(3, 0)->SetInput(u"kept");
  for (Editor editor : {Editor::Bar, Editor::Grid}) {
    SCOPED_TRACE(editor == Editor::Bar ? "bar" : "grid");
    ASSERT_TRUE(ShowFirstSheet());
    Begin(editor, "=1+");
    ClickTab(two);
    ASSERT_EQ(active(), two);
    ClickCell(3, 1);
    EXPECT_EQ(Edited(editor), u"=1+Two!B3");
    EndKey(editor, Qt::Key_Escape);
    EXPECT_EQ(active(), one);
    EXPECT_EQ(view->GetSheet(), one);
    EXPECT_FALSE(view->IsEditing());
    EXPECT_EQ(InputOn(one, 3, 0), u"kept");
    EXPECT_EQ(InputOn(two, 3, 1), u"2");
    EXPECT_EQ(view->GetActiveRow(), 3);
    EXPECT_EQ(bar->GetText(), u"kept");
    EXPECT_TRUE(one->GetCell(3, 0)->GetReferenceRanges().empty());
  }
  // Nothing was recorded: undo has nothing of this to take back.
  EXPECT_EQ(app->UndoCount(), 0u);
}

TEST_F(PointingAcrossSheetsTest, ATabClickOutsidePointingCommitsThenSwitches) {
  GetContext().SetSetting(kSettingLanguage, u"de");
  LoadLanguage(u"de");
  FunctionSuggestions* list = GetFunctionSuggestions();
  ASSERT_NE(list, nullptr);
  for (Editor editor : {Editor::Bar, Editor::Grid}) {
    SCOPED_TRACE(editor == Editor::Bar ? "bar" : "grid");
    ASSERT_TRUE(ShowFirstSheet());
    // The 2 at the end lists ANZAHL2 and GROSS2.
    Begin(editor, "=A1*2");
    EXPECT_TRUE(list->IsSuggesting());
    ClickTab(two);
    EXPECT_EQ(active(), two);
    EXPECT_FALSE(view->IsEditing());
    EXPECT_FALSE(list->IsSuggesting());
    EXPECT_EQ(InputOn(one, 3, 0), u"=A1*2");
    EXPECT_EQ(one->GetCellText(3, 0), u"20");
    one->GetCell(3, 0)->SetInput(u"");
  }
}

TEST_F(PointingAcrossSheetsTest, ANonPointingClickThereCommitsIntoTheEditedCellAndStays) {
  // After a reference of the other sheet, a click on its cells commits the
  // formula into its own cell and selects the clicked cell where it is.
  Begin(Editor::Grid, "=");
  ClickTab(two);
  ClickCell(3, 1);
  ASSERT_EQ(view->GetEditText(), u"=Two!B3");
  ClickCell(5, 2);
  EXPECT_FALSE(view->IsEditing());
  EXPECT_EQ(InputOn(one, 3, 0), u"=Two!B3");
  EXPECT_EQ(one->GetCellText(3, 0), u"2");
  EXPECT_EQ(InputOn(two, 5, 2), u"4");
  EXPECT_EQ(active(), two);
  EXPECT_EQ(view->GetActiveRow(), 5);
  // One undo step takes the formula back.
  app->Undo();
  EXPECT_EQ(InputOn(one, 3, 0), u"");
}

TEST_F(PointingAcrossSheetsTest, TheNextSheetKeysPointOrCommitAsATabClickDoes) {
  Begin(Editor::Grid, "=A1+");
  QTest::keyClick(canvas, Qt::Key_PageDown, Qt::ControlModifier);
  ASSERT_EQ(active(), two);
  EXPECT_TRUE(view->IsEditing());
  ClickCell(3, 1);
  EXPECT_EQ(view->GetEditText(), u"=A1+Two!B3");
  Key(Qt::Key_Return);
  EXPECT_EQ(active(), one);
  EXPECT_EQ(one->GetCellText(3, 0), u"12");
  // Outside pointing the edit is committed before the switch, not dropped.
  Type("typed");
  QTest::keyClick(canvas, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(active(), two);
  EXPECT_EQ(InputOn(one, 4, 0), u"typed");
}

TEST_F(PointingAcrossSheetsTest, ADoubleClickWhilePointingKeepsTheFormula) {
  one->GetCell(3, 0)->SetInput(u"old");
  for (bool away : {false, true}) {
    SCOPED_TRACE(away ? "on another sheet" : "on its own sheet");
    container->GetWorkbook().SetActiveSheet(one);
    Begin(Editor::Grid, "=");
    if (away) ClickTab(two);
    DoubleClick(Centre(3, 1));
    EXPECT_TRUE(view->IsEditing());
    EXPECT_EQ(view->GetEditText(), away ? u"=Two!B3" : u"=B3");
    Key(Qt::Key_Escape);
  }
  EXPECT_EQ(InputOn(one, 3, 0), u"old");
}

}  // namespace
}  // namespace quadrell::test
