#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

#include "QtTestSupport.h"
#include "TestSupport.h"
#include "platform/Dialogs.h"
#include "platform/qt/QtDialogs.h"

namespace quadrell {
namespace {

using test::OpenWindow;
using test::Settle;
using test::WaitFor;
using test::WidgetOf;

template <class W>
W* Find(const Window& window) {
  auto found = WidgetOf(window)->findChildren<W*>();
  return found.isEmpty() ? nullptr : found.back();
}

TEST(ControlsTest, StandardControlsHoldTheirValuesAndReportTheUser) {
  OpenWindow w(u"controls", WindowKind::Tool);
  auto field = CreateTextField(*w.window, Rect{5, 5, 170, 20}, u"Anna");
  EXPECT_EQ(field->Text(), u"Anna");
  field->SetText(u"Bj\u00f6rn");
  EXPECT_EQ(field->Text(), u"Bj\u00f6rn");
  EXPECT_EQ(field->Bounds(), (Rect{5, 5, 170, 20}));

  std::vector<bool> toggles;
  auto check = CreateCheckBox(*w.window, Rect{5, 30, 200, 20}, u"Replace", [&](bool on) { toggles.push_back(on); });
  check->SetChecked(true);
  EXPECT_TRUE(check->IsChecked());
  EXPECT_TRUE(toggles.empty());
  QTest::mouseClick(Find<QCheckBox>(*w.window), Qt::LeftButton, {}, QPoint(5, 10));
  EXPECT_EQ(toggles, std::vector<bool>{false});

  auto combo = CreateComboBox(*w.window, Rect{5, 55, 145, 20}, {u"Deutsch", u"English"});
  combo->SetSelected(1);
  EXPECT_EQ(combo->Selected(), 1);

  std::vector<int> moves;
  auto track = CreateTrackBar(*w.window, Rect{5, 80, 145, 20}, 4, 30, [&](int v) { moves.push_back(v); });
  track->SetValue(9);
  EXPECT_EQ(track->Value(), 9);
  EXPECT_TRUE(moves.empty());
  QTest::keyClick(Find<QSlider>(*w.window), Qt::Key_Right);
  EXPECT_EQ(moves, std::vector<int>{10});
  track->SetValue(100);
  EXPECT_EQ(track->Value(), 30);

  std::vector<int> scrolled;
  auto bar = CreateScrollBar(*w.window, Rect{200, 0, 20, 250}, true, [&](int p) { scrolled.push_back(p); });
  bar->SetRange(400, 250);
  bar->SetPosition(500);
  EXPECT_EQ(bar->Position(), 150);
  EXPECT_TRUE(scrolled.empty());

  auto label = CreateHyperlinkLabel(*w.window, Rect{10, 26, 260, 16}, u"expat", u"https://example.invalid/");
  QLabel* shown = Find<QLabel>(*w.window);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->text(), QStringLiteral("expat"));
  EXPECT_TRUE(shown->styleSheet().contains(QStringLiteral("#0000ff")));
}

TEST(ControlsTest, ContainersHoldControlsAndTabPagesFillTheirPanel) {
  OpenWindow w(u"containers", WindowKind::Tool);
  auto area = CreateScrollArea(*w.window, Rect{150, 0, 350, 250});
  area->SetContentSize(350, 400);
  auto inside = CreateLabel(*area, Rect{5, 7, 150, 20}, u"User name");
  EXPECT_EQ(inside->Bounds(), (Rect{5, 7, 150, 20}));
  auto page = CreatePanel(*w.window, Rect{150, 0, 350, 250});
  auto button = CreateButton(*page, Rect{155, 100, 40, 40}, u"+", nullptr);
  page->SetVisible(false);
  EXPECT_FALSE(Find<QPushButton>(*w.window)->isVisible());

  auto tabs = CreateTabPanel(*w.window, Rect{10, 80, 300, 200});
  ControlParent& first = tabs->AddTab(u"quadrell");
  tabs->AddTab(u"expat XML parser");
  auto text = CreateTextField(first, Rect{0, 0, 10, 10}, u"licence", TextFieldOptions{.multiLine = true, .readOnly = true});
  text->FillParent();
  QTabWidget* panel = Find<QTabWidget>(*w.window);
  ASSERT_EQ(panel->count(), 2);
  EXPECT_EQ(panel->tabText(1), QStringLiteral("expat XML parser"));
  Settle();
  EXPECT_EQ(text->Bounds().width, panel->widget(0)->width());
  EXPECT_EQ(text->Text(), u"licence");
}

TEST(ControlsTest, AnImageControlShowsItsPictureAndReportsClicks) {
  OpenWindow w(u"pictures");
  Bitmap picture(16, 16);
  picture.SetPixel(3, 4, 0x0000FF);
  int clicks = 0;
  auto image = CreateImageControl(*w.window, Rect{62, 2, 16, 16}, picture, [&] { ++clicks; });
  QLabel* label = Find<QLabel>(*w.window);
  ASSERT_NE(label, nullptr);
  QImage shown = label->pixmap().toImage();
  EXPECT_EQ(shown.pixelColor(3, 4), QColor(255, 0, 0));
  QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(8, 8));
  EXPECT_EQ(clicks, 1);
}

