// The sheet tab strip of a real sheet window, driven with the mouse and the
// keyboard on the offscreen platform.
#include <QColorDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <functional>

#include "SheetViewTestSupport.h"
#include "context/ApplicationContext.h"
#include "shell/popups/PopupMenu.h"
#include "view/SheetsGadget.h"

namespace quadrell::test {
namespace {

class SheetTabsTest : public SheetWindowTest {
 protected:
  void SetUp() override {
    SheetWindowTest::SetUp();
    tabs = static_cast<SheetsGadget*>(container->GetSheetTabs());
    ASSERT_NE(tabs, nullptr);
    tabCanvas = CanvasOf(tabs->GetCanvas());
    ASSERT_NE(tabCanvas, nullptr);
    first = workbook().GetSheet(0);
    first->SetName(u"One");
  }

  Workbook& workbook() const { return container->GetWorkbook(); }
  // Three sheets "One", "Two", "Three", the first active.
  void ThreeSheets() {
    second = workbook().AddSheet(u"Two");
    third = workbook().AddSheet(u"Three");
  }
  int Left(const Sheet* s) const {
    std::optional<int> left = tabs->TabLeft(s);
    EXPECT_TRUE(left.has_value());
    return left.value_or(-1);
  }
  int Middle(const Sheet* s) const { return Left(s) + tabs->TabWidth(s) / 2; }
  void ClickTab(int x) { QTest::mouseClick(tabCanvas, Qt::LeftButton, {}, QPoint(x, 10)); }
  void DoubleClickTab(int x) {
    QTest::mouseDClick(tabCanvas->window()->windowHandle(), Qt::LeftButton, {},
                       tabCanvas->mapTo(tabCanvas->window(), QPoint(x, 10)));
  }
  void RightClickTab(int x) { QTest::mouseClick(tabCanvas, Qt::RightButton, {}, QPoint(x, 10)); }
  void TypeInTabs(const char* text) { QTest::keyClicks(tabCanvas, text); }
  void TabKey(Qt::Key key) { QTest::keyClick(tabCanvas, key); }
  // A dialog or popup that closed hands the activation back, as a window manager does.
  void Reactivate() {
    QWidget* window = tabCanvas->window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  }
  void Rename(const Sheet* s, const char* typed) {
    Reactivate();
    DoubleClickTab(Middle(s));
    ASSERT_EQ(tabs->GetRenaming(), s);
    ASSERT_TRUE(WaitFor([&] { return tabs->GetCanvas().HasFocus(); }));
    TypeInTabs(typed);
  }
  // The picture control's widget, clicked as a user clicks it.
  void ClickControl(ImageControl& control) {
    Rect r = control.ScreenRect();
    for (QLabel* label : tabCanvas->window()->findChildren<QLabel*>()) {
      if (label->mapToGlobal(QPoint(0, 0)) == QPoint(r.x, r.y) && label->width() == r.width) {
        QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(r.width / 2, r.height / 2));
        return;
      }
    }
    ADD_FAILURE() << "no widget for the control";
  }
  // Every view shows the workbook's active sheet.
  void ExpectViewsShowActive() {
    for (const auto& v : container->GetViews()) EXPECT_EQ(v->GetSheet(), workbook().GetActiveSheet());
  }
  Colour TabPixel(int x, int y) const {
    QRgb p = tabCanvas->Backing().pixel(x, y);
    return RgbColour(qRed(p), qGreen(p), qBlue(p));
  }

