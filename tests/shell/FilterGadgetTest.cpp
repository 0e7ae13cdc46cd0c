// The filter dropdown as the grid's filter button opens it: the value list,
// the search, "all" and "none", apply and cancel against the model's filter,
// the sorts as undo steps, and a list longer than the dropdown.
#include "../view/SheetViewTestSupport.h"
#include "context/ApplicationContext.h"
#include "model/Filter.h"
#include "shell/commands/Commands.h"
#include "shell/popups/FilterGadget.h"
#include "value/Unicode.h"

namespace quadrell {
namespace {

using test::CanvasWidgetOf;
using test::Settle;

class FilterGadgetTest : public test::SheetWindowTest {
 protected:
  // Column B from row 1: the header, then the texts (an empty text leaves the cell out).
  void Table(std::initializer_list<const char16_t*> texts) {
    int32_t row = 1;
    sheet()->GetCellDirect(row, 0)->SetInput(u"Nr");
    sheet()->GetCellDirect(row, 1)->SetInput(u"Stadt");
    for (const char16_t* text : texts) {
      ++row;
      sheet()->GetCellDirect(row, 0)->SetInput(AsciiToUtf16(std::to_string(row)));
      if (*text) sheet()->GetCellDirect(row, 1)->SetInput(text);
    }
    Select(0, 1, 1, row);
    RunToolbarCommand(*app, kItemToggleFilter);
    ASSERT_NE(sheet()->GetFilter(), nullptr);
    Settle();
  }
  FilterGadget& Open(int32_t column = 1) {
    Rect box = view->CellBox(1, column);
    Click(QPoint(box.Right() - 8, box.y + 8));
    Settle();
    EXPECT_NE(FilterGadget::OpenDropdown(), nullptr);
    return *FilterGadget::OpenDropdown();
  }
  qt::CanvasWidget* Widget() const { return CanvasWidgetOf(*FilterGadget::OpenDropdown()->GetCanvas()); }
  void ClickAt(QPoint at) {
    ASSERT_NE(FilterGadget::OpenDropdown(), nullptr);
    QTest::mouseClick(Widget(), Qt::LeftButton, {}, at);
    Settle();
  }
  // The k-th listed row, on its label.
  void ClickRow(int k) { ClickAt(QPoint(60, FilterGadget::kListTop + 20 * k + 10)); }
  void ClickApply() { ClickAt(QPoint(50, 335)); }
  void PressKey(Qt::Key key) {
    QTest::keyClick(Widget(), key);
    Settle();
  }
  std::vector<std::u16string> ListedTexts() const {
    FilterGadget& d = *FilterGadget::OpenDropdown();
    std::vector<std::u16string> texts;
    for (int32_t i : d.Listed()) texts.push_back(d.Values()[static_cast<size_t>(i)].text);
    return texts;
  }
  std::vector<bool> ListedChecks() const {
    FilterGadget& d = *FilterGadget::OpenDropdown();
    std::vector<bool> checks;
    for (int32_t i : d.Listed()) checks.push_back(d.IsChecked(i));
    return checks;
  }
  void Wheel(int delta) {
    QWheelEvent wheel(QPointF(60, 150), Widget()->mapToGlobal(QPointF(60, 150)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Widget(), &wheel);
    Settle();
  }
  long Unchecked() const {
    std::vector<bool> checks = ListedChecks();
    return std::count(checks.begin(), checks.end(), false);
  }
  // Column B of the shown rows below the header, up to the first hidden one.
  std::vector<std::u16string> ShownColumn(int32_t rows) const {
    std::vector<std::u16string> shown;
    for (int32_t r = 2; r < 2 + rows; ++r) {
      if (sheet()->GetFilter()->GetSourceRow(r) == 0) break;
      shown.push_back(Shown(r, 1));
    }
    return shown;
  }
};

TEST_F(FilterGadgetTest, TheButtonListsEachValueOnceNumbersFirstAndTheEmptyOneLast) {
  Table({u"bern", u"10", u"", u"Aarau", u"9", u"bern", u"Bern"});
  Rect box = view->CellBox(1, 1);
  FilterGadget& d = Open();
  EXPECT_EQ(d.Column(), 1);
  // Below the button, its left edge at the button's.
  Rect popup = d.ScreenRect();
  Rect canvasScreen = view->GetCanvas().ScreenRect();
  EXPECT_EQ(popup.x, canvasScreen.x + box.Right() - 15);
  EXPECT_GT(popup.y, canvasScreen.y + box.y);
  EXPECT_EQ(ListedTexts(), (std::vector<std::u16string>{u"9", u"10", u"Aarau", u"Bern", u"bern", u""}));
  EXPECT_EQ(ListedChecks(), std::vector<bool>(6, true));
  PressKey(Qt::Key_Escape);
  EXPECT_EQ(FilterGadget::OpenDropdown(), nullptr);
}

TEST_F(FilterGadgetTest, LeavingShowAllUnchecksOnlyTheClickedValueAndApplyIsOneUndoStep) {
  Table({u"Bern", u"Basel", u"Chur", u"Basel", u""});
  Open();
  ASSERT_EQ(ListedTexts(), (std::vector<std::u16string>{u"Basel", u"Bern", u"Chur", u""}));
  ClickRow(2);                                      // the label of "Chur"
  QTest::mouseClick(Widget(), Qt::LeftButton, {}, QPoint(10, FilterGadget::kListTop + 3 * 20 + 8));  // the box of "(leer)"
  Settle();
  EXPECT_EQ(ListedChecks(), (std::vector<bool>{true, true, false, false}));
  // Nothing changes before "apply".
  EXPECT_EQ(ShownColumn(5).size(), 5u);
  size_t undo = app->UndoCount();
  ClickApply();
  EXPECT_EQ(FilterGadget::OpenDropdown(), nullptr);
  EXPECT_EQ(ShownColumn(5), (std::vector<std::u16string>{u"Bern", u"Basel", u"Basel"}));
  EXPECT_EQ(app->UndoCount(), undo + 1);
  const ColumnFilterSettings* settings = sheet()->GetFilter()->GetColumnSettings(1);
  EXPECT_FALSE(settings->showAll);
  EXPECT_FALSE(settings->selected.at(u"Chur"));

  // Reopened, the list shows what applies; hidden values stay listed.
  Open();
  EXPECT_EQ(ListedTexts(), (std::vector<std::u16string>{u"Basel", u"Bern", u"Chur", u""}));
  EXPECT_EQ(ListedChecks(), (std::vector<bool>{true, true, false, false}));
  PressKey(Qt::Key_Escape);

  app->Undo();
  EXPECT_EQ(ShownColumn(5).size(), 5u);
  EXPECT_TRUE(sheet()->GetFilter()->GetColumnSettings(1)->showAll);
  app->Redo();
  EXPECT_EQ(ShownColumn(5), (std::vector<std::u16string>{u"Bern", u"Basel", u"Basel"}));
}

TEST_F(FilterGadgetTest, SearchNarrowsAsTypedAndAllNoneAndReturnActOnWhatIsListed) {
  Table({u"Bern", u"Basel", u"Chur", u"Bernina", u"Aarberg"});
  FilterGadget& d = Open();
  QTest::keyClicks(Widget(), "BER");
  Settle();
  EXPECT_EQ(d.SearchText(), u"BER");
  EXPECT_EQ(ListedTexts(), (std::vector<std::u16string>{u"Aarberg", u"Bern", u"Bernina"}));
  PressKey(Qt::Key_Backspace);
  PressKey(Qt::Key_Backspace);
  EXPECT_EQ(ListedTexts().size(), 4u);  // "b": Aarberg, Basel, Bern, Bernina
  QTest::keyClicks(Widget(), "ern");
  Settle();
  EXPECT_EQ(ListedTexts(), (std::vector<std::u16string>{u"Bern", u"Bernina"}));

  // "none" unchecks what is listed: nothing to apply, so neither the button nor Return applies.
  ClickAt(QPoint(70, 93));
  EXPECT_EQ(ListedChecks(), (std::vector<bool>{false, false}));
  EXPECT_FALSE(d.CanApply());
  ClickApply();
  PressKey(Qt::Key_Return);
  ASSERT_EQ(FilterGadget::OpenDropdown(), &d);
  EXPECT_EQ(ShownColumn(5).size(), 5u);
  // "all" checks them again; Return applies: what the search left out is hidden.
  ClickAt(QPoint(10, 93));
  EXPECT_EQ(ListedChecks(), (std::vector<bool>{true, true}));
  PressKey(Qt::Key_Return);
  EXPECT_EQ(FilterGadget::OpenDropdown(), nullptr);
  EXPECT_EQ(ShownColumn(5), (std::vector<std::u16string>{u"Bern", u"Bernina"}));

  // Escape and "cancel" change nothing, whatever was clicked.
  for (bool escape : {true, false}) {
    Open();
    ClickAt(QPoint(70, 93));
    ClickRow(0);
    if (escape) {
      PressKey(Qt::Key_Escape);
    } else {
      ClickAt(QPoint(180, 335));
    }
    EXPECT_EQ(FilterGadget::OpenDropdown(), nullptr);
    EXPECT_EQ(ShownColumn(5), (std::vector<std::u16string>{u"Bern", u"Bernina"}));
  }
}

TEST_F(FilterGadgetTest, EachSortIsOneUndoStepAndTheDropdownStaysOpen) {
  Table({u"bern", u"10", u"Aarau", u"9", u""});
  size_t undo = app->UndoCount();
  FilterGadget& d = Open();
  ClickAt(QPoint(40, 14));  // ascending
  EXPECT_EQ(FilterGadget::OpenDropdown(), &d);
  EXPECT_EQ(ShownColumn(5), (std::vector<std::u16string>{u"9", u"10", u"Aarau", u"bern", u""}));
  ClickAt(QPoint(40, 34));  // descending
  EXPECT_EQ(ShownColumn(5), (std::vector<std::u16string>{u"bern", u"Aarau", u"10", u"9", u""}));
  EXPECT_EQ(Shown(2, 0), u"2") << "whole rows move";
  EXPECT_EQ(app->UndoCount(), undo + 2);
  PressKey(Qt::Key_Escape);
  app->Undo();
  EXPECT_EQ(ShownColumn(5), (std::vector<std::u16string>{u"9", u"10", u"Aarau", u"bern", u""}));
  app->Undo();
  EXPECT_EQ(ShownColumn(5), (std::vector<std::u16string>{u"bern", u"10", u"Aarau", u"9", u""}));
}

TEST_F(FilterGadgetTest, ALongListScrollsAndAThumbDragIsNoClick) {
  std::vector<std::u16string> texts;
  for (int i = 0; i < 300; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "v%03d", i);
    texts.push_back(AsciiToUtf16(name));
  }
  sheet()->GetCellDirect(1, 1)->SetInput(u"Wert");
  for (int i = 0; i < 300; ++i) sheet()->GetCellDirect(i + 2, 1)->SetInput(texts[static_cast<size_t>(i)]);
  Select(1, 1, 1, 301);
  RunToolbarCommand(*app, kItemToggleFilter);
  Settle();
  FilterGadget& d = Open();
  ASSERT_EQ(d.Listed().size(), 300u);
  Wheel(-120);
  ASSERT_LT(d.Scroll(), 0);
  // The row under the pointer after scrolling is the one toggled.
  int64_t first = -d.Scroll() / FilterGadget::kRowHeight;
  ClickRow(0);
  EXPECT_FALSE(d.IsChecked(static_cast<int32_t>(first)));
  EXPECT_EQ(Unchecked(), 1);

