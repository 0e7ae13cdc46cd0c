#include "shell/Application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>


#include "../platform/qt/QtTestSupport.h"
#include "TestSupport.h"
#include "context/ApplicationContext.h"
#include "loadsave/LoadSaveXlsx.h"
#include "model/Action.h"
#include "model/Cell.h"
#include "model/Range.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "platform/WindowSystem.h"
#include "shell/Startup.h"
#include "view/SheetContainer.h"

namespace quadrell {
namespace {

using test::Settle;
using test::WaitFor;
using test::WidgetOf;

// An edit that writes its text into a log when undone or redone.
class LoggedAction : public Action {
 public:
  LoggedAction(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
  void Undo() override { log_.push_back("undo " + name_); }
  void Redo() override { log_.push_back("redo " + name_); }

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

// A sheet window opened as start-up opens the first one, closed at the end.
class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = &Application::Create(kKindSheet);
    widget = WidgetOf(app->GetWindow());
    ASSERT_TRUE(QTest::qWaitForWindowActive(widget));
  }
  void TearDown() override {
    while (!WindowMap().empty()) WindowMap().back()->Close();
    Settle();
  }
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(widget, key, modifiers);
  }
  Application* app = nullptr;
  QWidget* widget = nullptr;
};

TEST_F(ApplicationTest, ANewSheetWindowIsUntitledAndHoldsAnUntitledWorkbook) {
  EXPECT_EQ(app->GetWindow().Title(), u"unknown - quadrell 0.56");
  EXPECT_TRUE(widget->isMaximized());
  ASSERT_EQ(WindowMap().size(), 1u);
  EXPECT_EQ(WindowMap()[0].get(), app);
  auto* sheets = dynamic_cast<SheetContainer*>(&app->GetContainer());
  ASSERT_NE(sheets, nullptr);
  EXPECT_EQ(sheets->GetWorkbook().GetName(), u"unknown");
  EXPECT_EQ(sheets->GetWorkbook().GetHost(), app);
  EXPECT_EQ(app->FormulaLanguage(), GetContext().GetSetting(kSettingLanguage));
}

TEST_F(ApplicationTest, UndoAndRedoWalkTheWindowsListsFromTheShortcuts) {
  std::vector<std::string> log;
  Press(Qt::Key_Z, Qt::ControlModifier);  // nothing to undo
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_TRUE(log.empty());
  app->AddAction(std::make_unique<LoggedAction>("a", log));
  app->AddAction(std::make_unique<LoggedAction>("b", log));
  Press(Qt::Key_Z, Qt::ControlModifier);
  Press(Qt::Key_Z, Qt::ControlModifier);
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(log, (std::vector<std::string>{"undo b", "undo a"}));
  EXPECT_EQ(app->RedoCount(), 2u);
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(log.back(), "redo a");
  EXPECT_EQ(app->UndoCount(), 1u);
  // A new edit drops what could be redone.
  app->AddAction(std::make_unique<LoggedAction>("c", log));
  EXPECT_EQ(app->RedoCount(), 0u);
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(log.back(), "redo a");
  EXPECT_EQ(app->UndoCount(), 2u);
}

// An undo that records a new edit while it runs (and so empties the redo list).
class RecordingWhileUndone : public Action {
 public:
  explicit RecordingWhileUndone(Application& app) : app_(app) {}
  void Undo() override { app_.AddAction(std::make_unique<RecordingWhileUndone>(app_)); }
  void Redo() override {}

