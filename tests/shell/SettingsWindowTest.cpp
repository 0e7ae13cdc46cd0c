// The settings and about dialogs as a user works them: the keys and the
// buttons, the files OK writes and Cancel leaves alone.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "../view/SheetViewTestSupport.h"
#include "context/ApplicationContext.h"
#include "shell/dialogs/InfoWindow.h"
#include "shell/dialogs/SettingsWindow.h"
#include "shell/toolbar/ToolbarGadget.h"

namespace quadrell {
namespace {

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class SettingsWindowTest : public test::SheetWindowTest {
 protected:
  void SetUp() override {
    test::SheetWindowTest::SetUp();
    ApplicationContext& context = GetContext();
    context.ResetToolbarItems();
    context.SetSetting(kSettingLanguage, u"en");
    context.SetSetting(kSettingUsername, u"tester");
    context.SetSettingInt(kSettingScrollbarWidth, 9);
    context.SetSettingInt(kSettingSimpleFormulas, 1);
    context.SaveSettings();
    settingsFile = context.Folder() + "settings";
    toolbarFile = context.Folder() + "toolbar";
  }
  void TearDown() override {
    if (SettingsWindow::Current()) SettingsWindow::Current()->Cancel();
    test::SheetWindowTest::TearDown();
  }
  SettingsWindow& Open() {
    OpenSettingsWindow();
    SettingsWindow* settings = SettingsWindow::Current();
    EXPECT_NE(settings, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowActive(test::WidgetOf(settings->GetWindow())));
    return *settings;
  }
  static QWidget* Widget(const Control& control) { return qt::WidgetOf(control); }
  static QListWidget* List(const ListBox& list) { return static_cast<QListWidget*>(Widget(list)); }
  void Key(const Control& control, Qt::Key key) { QTest::keyClick(Widget(control), key); }
  std::vector<int64_t> Configured() {
    ArrayList<int64_t> list;
    GetContext().GetToolbarItems(list);
    std::vector<int64_t> items;
    list.ForEach([&](int64_t item) { items.push_back(item); });
    return items;
  }
  int IndexOf(const std::vector<int>& items, int id) {
    auto found = std::find(items.begin(), items.end(), id);
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
  }
  std::string settingsFile, toolbarFile;
};

TEST_F(SettingsWindowTest, OkWritesTheGeneralSettingsAndAskingTwiceBringsTheSameWindow) {
  SettingsWindow& settings = Open();
  OpenSettingsWindow();
  EXPECT_EQ(SettingsWindow::Current(), &settings);
  auto* user = static_cast<QLineEdit*>(Widget(settings.UserField()));
  user->selectAll();
  QTest::keyClicks(user, "J");
  user->insert(QString::fromUtf8("\xC3\xB6"));  // as an input method delivers it
  QTest::keyClicks(user, "rg");
  static_cast<QSlider*>(Widget(settings.ScrollbarBar()))->setValue(12);
  EXPECT_EQ(static_cast<QLabel*>(Widget(settings.ScrollbarValue()))->text(), QStringLiteral("12"));
  static_cast<QComboBox*>(Widget(settings.LanguageBox()))->setCurrentIndex(0);
  QTest::mouseClick(Widget(settings.SimpleFormulasBox()), Qt::LeftButton, {}, QPoint(5, 8));
  // A changed language takes effect at the next start, and says so.
  QString said;
  test::Answer([&](QWidget* d) {
    said = qobject_cast<QMessageBox*>(d)->text();
    qobject_cast<QMessageBox*>(d)->accept();
  });
  Key(settings.UserField(), Qt::Key_Return);  // Return is OK
  EXPECT_EQ(SettingsWindow::Current(), nullptr);
  EXPECT_EQ(said, QString::fromStdU16String(Text("settings:languageNextStart")));
  EXPECT_EQ(FileText(settingsFile),
            "\xEF\xBB\xBF\r\nUsername = J\xC3\xB6rg\r\nScrollbarWidth = 12\r\nLanguage = de\r\nSimpleFormulas = 0\r\n");
  EXPECT_EQ(Text("ok"), u"OK");  // the texts stay those of the start
  test::Settle();
}

TEST_F(SettingsWindowTest, CancelAndEscapeWriteNothingAndACancelledToolbarEditNeverComesBack) {
  std::string before = FileText(settingsFile);
  std::string toolbarBefore = FileText(toolbarFile);
  SettingsWindow& settings = Open();
  settings.ShowPage(1);
  // Take the undo item off the toolbar, then cancel.
  List(settings.CurrentList())->setCurrentRow(IndexOf(settings.CurrentItems(), 8));
  QTest::mouseClick(Widget(settings.RemoveButton()), Qt::LeftButton);
  EXPECT_EQ(IndexOf(settings.CurrentItems(), 8), -1);
  QTest::mouseClick(Widget(settings.CancelButton()), Qt::LeftButton);
  EXPECT_EQ(SettingsWindow::Current(), nullptr);
  test::Settle();

  SettingsWindow& again = Open();
  EXPECT_NE(IndexOf(again.CurrentItems(), 8), -1);
  Key(again.Navigation(), Qt::Key_Escape);
  EXPECT_EQ(SettingsWindow::Current(), nullptr);
  EXPECT_EQ(FileText(settingsFile), before);
  EXPECT_EQ(FileText(toolbarFile), toolbarBefore);
  test::Settle();
}

TEST_F(SettingsWindowTest, TheToolbarListsMoveItemsByKeysAndOkShowsThemInNewWindows) {
  SettingsWindow& settings = Open();
  // The navigation list switches pages with the keys.
  settings.Navigation().Focus();
  Key(settings.Navigation(), Qt::Key_Down);
  ASSERT_EQ(settings.Page(), 1);
  EXPECT_TRUE(Widget(settings.AvailableList())->isVisible());
  EXPECT_FALSE(Widget(settings.UserField())->isVisible());

  const std::vector<int>& available = settings.AvailableItems();
  EXPECT_EQ(std::count(available.begin(), available.end(), kToolbarSeparator), 1);
  EXPECT_EQ(IndexOf(available, 1), -1);
  EXPECT_EQ(available.size() + std::set<int>(settings.CurrentItems().begin(), settings.CurrentItems().end()).size(),
            static_cast<size_t>(kToolbarLastItem + 2));  // the separator is in both

  // The search item after the start item, with Return in the available list.
  List(settings.CurrentList())->setCurrentRow(0);
  List(settings.AvailableList())->setCurrentRow(IndexOf(available, 32));
  Key(settings.AvailableList(), Qt::Key_Return);
  EXPECT_EQ(settings.CurrentItems()[1], 32);
  EXPECT_EQ(IndexOf(settings.AvailableItems(), 32), -1);
  EXPECT_EQ(List(settings.CurrentList())->currentRow(), 1);
  // The separator stays available however often it is added.
  for (int k = 0; k < 2; ++k) {
    List(settings.AvailableList())->setCurrentRow(0);
    QTest::mouseClick(Widget(settings.AddButton()), Qt::LeftButton);
  }
  EXPECT_EQ(settings.AvailableItems()[0], kToolbarSeparator);
  EXPECT_EQ(settings.CurrentItems()[2], kToolbarSeparator);
  EXPECT_EQ(settings.CurrentItems()[3], kToolbarSeparator);
  // The start item stays; Return in the current list removes the undo item.
  List(settings.CurrentList())->setCurrentRow(0);
  Key(settings.CurrentList(), Qt::Key_Return);
  EXPECT_EQ(settings.CurrentItems()[0], 1);
  List(settings.CurrentList())->setCurrentRow(IndexOf(settings.CurrentItems(), 8));
  Key(settings.CurrentList(), Qt::Key_Return);
  EXPECT_EQ(IndexOf(settings.CurrentItems(), 8), -1);
  EXPECT_NE(IndexOf(settings.AvailableItems(), 8), -1);
  std::vector<int> chosen = settings.CurrentItems();

  QTest::mouseClick(Widget(settings.OkButton()), Qt::LeftButton);
  std::vector<int64_t> expected(chosen.begin(), chosen.end());
  EXPECT_EQ(Configured(), expected);
  std::string bytes = FileText(toolbarFile);
  ASSERT_EQ(bytes.size(), 2 * chosen.size());
  EXPECT_EQ(static_cast<unsigned char>(bytes[2]), 32);
  EXPECT_EQ(bytes[3], 0);

  Application& fresh = Application::Create(kKindSheet);
  auto* toolbar = static_cast<ToolbarGadget*>(static_cast<SheetContainer&>(fresh.GetContainer()).GetToolbar());
  EXPECT_NE(toolbar->GetControl(32), nullptr);
  EXPECT_EQ(toolbar->GetControl(8), nullptr);
  GetContext().ResetToolbarItems();
  GetContext().SaveSettings();
}

TEST_F(SettingsWindowTest, TheAboutWindowShowsEveryLicenceInATabAndClosesWithReturn) {
  InfoWindow& about = OpenInfoWindow();
  QWidget* window = test::WidgetOf(about.GetWindow());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("About"));
  auto* tabs = static_cast<QTabWidget*>(Widget(about.Licences()));
  QStringList names;
  for (int k = 0; k < tabs->count(); ++k) names << tabs->tabText(k);
  EXPECT_EQ(names, (QStringList{"Quadrell", "Qt", "expat XML parser", "libarchive", "zlib", "SQLite", "libpng",
                                "libjpeg", "libtiff", "Tango icons"}));
  auto textOf = [&](int k) { return tabs->widget(k)->findChild<QPlainTextEdit*>()->toPlainText(); };
  EXPECT_TRUE(textOf(0).contains("Copyright (c) 2026 The Quadrell developers"));
  EXPECT_TRUE(textOf(0).contains("WITHOUT WARRANTY"));
  for (int k = 1; k < tabs->count(); ++k) EXPECT_GT(textOf(k).size(), 40) << names[k].toStdString();
  EXPECT_TRUE(textOf(2).contains("Clark Cooper"));
  size_t open = OpenInfoWindows().size();
  QTest::keyClick(window, Qt::Key_Return);
  EXPECT_EQ(OpenInfoWindows().size(), open - 1);
  test::Settle();
}

}  // namespace
}  // namespace quadrell