TEST(ControlsTest, AButtonMayDestroyItsWindowFromItsOwnClick) {
  auto w = std::make_unique<OpenWindow>(u"ok button", WindowKind::Tool);
  std::unique_ptr<Button> ok;
  ok = CreateButton(*w->window, Rect{200, 260, 100, 20}, u"OK", [&] {
    ok.reset();
    w->window.reset();
  });
  QTest::mouseClick(Find<QPushButton>(*w->window), Qt::LeftButton);
  EXPECT_EQ(ok, nullptr);
  EXPECT_EQ(w->window, nullptr);
  w.reset();
}

TEST(DialogsTest, FiltersBecomeQtNameFilters) {
  struct Case {
    std::u16string filter;
    QStringList expected;
  } cases[] = {
      {u"Microsoft Excel (*.xlsx)|*.xlsx|Comma Separated Values (*.csv)|*.csv",
       {QStringLiteral("Microsoft Excel (*.xlsx)"), QStringLiteral("Comma Separated Values (*.csv)")}},
      {u"Images|*.jpg;*.jpeg;*.bmp;*.png", {QStringLiteral("Images (*.jpg *.jpeg *.bmp *.png)")}},
      {u"", {}},
      {u"Dangling name", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(qt::NameFiltersOf(c.filter), c.expected);
}

using test::Answer;

TEST(DialogsTest, TheUsersAnswersComeBack) {
  OpenWindow w(u"dialogs");
  Answer([](QWidget* d) {
    auto* input = qobject_cast<QInputDialog*>(d);
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->textValue(), QStringLiteral("http://"));
    input->setTextValue(QStringLiteral("https://quadrell.invalid"));
    input->accept();
  });
  EXPECT_EQ(AskText(w.window.get(), u"Hyperlink", u"Link:", u"http://"), std::u16string(u"https://quadrell.invalid"));
  Answer([](QWidget* d) { qobject_cast<QDialog*>(d)->reject(); });
  EXPECT_EQ(AskText(w.window.get(), u"Hyperlink", u"Link:", u""), std::nullopt);

  for (bool yes : {true, false}) {
    Answer([yes](QWidget* d) {
      auto* box = qobject_cast<QMessageBox*>(d);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text(), QStringLiteral("Replace Book.xlsx?"));
      box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    EXPECT_EQ(AskYesNo(w.window.get(), u"Exists", u"Replace Book.xlsx?"), yes);
  }

  Answer([](QWidget* d) {
    auto* colours = qobject_cast<QColorDialog*>(d);
    ASSERT_NE(colours, nullptr);
    EXPECT_EQ(colours->currentColor(), QColor(0x12, 0x34, 0x56));
    colours->setCurrentColor(QColor(255, 0, 0));
    colours->accept();
  });
  EXPECT_EQ(ChooseColour(w.window.get(), RgbColour(0x12, 0x34, 0x56)), std::optional<Colour>(0x0000FF));
}

TEST(DialogsTest, TheSaveDialogTellsThePathAndTheChosenPattern) {
  test::TempFolder folder;
  OpenWindow w(u"files");
  const std::u16string filter = u"Microsoft Excel (*.xlsx)|*.xlsx|Comma Separated Values (*.csv)|*.csv";
  std::string target = folder.File("out.csv");
  Answer([&](QWidget* d) {
    auto* files = qobject_cast<QFileDialog*>(d);
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->selectedNameFilter(), QStringLiteral("Microsoft Excel (*.xlsx)"));
    files->selectNameFilter(QStringLiteral("Comma Separated Values (*.csv)"));
    files->selectFile(QString::fromStdString(target));
    static_cast<QDialog*>(files)->accept();
  });
  FileChoice choice = AskSaveFile(w.window.get(), u"Save", filter);
  EXPECT_EQ(choice.path, std::u16string(target.begin(), target.end()));
  EXPECT_EQ(choice.pattern, 1);

  Answer([](QWidget* d) { qobject_cast<QDialog*>(d)->reject(); });
  EXPECT_TRUE(AskOpenFile(w.window.get(), u"Open", filter, 1).path.empty());
}

}  // namespace
}  // namespace quadrell
