// The start menu as a user meets it: opened by the start item, its rows
// clicked or chosen with the keys, the recent files opened from it.
#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <fstream>

#include "../view/SheetViewTestSupport.h"
#include "TestSupport.h"
#include "context/ApplicationContext.h"
#include "loadsave/LoadSaveXlsx.h"
#include "shell/commands/Commands.h"
#include "shell/dialogs/InfoWindow.h"
#include "shell/dialogs/SettingsWindow.h"
#include "shell/popups/StartMenu.h"
#include "shell/toolbar/ToolbarGadget.h"
#include "value/Unicode.h"

namespace quadrell {
namespace {

// Seven pixels a character: widths are easy to reason about.
int Measure(std::u16string_view text) { return 7 * static_cast<int>(text.size()); }

TEST(ShortenPathTest, EndsForEveryWidthAndStaysInsideTheText) {
  const std::u16string path = u"/home/user/documents/reports/2026/quarterly-figures.xlsx";
  EXPECT_EQ(ShortenPath(path, 7 * static_cast<int>(path.size()), Measure), path);
  std::u16string shortened = ShortenPath(path, 7 * 30, Measure);
  EXPECT_EQ(shortened.substr(0, 14), u"/home/use[...]");
  EXPECT_LE(Measure(shortened), 7 * 30);
  EXPECT_EQ(path.substr(path.size() - (shortened.size() - 14)), shortened.substr(14));
  // Narrower than nine characters and "[...]", then nothing at all fits.
  struct Case {
    int width;
    std::u16string expected;
  } cases[] = {
      {7 * 14, u"/home/use[...]"}, {7 * 13, u"/home/us[...]"}, {7 * 5, u"[...]"},
      {7 * 5 - 1, u""},        {0, u""},          {-500, u""},
  };
  for (const Case& c : cases) EXPECT_EQ(ShortenPath(path, c.width, Measure), c.expected) << c.width;
  // Short texts never grow past what they were, and a pair is never split.
  EXPECT_EQ(ShortenPath(u"abcdefghij", 7 * 9, Measure), u"abcd[...]");
  std::u16string pairs = u"\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600\U0001F600";
  for (int width = -10; width < 7 * 20; ++width) {
    std::u16string r = ShortenPath(pairs, width, Measure);
    for (size_t i = 0; i < r.size(); ++i) {
      bool high = r[i] >= 0xD800 && r[i] <= 0xDBFF;
      bool low = r[i] >= 0xDC00 && r[i] <= 0xDFFF;
      if (high) {
        EXPECT_TRUE(i + 1 < r.size() && r[i + 1] >= 0xDC00 && r[i + 1] <= 0xDFFF) << width;
      }
      if (low) {
        EXPECT_TRUE(i > 0 && r[i - 1] >= 0xD800 && r[i - 1] <= 0xDBFF) << width;
      }
    }
  }
}

class StartMenuTest : public test::SheetWindowTest {
 protected:
  void SetUp() override {
    test::SheetWindowTest::SetUp();
    while (GetContext().GetRecentFiles()) GetContext().RemoveRecentFile(GetContext().GetRecentFiles()->path);
  }
  StartMenu& OpenMenu() {
    RunToolbarCommand(*app, kItemStart);
    StartMenu* menu = app->GetStartMenu();
    EXPECT_NE(menu, nullptr);
    EXPECT_TRUE(test::WaitFor([&] { return menu->IsOpen() && menu->GetCanvas().HasFocus(); }));
    return *menu;
  }
  QWidget* MenuCanvas(StartMenu& menu) { return test::CanvasOf(menu.GetCanvas()); }
  void ClickMenu(StartMenu& menu, int x, int y) { QTest::mouseClick(MenuCanvas(menu), Qt::LeftButton, {}, QPoint(x, y)); }
  std::string SavedBook(const std::string& name, const char16_t* a1) {
    std::string path = folder.File(name);
    Workbook book(u"", app);
    book.GetActiveSheet()->GetCellDirect(1, 0)->SetInput(a1);
    EXPECT_TRUE(SaveXlsx(book, path, nullptr));
    return path;
  }
  test::TempFolder folder;
};

TEST_F(StartMenuTest, ItsSizeFollowsTheWindowAndItsPathsFitTheRightPanel) {
  std::u16string longPath = u"/very/long/folder/name/that/goes/on/and/on/and/on/and/on/until/it/ends/book.xlsx";
  GetContext().AddRecentFile(longPath);
  for (int width : {400, 1200}) {
    QWidget* window = test::WidgetOf(app->GetWindow());
    window->showNormal();
    window->resize(width, 500);
    ASSERT_TRUE(test::WaitFor([&] { return app->GetWindow().Width() == width; }));
    StartMenu& menu = OpenMenu();
    EXPECT_EQ(menu.Width(), std::min(width, 500));
    EXPECT_EQ(menu.Height(), app->GetWindow().Height() - 20);
    std::u16string shown = menu.ShownPath(0);
    EXPECT_EQ(shown.substr(0, 14), u"/very/lon[...]");
    EXPECT_TRUE(shown.ends_with(u"book.xlsx"));
    QTest::keyClick(MenuCanvas(menu), Qt::Key_Escape);
    EXPECT_TRUE(test::WaitFor([&] { return !menu.IsOpen(); }));
  }
}

TEST_F(StartMenuTest, TheStartItemClosesAnOpenMenuForGoodAndTheNextClickOpensIt) {
  StartMenu& menu = OpenMenu();
  // The press on the start item takes the focus from the menu and closes it.
  Control* start = static_cast<ToolbarGadget*>(container->GetToolbar())->GetControl(kItemStart);
  Rect item = start->ScreenRect();
  QCursor::setPos(item.x + 5, item.y + 5);
  QTest::mouseClick(test::WidgetOf(app->GetWindow())->windowHandle(), Qt::LeftButton, {},
                    test::WidgetOf(app->GetWindow())->mapFromGlobal(QPoint(item.x + 5, item.y + 5)));
  ASSERT_TRUE(test::WaitFor([&] { return !menu.IsOpen(); }));
  if (app->GetStartMenu()) RunToolbarCommand(*app, kItemStart);  // the click's release on the item
  EXPECT_EQ(app->GetStartMenu(), nullptr);
  StartMenu& again = OpenMenu();
  EXPECT_TRUE(again.IsOpen());
}

TEST_F(StartMenuTest, RowsRunTheirCommandsByPointerAndByKeys) {
  size_t windows = WindowMap().size();
  StartMenu& menu = OpenMenu();
  ClickMenu(menu, 50, 2 + 28 * 5 + 10);  // the gap does nothing
  EXPECT_TRUE(menu.IsOpen());
  ClickMenu(menu, 50, 2 + 10);  // new
  EXPECT_EQ(WindowMap().size(), windows + 1);
  WindowMap().back()->Close();
  test::Settle();
  app->GetWindow().Activate();
  ASSERT_TRUE(QTest::qWaitForWindowActive(test::WidgetOf(app->GetWindow())));

  // The second row makes a text-document window.
  StartMenu& text = OpenMenu();
  ClickMenu(text, 50, 2 + 28 * 1 + 10);
  ASSERT_EQ(WindowMap().size(), windows + 1);
  EXPECT_EQ(WindowMap().back()->GetKind(), kKindTextDocument);
  WindowMap().back()->Close();
  test::Settle();
  app->GetWindow().Activate();
  ASSERT_TRUE(QTest::qWaitForWindowActive(test::WidgetOf(app->GetWindow())));

  // Down seven times passes the gap to the about row; Return opens the dialog.
  StartMenu& keyed = OpenMenu();
  for (int k = 0; k < 7; ++k) QTest::keyClick(MenuCanvas(keyed), Qt::Key_Down);
  EXPECT_EQ(keyed.Highlighted(), 7);
  size_t abouts = OpenInfoWindows().size();
  QTest::keyClick(MenuCanvas(keyed), Qt::Key_Return);
  ASSERT_EQ(OpenInfoWindows().size(), abouts + 1);
  OpenInfoWindows().back()->Close();
  test::Settle();

  StartMenu& settings = OpenMenu();
  ClickMenu(settings, 50, 2 + 28 * 6 + 10);
  ASSERT_NE(SettingsWindow::Current(), nullptr);
  SettingsWindow::Current()->Cancel();
  test::Settle();
}

TEST_F(StartMenuTest, ARecentFileOpensInANewWindowAndAVanishedOneLeavesTheList) {
  std::string kept = SavedBook("kept.xlsx", u"kept");
  std::string gone = SavedBook("gone.xlsx", u"gone");
  GetContext().AddRecentFile(Utf8ToUtf16(kept));
  GetContext().AddRecentFile(Utf8ToUtf16(gone));
  std::remove(gone.c_str());
  StartMenu& menu = OpenMenu();
  ASSERT_EQ(menu.RecentPaths().size(), 2u);
  EXPECT_EQ(menu.RecentPaths()[0], Utf8ToUtf16(gone));

  // The vanished file, newest, in the first row: a message, then it is gone from the list.
  QString said;
  test::Answer([&](QWidget* d) {
    auto* box = qobject_cast<QMessageBox*>(d);
    ASSERT_NE(box, nullptr);
    said = box->text();
    box->accept();
  });
  ClickMenu(menu, 300, StartMenu::kRecentTop + 5);
  EXPECT_TRUE(said.contains(QString::fromStdString(gone)));
  ASSERT_NE(GetContext().GetRecentFiles(), nullptr);
  EXPECT_EQ(GetContext().GetRecentFiles()->path, Utf8ToUtf16(kept));
  EXPECT_EQ(GetContext().GetRecentFiles()->next, nullptr);
  app->GetWindow().Activate();
  ASSERT_TRUE(QTest::qWaitForWindowActive(test::WidgetOf(app->GetWindow())));

  // The kept one through the keys: Right jumps to the recent files.
  size_t windows = WindowMap().size();
  StartMenu& again = OpenMenu();
  QTest::keyClick(MenuCanvas(again), Qt::Key_Right);
  QTest::keyClick(MenuCanvas(again), Qt::Key_Return);
  ASSERT_EQ(WindowMap().size(), windows + 1);
  auto& opened = static_cast<SheetContainer&>(WindowMap().back()->GetContainer());
  EXPECT_EQ(opened.GetWorkbook().GetActiveSheet()->GetCellText(1, 0), u"kept");
}

}  // namespace
}  // namespace quadrell
