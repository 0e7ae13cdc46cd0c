// Find and replace as a user runs it: Ctrl+F or the search item opens the
// dialog, the text is typed into its field, Next and Replace All are clicked
// (or Return pressed), and undo takes the changes back.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "../view/SheetViewTestSupport.h"
#include "model/Column.h"
#include "shell/commands/Commands.h"
#include "shell/commands/FindCommands.h"
#include "shell/dialogs/FindWindow.h"

namespace quadrell {
namespace {

class FindWindowTest : public test::SheetWindowTest {
 protected:
  FindWindow& Open() {
    QTest::keyClick(canvas, Qt::Key_F, Qt::ControlModifier);
    auto* find = static_cast<FindWindow*>(app->GetFindDialog());
    EXPECT_NE(find, nullptr);
    QWidget* window = test::WidgetOf(find->GetWindow());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    return *find;
  }
  static QWidget* Widget(const Control& control) { return qt::WidgetOf(control); }
  void Search(FindWindow& find, const char* text) {
    auto* field = static_cast<QLineEdit*>(Widget(find.SearchField()));
    field->selectAll();
    QTest::keyClicks(field, text);
  }
  void ReplaceWith(FindWindow& find, const char* text) {
    auto* box = static_cast<QCheckBox*>(Widget(find.ReplaceBox()));
    if (!box->isChecked()) QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    auto* field = static_cast<QLineEdit*>(Widget(find.ReplaceField()));
    field->selectAll();
    QTest::keyClicks(field, text);
  }
  void Click(const Button& button) { QTest::mouseClick(Widget(button), Qt::LeftButton); }
  std::pair<int32_t, int32_t> Selected() const {
    return {view->GetSelection()->GetFirstRow(), view->GetSelection()->GetFirstColumn()};
  }
};

TEST_F(FindWindowTest, NextWalksTheShownTextsInOrderWrapsOnceAndSkipsHiddenCells) {
  CellAt(1, 1)->SetInput(u"apple");
  CellAt(2, 0)->SetInput(u"pineapple");
  CellAt(4, 2)->SetInput(u"=\"app\"&\"le\"");  // found by what it shows
  CellAt(3, 0)->SetInput(u"apple in a hidden row");
  sheet()->GetRow(3)->SetHidden(true);
  CellAt(5, 3)->SetInput(u"apple in a hidden column");
  sheet()->GetColumn(3)->SetHidden(true);
  CellAt(6, 0)->SetInput(u"pear");
  Select(0, 1, 0, 1);
  FindWindow& find = Open();
  Search(find, "apple");
  std::vector<std::pair<int32_t, int32_t>> visited;
  for (int k = 0; k < 4; ++k) {
    Click(find.NextButton());
    visited.push_back(Selected());
  }
  using P = std::pair<int32_t, int32_t>;
  EXPECT_EQ(visited, (std::vector<P>{P{1, 1}, P{2, 0}, P{4, 2}, P{1, 1}}));

  // Return in the search field is Next too; a text found nowhere leaves the selection.
  QTest::keyClick(Widget(find.SearchField()), Qt::Key_Return);
  EXPECT_EQ(Selected(), (P{2, 0}));
  Search(find, "cherry");
  Click(find.NextButton());
  EXPECT_EQ(Selected(), (P{2, 0}));
  // The only match, the active cell itself, is found again.
  Search(find, "pear");
  Select(0, 6, 0, 6);
  Click(find.NextButton());
  EXPECT_EQ(Selected(), (P{6, 0}));
}

TEST_F(FindWindowTest, AnEmptySearchDisablesTheButtonsAndReplaceNeedsTheCheckBox) {
  FindWindow& find = Open();
  EXPECT_FALSE(Widget(find.NextButton())->isEnabled());
  EXPECT_FALSE(Widget(find.ReplaceAllButton())->isEnabled());
  EXPECT_FALSE(Widget(find.ReplaceField())->isEnabled());
  Search(find, "x");
  EXPECT_TRUE(Widget(find.NextButton())->isEnabled());
  EXPECT_FALSE(Widget(find.ReplaceAllButton())->isEnabled());
  ReplaceWith(find, "y");
  EXPECT_TRUE(Widget(find.ReplaceAllButton())->isEnabled());
  EXPECT_TRUE(Widget(find.ReplaceField())->isEnabled());
  QTest::keyClick(Widget(find.SearchField()), Qt::Key_Backspace);
  EXPECT_FALSE(Widget(find.NextButton())->isEnabled());
  EXPECT_FALSE(Widget(find.ReplaceAllButton())->isEnabled());
  // Return with nothing to look for changes nothing.
  CellAt(1, 0)->SetInput(u"x");
  QTest::keyClick(Widget(find.SearchField()), Qt::Key_Return);
  EXPECT_EQ(Input(1, 0), u"x");
  EXPECT_EQ(app->UndoCount(), 0u);
}

TEST_F(FindWindowTest, ReplacingOneMatchAtATimeIsUndoneStepByStep) {
  CellAt(1, 0)->SetInput(u"cat and cat");
  CellAt(2, 0)->SetInput(u"=A3*2");
  CellAt(3, 0)->SetInput(u"4");
  Select(0, 1, 0, 1);
  FindWindow& find = Open();
  Search(find, "cat");
  ReplaceWith(find, "dog");
  Select(0, 1, 0, 1);
  Click(find.NextButton());  // wraps round to A1
  EXPECT_EQ(Input(1, 0), u"dog and dog");
  EXPECT_EQ(Selected(), (std::pair<int32_t, int32_t>{1, 0}));
  // With replacing, a formula is matched by its text, not by what it shows.
  Search(find, "A3");
  ReplaceWith(find, "A4");
  Click(find.NextButton());
  EXPECT_EQ(Input(2, 0), u"=A4*2");
  EXPECT_EQ(app->UndoCount(), 2u);
  app->Undo();
  EXPECT_EQ(Input(2, 0), u"=A3*2");
  EXPECT_EQ(Shown(2, 0), u"8");
  app->Undo();
  EXPECT_EQ(Input(1, 0), u"cat and cat");
}

TEST_F(FindWindowTest, ReplaceAllChangesEveryShownCellInOneUndoStep) {
  CellAt(1, 0)->SetInput(u"red");
  CellAt(40000, 300)->SetInput(u"red red");  // far out: only stored cells are visited
  CellAt(7, 2)->SetInput(u"blue");
  CellAt(8, 1)->SetInput(u"red but hidden");
  sheet()->GetRow(8)->SetHidden(true);
  size_t rowsBefore = 0;
  sheet()->ForEachRow([&](int32_t, const Row&) { ++rowsBefore; });
  FindWindow& find = Open();
  Search(find, "red");
  ReplaceWith(find, "green");
  Click(find.ReplaceAllButton());
  EXPECT_EQ(Input(1, 0), u"green");
  EXPECT_EQ(Input(40000, 300), u"green green");
  EXPECT_EQ(Input(7, 2), u"blue");
  EXPECT_EQ(Input(8, 1), u"red but hidden");
  size_t rowsAfter = 0;
  sheet()->ForEachRow([&](int32_t, const Row&) { ++rowsAfter; });
  EXPECT_EQ(rowsAfter, rowsBefore);
  ASSERT_EQ(app->UndoCount(), 1u);
  app->Undo();
  EXPECT_EQ(Input(1, 0), u"red");
  EXPECT_EQ(Input(40000, 300), u"red red");
  app->Redo();
  EXPECT_EQ(Input(40000, 300), u"green green");
  // Nothing left to replace: no undo step.
  Click(find.ReplaceAllButton());
  EXPECT_EQ(app->UndoCount(), 1u);
}

TEST_F(FindWindowTest, AnOpenEditIsCommittedToItsOwnCellBeforeTheSearch) {
  CellAt(3, 0)->SetInput(u"target");
  Select(0, 1, 0, 1);
  Type("typed");
  ASSERT_TRUE(view->IsEditing());
  // The search item of the toolbar opens the dialog as Ctrl+F does.
  RunToolbarCommand(*app, kItemSearch);
  auto* find = static_cast<FindWindow*>(app->GetFindDialog());
  ASSERT_NE(find, nullptr);
  Search(*find, "target");
  Click(find->NextButton());
  EXPECT_EQ(Input(1, 0), u"typed");
  EXPECT_EQ(Input(3, 0), u"target");
  EXPECT_EQ(Selected(), (std::pair<int32_t, int32_t>{3, 0}));
}

TEST_F(FindWindowTest, OneDialogPerWindowWhichEscapeCloses) {
  FindWindow& find = Open();
  QTest::keyClick(canvas, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(app->GetFindDialog(), &find);
  QTest::keyClick(Widget(find.SearchField()), Qt::Key_Escape);
  EXPECT_EQ(app->GetFindDialog(), nullptr);
  test::Settle();
}

TEST(ReplaceEveryTest, ReplacesLeftToRightWithoutOverlaps) {
  struct Case {
    std::u16string text, search, replacement, expected;
  } cases[] = {
      {u"aaa", u"aa", u"b", u"ba"},
      {u"abcabc", u"bc", u"", u"aa"},
      {u"x", u"x", u"xx", u"xx"},
      {u"none", u"q", u"z", u"none"},
      {u"text", u"", u"z", u"text"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceEvery(c.text, c.search, c.replacement), c.expected);
}

}  // namespace
}  // namespace quadrell