  // Back at the top, the thumb dragged to the bottom shows the last value and toggles nothing.
  Wheel(240);
  ASSERT_EQ(d.Scroll(), 0);
  int x = FilterGadget::kWidth - FilterGadget::kScrollBarWidth + 2;
  int thumbY = FilterGadget::kListTop + 2;
  QPoint from(x, thumbY + 1);
  QTest::mousePress(Widget(), Qt::LeftButton, {}, from);
  for (int k = 1; k <= 4; ++k) QTest::mouseMove(Widget(), QPoint(x, thumbY + 1 + 60 * k));
  QTest::mouseRelease(Widget(), Qt::LeftButton, {}, QPoint(x, thumbY + 241));
  Settle();
  EXPECT_EQ(d.Scroll(), FilterGadget::kListHeight - 300 * FilterGadget::kRowHeight);
  EXPECT_EQ(Unchecked(), 1);
  // Below the bottom nothing scrolls further.
  PressKey(Qt::Key_PageDown);
  EXPECT_EQ(d.Scroll(), FilterGadget::kListHeight - 300 * FilterGadget::kRowHeight);
  ClickRow(10);
  EXPECT_FALSE(d.IsChecked(299));
}

TEST(FilterTextsTest, TheGermanTextsOfTheDropdownAndTheTabMenu) {
  struct Case {
    const char* key;
    const char16_t* german;
    const char16_t* english;
  } cases[] = {
      {"filter:sortAscending", u"A->Z Sortieren", u"Sort A to Z"},
      {"filter:sortDescending", u"Z->A Sortieren", u"Sort Z to A"},
      {"filter:byValues", u"Nach Werten Filtern:", u"Filter by values:"},
      {"filter:all", u"Alle", u"All"},
      {"filter:none", u"Kein", u"None"},
      {"filter:empty", u"(leer)", u"(empty)"},
      {"filter:apply", u"Anwenden", u"Apply"},
      {"filter:cancel", u"Abbrechen", u"Cancel"},
      {"popup:sheet:rename", u"Umbenennen", u"Rename"},
      {"popup:sheet:colour", u"Farbe", u"Colour"},
      {"popup:sheet:delete", u"L\u00F6schen", u"Delete"},
  };
  LoadLanguage(u"de");
  for (const Case& c : cases) EXPECT_EQ(Text(c.key), c.german) << c.key;
  LoadLanguage(u"en");
  for (const Case& c : cases) EXPECT_EQ(Text(c.key), c.english) << c.key;
}

}  // namespace
}  // namespace quadrell