  SheetsGadget* tabs = nullptr;
  qt::CanvasWidget* tabCanvas = nullptr;
  Sheet* first = nullptr;
  Sheet* second = nullptr;
  Sheet* third = nullptr;
};

// Answers the next modal dialog as a user would.
void Answer(std::function<void(QWidget*)> answer) {
  QTimer::singleShot(0, [answer = std::move(answer)] {
    ASSERT_TRUE(WaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
    answer(QApplication::activeModalWidget());
  });
}

TEST_F(SheetTabsTest, AClickOnATabShowsItsSheetAndTheBoundaryPixelSelectsNeither) {
  ThreeSheets();
  ClickTab(Middle(second));
  EXPECT_EQ(workbook().GetActiveSheet(), second);
  EXPECT_EQ(view->GetSheet(), second);
  // The active tab is filled, the others are not; typing still goes to the grid.
  EXPECT_EQ(TabPixel(Left(second) + 1, 5), 0xEEEEEEu);
  EXPECT_EQ(TabPixel(Left(first) + 1, 5), 0xFFFFFFu);
  EXPECT_TRUE(view->GetCanvas().HasFocus());

  for (int x : {Left(third), Left(second), Left(third) + tabs->TabWidth(third), tabs->GetCanvas().Bounds().width - 2}) {
    ClickTab(x);
    EXPECT_EQ(workbook().GetActiveSheet(), second) << "click at " << x;
  }
  ClickTab(Left(third) + 1);
  EXPECT_EQ(view->GetSheet(), third);
}

TEST_F(SheetTabsTest, ATabClickEndsTheCellBeingTypedBeforeTheSheetChanges) {
  ThreeSheets();
  ClickCell(2, 1);
  Type("kept");
  ASSERT_TRUE(view->IsEditing());
  ClickTab(Middle(third));
  EXPECT_EQ(first->GetCellText(2, 1), u"kept");
  EXPECT_EQ(view->GetSheet(), third);
}

TEST_F(SheetTabsTest, ADoubleClickRenamesInPlaceAsOneUndoStep) {
  ThreeSheets();
  size_t undo = app->UndoCount();
  Rename(second, "X");
  TabKey(Qt::Key_Backspace);
  TypeInTabs("Y");
  EXPECT_EQ(tabs->GetRenameText(), u"TwoY");
  TabKey(Qt::Key_Return);
  EXPECT_EQ(second->GetName(), u"TwoY");
  EXPECT_EQ(tabs->GetRenaming(), nullptr);
  EXPECT_TRUE(WaitFor([&] { return view->GetCanvas().HasFocus(); }));
  ASSERT_EQ(app->UndoCount(), undo + 1);
  app->Undo();
  EXPECT_EQ(second->GetName(), u"Two");
  app->Redo();
  EXPECT_EQ(second->GetName(), u"TwoY");

  // Composed text (a dead key, an input method) arrives as its characters; control characters never do.
  Rename(third, "");
  QInputMethodEvent composed;
  composed.setCommitString(QString::fromUtf16(u"\u00E9\u0085\u00DF"));
  QCoreApplication::sendEvent(tabCanvas, &composed);
  EXPECT_EQ(tabs->GetRenameText(), u"Three\u00E9\u00DF");
  TabKey(Qt::Key_Return);
  EXPECT_EQ(third->GetName(), u"Three\u00E9\u00DF");
}

TEST_F(SheetTabsTest, EscapeAndLeavingTheStripDropTheTypedName) {
  ThreeSheets();
  size_t undo = app->UndoCount();
  Rename(second, "Z");
  TabKey(Qt::Key_Escape);
  EXPECT_EQ(tabs->GetRenaming(), nullptr);
  EXPECT_EQ(second->GetName(), u"Two");

  Rename(second, "Z");
  ClickCell(3, 3);
  view->GetCanvas().Focus();
  ASSERT_TRUE(WaitFor([&] { return tabs->GetRenaming() == nullptr; }));
  EXPECT_EQ(second->GetName(), u"Two");
  EXPECT_EQ(app->UndoCount(), undo);
}

TEST(SheetNameTest, ANameIsShortFreeOfReservedCharactersAndUniqueWhateverTheCase) {
  Workbook workbook(u"book", nullptr);
  Sheet* one = workbook.GetSheet(0);
  one->SetName(u"Umsatz");
  Sheet* two = workbook.AddSheet(u"Kosten");
  struct Case {
    std::u16string name;
    std::string_view problem;
  };
  const Case cases[] = {
      {u"", "sheetName:empty"},
      {std::u16string(32, u'a'), "sheetName:tooLong"},
      {std::u16string(31, u'a'), ""},
      // 31 characters of which one is outside the basic plane: still fits.
      {std::u16string(30, u'a') + u"\U0001F600", ""},
      {u"Q1[a]", "sheetName:characters"},
      {u"a:b", "sheetName:characters"},
      {u"a*", "sheetName:characters"},
      {u"wer?", "sheetName:characters"},
      {u"1/2", "sheetName:characters"},
      {u"C:\\temp", "sheetName:characters"},
      {u"umsatz", "sheetName:taken"},
      {u"UMSATZ", "sheetName:taken"},
      {u"\u00C4nderung", ""},
      {u"KOSTEN", ""},  // its own name in other capitals
      {u"Umsatz 2", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SheetNameProblem(workbook, two, c.name), c.problem) << std::string(c.name.begin(), c.name.end());
  }
}

TEST_F(SheetTabsTest, AnInvalidNameIsExplainedAndTheOldNameStays) {
  ThreeSheets();
  size_t undo = app->UndoCount();
  struct Case {
    const char* typed;
    int backspaces;
    const char* key;
  };
  const Case cases[] = {
      {"", 3, "sheetName:empty"},
      {"/2", 0, "sheetName:characters"},
      {"", 3, nullptr},  // typed "one" below: taken by the first sheet
      {"abcdefghijklmnopqrstuvwxyz1234", 0, "sheetName:tooLong"},
  };
  for (const Case& c : cases) {
    Rename(second, c.typed);
    for (int i = 0; i < c.backspaces; ++i) TabKey(Qt::Key_Backspace);
    if (!c.key) TypeInTabs("one");
    std::u16string typed = tabs->GetRenameText();
    QString shown;
    Answer([&](QWidget* d) {
      auto* box = qobject_cast<QMessageBox*>(d);
      ASSERT_NE(box, nullptr);
      shown = box->text();
      box->accept();
    });
    TabKey(Qt::Key_Return);
    std::string_view key = c.key ? c.key : "sheetName:taken";
    EXPECT_EQ(shown.toStdU16String(), TextWithArgument(key, typed)) << key;
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_EQ(second->GetName(), u"Two");
    EXPECT_EQ(tabs->GetRenaming(), nullptr);
  }
  EXPECT_EQ(app->UndoCount(), undo);
}

TEST_F(SheetTabsTest, TheArrowsScrollTheTabsWithoutPassingEitherEnd) {
  int canvasWidth = tabs->GetCanvas().Bounds().width;
  while (tabs->GetTabsWidth() < canvasWidth + 160) workbook().AddSheet(u"A rather long sheet name");
  int64_t end = -(tabs->GetTabsWidth() - canvasWidth);
  EXPECT_EQ(tabs->GetScrollOffset(), 0);
  ClickControl(tabs->GetScrollRightButton());
  EXPECT_EQ(tabs->GetScrollOffset(), -50);
  ClickControl(tabs->GetScrollRightButton());
  EXPECT_EQ(tabs->GetScrollOffset(), -100);
  for (int i = 0; i < 5; ++i) ClickControl(tabs->GetScrollRightButton());
  EXPECT_EQ(tabs->GetScrollOffset(), end);
  // Clicks follow the scrolled tabs.
  Sheet* last = workbook().GetSheet(workbook().GetSheetCount() - 1);
  EXPECT_EQ(Left(last) + tabs->TabWidth(last), canvasWidth);
  ClickTab(canvasWidth - 5);
  EXPECT_EQ(view->GetSheet(), last);
  for (int i = 0; i < 10; ++i) ClickControl(tabs->GetScrollLeftButton());
  EXPECT_EQ(tabs->GetScrollOffset(), 0);

  // The next and previous sheet come into sight; there is none past either end.
  ClickTab(Middle(first));
  while (workbook().GetActiveSheet() != last) tabs->SelectNextSheet();
  tabs->SelectNextSheet();
  EXPECT_EQ(view->GetSheet(), last);
  EXPECT_EQ(tabs->GetScrollOffset(), end);
  while (workbook().GetActiveSheet() != first) tabs->SelectPreviousSheet();
  tabs->SelectPreviousSheet();
  EXPECT_EQ(view->GetSheet(), first);
  EXPECT_EQ(tabs->GetScrollOffset(), 0);

  // A new sheet's tab ends at the right edge; fewer tabs never leave a gap there.
  ClickControl(tabs->GetAddButton());
  Sheet* added = workbook().GetActiveSheet();
  EXPECT_EQ(Left(added) + tabs->TabWidth(added), canvasWidth);
  app->Undo();
  EXPECT_EQ(tabs->GetScrollOffset(), -(tabs->GetTabsWidth() - canvasWidth));
}

TEST_F(SheetTabsTest, AddingASheetIsUndoneAndRedoneWithTheSameSheet) {
  container->SetSplit(true);
  size_t undo = app->UndoCount();
  ClickControl(tabs->GetAddButton());
  ASSERT_EQ(workbook().GetSheetCount(), 2);
  Sheet* added = workbook().GetSheet(1);
  EXPECT_EQ(added->GetName(), Text("sheet") + u"2");
  EXPECT_EQ(workbook().GetActiveSheet(), added);
  ExpectViewsShowActive();
  EXPECT_EQ(app->UndoCount(), undo + 1);
  added->GetCellDirect(1, 0)->SetInput(u"on the new sheet");

  app->Undo();
  EXPECT_EQ(workbook().GetSheetCount(), 1);
  EXPECT_EQ(workbook().GetActiveSheet(), first);
  ExpectViewsShowActive();
  app->Redo();
  ASSERT_EQ(workbook().GetSheetCount(), 2);
  EXPECT_EQ(workbook().GetSheet(1), added);
  EXPECT_EQ(workbook().GetActiveSheet(), added);
  EXPECT_EQ(added->GetCellText(1, 0), u"on the new sheet");
  ExpectViewsShowActive();
  // The next new sheet does not repeat a name.
  ClickControl(tabs->GetAddButton());
  EXPECT_EQ(workbook().GetSheet(2)->GetName(), Text("sheet") + u"3");
}

TEST_F(SheetTabsTest, TheTabMenuDeletesASheetAndUndoPutsTheSameOneBack) {
  ThreeSheets();
  container->SetSplit(true);
  ClickTab(Middle(second));
  second->GetCellDirect(2, 2)->SetInput(u"kept");
  size_t undo = app->UndoCount();

  RightClickTab(Middle(second));
  PopupMenu* menu = OpenPopupMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->Entries().size(), 3u);
  EXPECT_EQ(menu->Entries()[0].text, Text("popup:sheet:rename"));
  EXPECT_EQ(menu->Entries()[1].text, Text("popup:sheet:colour"));
  EXPECT_EQ(menu->Entries()[2].text, Text("popup:sheet:delete"));
  qt::CanvasWidget* menuCanvas = CanvasOf(menu->GetCanvas());
  ASSERT_NE(menuCanvas, nullptr);
  QTest::mouseClick(menuCanvas, Qt::LeftButton, {}, QPoint(10, 2 * PopupMenu::kRowHeight + 10));
  Settle();

  EXPECT_EQ(workbook().GetSheetCount(), 2);
  EXPECT_EQ(workbook().IndexOfSheet(second), -1);
  EXPECT_EQ(workbook().GetActiveSheet(), first);
  ExpectViewsShowActive();
  EXPECT_EQ(app->UndoCount(), undo + 1);

  app->Undo();
  ASSERT_EQ(workbook().GetSheet(1), second);
  EXPECT_EQ(second->GetCellText(2, 2), u"kept");
  EXPECT_EQ(workbook().GetActiveSheet(), second);
  ExpectViewsShowActive();
  app->Redo();
  EXPECT_EQ(workbook().IndexOfSheet(second), -1);
  ExpectViewsShowActive();

  // A sheet being renamed that an undo takes away is no longer renamed.
  app->Undo();
  Rename(second, "Q");
  app->Redo();
  EXPECT_EQ(tabs->GetRenaming(), nullptr);
}

TEST_F(SheetTabsTest, TheTabMenuRenamesInPlace) {
  ThreeSheets();
  RightClickTab(Middle(third));
  PopupMenu* menu = OpenPopupMenu();
  ASSERT_NE(menu, nullptr);
  QTest::mouseClick(CanvasOf(menu->GetCanvas()), Qt::LeftButton, {}, QPoint(10, 10));
  Settle();
  Reactivate();
  EXPECT_EQ(tabs->GetRenaming(), third);
  TypeInTabs("!");
  TabKey(Qt::Key_Return);
  EXPECT_EQ(third->GetName(), u"Three!");
}

TEST_F(SheetTabsTest, TheTabsFollowAnotherWorkbookInTheWindow) {
  auto opened = std::make_unique<Workbook>(u"opened.xlsx", app);
  opened->GetSheet(0)->SetName(u"Data");
  Sheet* chart = opened->AddSheet(u"Chart");
  Workbook* raw = opened.get();
  container->SetWorkbook(std::move(opened));
  ClickTab(Middle(chart));
  EXPECT_EQ(raw->GetActiveSheet(), chart);
  EXPECT_EQ(view->GetSheet(), chart);
  // Its changes reach the strip.
  Sheet* more = raw->AddSheet(u"More");
  ClickTab(Middle(more));
  EXPECT_EQ(view->GetSheet(), more);
  ClickControl(tabs->GetAddButton());
  EXPECT_EQ(raw->GetSheetCount(), 4);
}

TEST_F(SheetTabsTest, TheOnlySheetIsNotDeleted) {
  size_t undo = app->UndoCount();
  tabs->DeleteSheet(first);
  EXPECT_EQ(workbook().GetSheetCount(), 1);
  EXPECT_EQ(workbook().GetActiveSheet(), first);
  EXPECT_EQ(view->GetSheet(), first);
  EXPECT_EQ(app->UndoCount(), undo);
}

TEST_F(SheetTabsTest, TheTabColourIsOneUndoStepAndACancelledDialogChangesNothing) {
  ThreeSheets();
  size_t undo = app->UndoCount();
  Answer([](QWidget* d) { qobject_cast<QDialog*>(d)->reject(); });
  tabs->ChooseTabColour(second);
  EXPECT_EQ(second->GetTabColor(), kWhite);
  EXPECT_EQ(app->UndoCount(), undo);

  Answer([](QWidget* d) {
    auto* colours = qobject_cast<QColorDialog*>(d);
    ASSERT_NE(colours, nullptr);
    colours->setCurrentColor(QColor(255, 0, 0));
    colours->accept();
  });
  tabs->ChooseTabColour(second);
  EXPECT_EQ(second->GetTabColor(), 0x0000FFu);
  EXPECT_EQ(TabPixel(Left(second) + 3, 17), 0x0000FFu);
  ASSERT_EQ(app->UndoCount(), undo + 1);
  app->Undo();
  EXPECT_EQ(second->GetTabColor(), kWhite);
  EXPECT_EQ(TabPixel(Left(second) + 3, 17), kWhite);
  app->Redo();
  EXPECT_EQ(second->GetTabColor(), 0x0000FFu);
}

}  // namespace
}  // namespace quadrell::test