 private:
  Application& app_;
};

TEST_F(ApplicationTest, AnActionThatRecordsWhileUndoneIsNotFreedUnderItself) {
  app->AddAction(std::make_unique<RecordingWhileUndone>(*app));
  app->Undo();
  EXPECT_EQ(app->UndoCount(), 1u);
  EXPECT_EQ(app->RedoCount(), 1u);
}

TEST_F(ApplicationTest, AnotherWorkbookInTheWindowTakesTheUndoListsAlong) {
  std::vector<std::string> log;
  app->AddAction(std::make_unique<LoggedAction>("edit of the old workbook", log));
  app->AddAction(std::make_unique<LoggedAction>("undone", log));
  app->Undo();
  auto& sheets = static_cast<SheetContainer&>(app->GetContainer());
  sheets.SetWorkbook(std::make_unique<Workbook>(u"Book", app));
  EXPECT_EQ(sheets.GetWorkbook().GetName(), u"Book");
  EXPECT_EQ(app->UndoCount(), 0u);
  EXPECT_EQ(app->RedoCount(), 0u);
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(log, std::vector<std::string>{"undo undone"});
}

TEST_F(ApplicationTest, AWorkbookNamedAtStartOpensInTheFirstWindow) {
  test::TempFolder folder;
  Workbook written(u"Book", nullptr);
  written.GetActiveSheet()->GetCellDirect(2, 1)->SetInput(u"from the file");
  ASSERT_TRUE(SaveXlsx(written, folder.File("Book.xlsx")));
  ASSERT_TRUE(OpenAtStart(*app, folder.File("Book.xlsx")));
  auto& sheets = static_cast<SheetContainer&>(app->GetContainer());
  EXPECT_EQ(sheets.GetWorkbook().GetActiveSheet()->GetCellDirect(2, 1)->GetInput(), u"from the file");
  EXPECT_EQ(sheets.GetWorkbook().GetHost(), app);
}

TEST_F(ApplicationTest, DeleteEmptiesTheExistingCellsOfTheSelection) {
  auto& sheets = static_cast<SheetContainer&>(app->GetContainer());
  Sheet* sheet = sheets.GetWorkbook().GetActiveSheet();
  sheet->GetCellDirect(1, 0)->SetInput(u"12");
  sheet->GetCellDirect(2, 1)->SetInput(u"text");
  sheet->GetCellDirect(5, 0)->SetInput(u"kept");
  sheet->SetSelection(std::make_unique<AreaRange>(0, 1, 3, 3, sheet));
  Press(Qt::Key_Delete);
  EXPECT_EQ(sheet->GetCellDirect(1, 0)->GetInput(), u"");
  EXPECT_EQ(sheet->GetCellDirect(2, 1)->GetInput(), u"");
  EXPECT_EQ(sheet->GetCellDirect(5, 0)->GetInput(), u"kept");
  EXPECT_EQ(sheet->FindRow(3), nullptr);  // nothing was created
  EXPECT_EQ(app->UndoCount(), 1u);        // one step for the whole selection
  app->Undo();
  EXPECT_EQ(sheet->GetCellDirect(1, 0)->GetInput(), u"12");
  EXPECT_EQ(sheet->GetCellDirect(2, 1)->GetInput(), u"text");
  app->Redo();
  EXPECT_EQ(sheet->GetCellDirect(2, 1)->GetInput(), u"");

  // The whole sheet: every stored cell, and still nothing new.
  sheet->SetSelection(std::make_unique<AreaRange>(-1, -1, -1, -1, sheet));
  Press(Qt::Key_Delete);
  EXPECT_EQ(sheet->GetCellDirect(5, 0)->GetInput(), u"");
  EXPECT_EQ(sheet->FindRow(4), nullptr);
}

class CountingFindDialog : public FindDialog {
 public:
  void BringToFront() override { ++broughtToFront; }
  static inline int opened = 0;
  static inline int broughtToFront = 0;
};

TEST_F(ApplicationTest, FindReachesItsDialog) {
  SetFindDialogOpener([](Application&) -> std::unique_ptr<FindDialog> {
    ++CountingFindDialog::opened;
    return std::make_unique<CountingFindDialog>();
  });
  Press(Qt::Key_F, Qt::ControlModifier);
  Press(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(CountingFindDialog::opened, 1);
  EXPECT_EQ(CountingFindDialog::broughtToFront, 1);
  app->FindDialogClosed();
  Press(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(CountingFindDialog::opened, 2);
  SetFindDialogOpener(nullptr);
}

class FixedToolbox : public Toolbox {
 public:
  explicit FixedToolbox(int width) : width_(width) {}
  int GetWidth() const override { return width_; }
  void Resize(int x, int y, int width, int height) override { placed = Rect{x, y, width, height}; }
  void Paint() override {}
  Rect placed;

 private:
  int width_;
};

TEST_F(ApplicationTest, DockedToolboxesTakeTheRightEdge) {
  int w = app->GetWindow().Width();
  int h = app->GetWindow().Height();
  auto& sheets = static_cast<SheetContainer&>(app->GetContainer());
  EXPECT_EQ(sheets.GetLayout().views.at(0).width, w);
  auto first = std::make_unique<FixedToolbox>(200);
  auto second = std::make_unique<FixedToolbox>(150);
  FixedToolbox* a = first.get();
  FixedToolbox* b = second.get();
  app->AddToolbox(std::move(first));
  app->AddToolbox(std::move(second));
  EXPECT_EQ(a->placed, (Rect{w - 350, 0, 200, h}));
  EXPECT_EQ(b->placed, (Rect{w - 150, 0, 150, h}));
  EXPECT_EQ(sheets.GetLayout().views.at(0).width, w - 350);
  std::unique_ptr<Toolbox> back = app->RemoveToolbox(a);
  EXPECT_EQ(back.get(), a);
  EXPECT_EQ(b->placed, (Rect{w - 150, 0, 150, h}));
  EXPECT_EQ(sheets.GetLayout().views.at(0).width, w - 150);
  EXPECT_EQ(app->RemoveToolbox(a), nullptr);
}

TEST_F(ApplicationTest, TheProgramRunsUntilItsLastWindowCloses) {
  Application& second = Application::Create(kKindSheet);
  EXPECT_EQ(WindowMap().size(), 2u);
  bool ended = false;
  QTimer::singleShot(0, [&] {
    WidgetOf(second.GetWindow())->close();  // the close box
    QTimer::singleShot(50, [&] {
      EXPECT_EQ(WindowMap().size(), 1u);  // still running
      WidgetOf(app->GetWindow())->close();
    });
  });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { EndEventLoop(); });
  guard.start(5000);
  RunEventLoop();
  ended = WindowMap().empty();
  EXPECT_TRUE(ended);
  EXPECT_TRUE(guard.isActive());  // ended by the last window, not the guard
}

TEST(WindowTitleTest, TheFileNamePartOfThePath) {
  EXPECT_EQ(WindowTitle(u"/home/anna/Reports/Q3 Book.xlsx"), u"Q3 Book.xlsx - quadrell 0.56");
  EXPECT_EQ(WindowTitle(u"Book.csv"), u"Book.csv - quadrell 0.56");
  EXPECT_EQ(WindowTitle(u""), u"unknown - quadrell 0.56");
}

TEST(SheetWindowLayoutTest, PartsGoWhereTheSheetWindowHasThem) {
  SheetWindowLayout one = LayOutSheetWindow(800, 600, 20, 1.0f, 1);
  // The status field is wide enough for three six-digit figures side by side.
  EXPECT_EQ(one.sheetTabs, (Rect{0, 580, 600, 20}));
  EXPECT_EQ(one.statusField, (Rect{600, 580, 200, 20}));
  EXPECT_EQ(one.formulaIcon, (Rect{0, 20, 40, 20}));
  EXPECT_EQ(one.formulaBar, (Rect{40, 20, 760, 20}));
  EXPECT_EQ(one.views, (std::vector<Rect>{{0, 40, 800, 540}}));
  EXPECT_TRUE(one.splitters.empty());
  SheetWindowLayout split = LayOutSheetWindow(800, 600, 20, 0.5f, 2);
  EXPECT_EQ(split.views, (std::vector<Rect>{{0, 40, 398, 540}, {401, 40, 399, 540}}));
  EXPECT_EQ(split.splitters, (std::vector<Rect>{{398, 40, 3, 540}}));
}

TEST(RecoveryCopyTest, NamedByTheTimeAndARandomNumberInTheSettingsFolder) {
  std::string path = RecoveryCopyPath();
  ASSERT_EQ(path.rfind(GetContext().Folder(), 0), 0u);
  std::string name = path.substr(GetContext().Folder().size());
  // yyyymmddhhmmss-HEX.xlsx
  ASSERT_GT(name.size(), 21u) << name;
  EXPECT_EQ(name.find_first_not_of("0123456789"), 14u) << name;
  EXPECT_EQ(name[14], '-');
  EXPECT_EQ(name.substr(name.size() - 5), ".xlsx");
  std::string hex = name.substr(15, name.size() - 20);
  EXPECT_TRUE(!hex.empty() && hex.size() <= 8 && hex.find_first_not_of("0123456789ABCDEF") == std::string::npos) << name;
  EXPECT_NE(RecoveryCopyPath(), path);
}

}  // namespace
}  // namespace quadrell
