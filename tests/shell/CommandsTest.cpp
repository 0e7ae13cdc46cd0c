// The window's commands as a user reaches them: through the shortcuts and the
// command functions the toolbar and the start menu call, with the real dialogs
// answered as a user answers them.
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "../view/SheetViewTestSupport.h"
#include "TestSupport.h"
#include "context/ApplicationContext.h"
#include "loadsave/LoadSaveCsvTsv.h"
#include "loadsave/LoadSaveXlsx.h"
#include "model/Column.h"
#include "model/Filter.h"
#include "model/Font.h"
#include "platform/Files.h"
#include "shell/RecoveryCopies.h"
#include "shell/Startup.h"
#include "shell/commands/Commands.h"
#include "shell/commands/DataCommands.h"
#include "shell/commands/FileCommands.h"
#include "shell/commands/InsertCommands.h"
#include "shell/commands/StyleCommands.h"
#include "value/Unicode.h"

namespace quadrell {
namespace {

using test::Answer;
using test::WaitFor;

std::u16string U16(const std::string& text) { return Utf8ToUtf16(text); }

using test::Box;

// The path typed into the file dialog, the pattern chosen, accepted.
std::function<void(QWidget*)> File(const std::string& path, int pattern = -1) {
  return [path, pattern](QWidget* d) {
    auto* files = qobject_cast<QFileDialog*>(d);
    ASSERT_NE(files, nullptr);
    if (pattern >= 0) files->selectNameFilter(files->nameFilters().at(pattern));
    files->selectFile(QString::fromStdString(path));
    static_cast<QDialog*>(files)->accept();
  };
}

std::function<void(QWidget*)> Cancelled() {
  return [](QWidget* d) { qobject_cast<QDialog*>(d)->reject(); };
}

void AnswerBox(QMessageBox::StandardButton button, QString* text = nullptr) { Answer(Box(button, text)); }
void RejectDialog() { Answer(Cancelled()); }

class CommandsTest : public test::SheetWindowTest {
 protected:
  Workbook& book() const { return container->GetWorkbook(); }
  void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  // After a dialog the window must have the keyboard again for its shortcuts
  // (a window manager gives it back; the offscreen platform does not).
  void Reactivate() {
    app->GetWindow().Activate();
    ASSERT_TRUE(QTest::qWaitForWindowActive(test::WidgetOf(app->GetWindow())));
    view->GetCanvas().Focus();
  }
  bool IsBold(int32_t row, int32_t column) const { return CellAt(row, column)->GetStyle()->font->IsBold(); }

  test::TempFolder folder;
};

TEST_F(CommandsTest, ClosingWithUnsavedWorkAsksAndCancelKeepsEverything) {
  CellAt(1, 0)->SetInput(u"12");
  ASSERT_FALSE(book().IsModified());  // a model change without an undo record is no user edit
  Select(0, 1, 0, 1);
  Type("34");
  Key(Qt::Key_Return);
  ASSERT_TRUE(book().IsModified());

  QString asked;
  AnswerBox(QMessageBox::Cancel, &asked);
  RequestClose(*app);
  EXPECT_EQ(asked, QStringLiteral("Save changes to unknown?"));
  ASSERT_EQ(WindowMap().size(), 1u);
  EXPECT_EQ(Input(1, 0), u"34");

  // Yes on an untitled workbook asks for a file; cancelling that keeps the window too.
  test::AnswerInTurn({Box(QMessageBox::Yes), Cancelled()});
  RequestClose(*app);
  ASSERT_EQ(WindowMap().size(), 1u);

  // Yes, then a file: written, then closed.
  std::string path = folder.File("kept.xlsx");
  test::AnswerInTurn({Box(QMessageBox::Yes), File(path)});
  RequestClose(*app);
  EXPECT_TRUE(WindowMap().empty());
  std::unique_ptr<Workbook> reread = LoadXlsx(path, nullptr);
  ASSERT_NE(reread, nullptr);
  EXPECT_EQ(reread->GetActiveSheet()->GetCellText(1, 0), u"34");
  SetUp();  // the fixture's window for the tear-down
}

TEST_F(CommandsTest, NoGivesTheWorkUpAndAnUnmodifiedWindowClosesWithoutAsking) {
  Type("1");
  Key(Qt::Key_Return);
  AnswerBox(QMessageBox::No);
  RequestClose(*app);
  EXPECT_TRUE(WindowMap().empty());
  SetUp();
  RequestClose(*app);  // nothing to ask: no dialog may block here
  EXPECT_TRUE(WindowMap().empty());
  SetUp();
}

TEST_F(CommandsTest, OpenReplacesTheWorkbookOnlyWhenTheFileCanBeRead) {
  Type("typed");
  Key(Qt::Key_Return);
  Workbook* before = &book();
  std::string broken = folder.File("broken.xlsx");
  WriteText(broken, "PK\x03\x04 not really a package");
  AnswerBox(QMessageBox::Ok);
  EXPECT_FALSE(OpenIntoWindow(*app, U16(broken)));
  EXPECT_EQ(&book(), before);
  EXPECT_EQ(Input(1, 0), u"typed");
  EXPECT_EQ(app->UndoCount(), 1u);

  // The extension picks the reader whatever pattern the dialog showed.
  std::string csv = folder.File("Data.CSV");
  WriteText(csv, "1;2\r\nthree;4\r\n");
  EXPECT_TRUE(OpenIntoWindow(*app, U16(csv), 0));
  EXPECT_NE(&book(), before);
  EXPECT_EQ(Shown(2, 0), u"three");
  EXPECT_EQ(book().GetFileType(), kFileTypeCsv);
  EXPECT_FALSE(book().IsModified());
  EXPECT_EQ(app->UndoCount(), 0u);
  EXPECT_EQ(app->GetWindow().Title(), u"Data.CSV - quadrell 0.56");
  EXPECT_EQ(view->GetSheet(), book().GetActiveSheet());
  ASSERT_NE(GetContext().GetRecentFiles(), nullptr);
  EXPECT_EQ(GetContext().GetRecentFiles()->path, U16(csv));
}

TEST_F(CommandsTest, AFileReadOnlyInPartSaysSoAndIsNotOverwrittenBySave) {
  // One line of more fields than the grid has columns.
  std::string wide = folder.File("wide.csv");
  std::string line;
  for (int i = 0; i <= 16384; ++i) line += "1;";
  WriteText(wide, line + "\r\n");
  QString said;
  AnswerBox(QMessageBox::Ok, &said);
  ASSERT_TRUE(OpenIntoWindow(*app, U16(wide)));
  EXPECT_FALSE(said.isEmpty());
  EXPECT_EQ(Shown(1, 0), u"1");
  EXPECT_EQ(book().GetFileType(), kFileTypeNone);  // Ctrl+S asks for a new file
}

TEST_F(CommandsTest, OpenThroughTheDialogAsksAboutUnsavedWorkFirst) {
  Type("typed");
  Key(Qt::Key_Return);
  AnswerBox(QMessageBox::Cancel);
  OpenWithDialog(*app);  // cancelled at the question: no file dialog follows
  EXPECT_EQ(Input(1, 0), u"typed");

  std::string tsv = folder.File("t.tsv");
  WriteText(tsv, "a\tb\r\n");
  test::AnswerInTurn({Box(QMessageBox::No), File(tsv, 2)});
  OpenWithDialog(*app);
  EXPECT_EQ(Shown(1, 1), u"b");
  EXPECT_EQ(book().GetFileType(), kFileTypeTsv);
}

TEST_F(CommandsTest, AFailedSaveIsReportedAndChangesNothing) {
  Type("5");
  Key(Qt::Key_Return);
  std::string nowhere = folder.File("missing-folder/Book.xlsx");
  QString said;
  AnswerBox(QMessageBox::Ok, &said);
  EXPECT_FALSE(SaveTo(*app, U16(nowhere), 0));
  EXPECT_TRUE(said.contains(QStringLiteral("Book.xlsx")));
  EXPECT_EQ(book().GetFileType(), kFileTypeNone);
  EXPECT_TRUE(book().IsModified());
  EXPECT_EQ(app->GetWindow().Title(), u"unknown - quadrell 0.56");

  // A good save makes the file the window's: Ctrl+S then writes back to it.
  std::string path = folder.File("Book.xlsx");
  ASSERT_TRUE(SaveTo(*app, U16(path), 0));
  EXPECT_FALSE(book().IsModified());
  EXPECT_EQ(app->GetWindow().Title(), u"Book.xlsx - quadrell 0.56");
  Reactivate();
  Select(0, 2, 0, 2);
  Type("6");
  Key(Qt::Key_Return);
  Shortcut(Qt::Key_S);
  EXPECT_FALSE(book().IsModified());
  EXPECT_EQ(LoadXlsx(path, nullptr)->GetActiveSheet()->GetCellText(2, 0), u"6");

  // The old file survives a failed write over it.
  std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (::access(folder.Path().c_str(), W_OK) != 0) {  // root may write anyway
    AnswerBox(QMessageBox::Ok);
    Type("7");
    Key(Qt::Key_Return);
    EXPECT_FALSE(Save(*app));
    EXPECT_TRUE(book().IsModified());
  }
  std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_all);
  EXPECT_EQ(LoadXlsx(path, nullptr)->GetActiveSheet()->GetCellText(2, 0), u"6");
}

TEST_F(CommandsTest, SaveAsAsksBeforeReplacingAndExportsPdfWithoutTakingTheFile) {
  std::string existing = folder.File("Old.xlsx");
  WriteText(existing, "old bytes");
  QString asked;
  test::AnswerInTurn({File(existing), Box(QMessageBox::No, &asked)});
  EXPECT_FALSE(SaveAs(*app));
  EXPECT_EQ(asked, QStringLiteral("File Old.xlsx already exists. Override?"));
  EXPECT_EQ(*ReadWholeFile(existing), "old bytes");

  // A name without extension takes the chosen pattern's.
  Answer(File(folder.File("Report"), 3));
  EXPECT_TRUE(SaveAs(*app));
  EXPECT_TRUE(std::filesystem::exists(folder.File("Report.pdf")));
  EXPECT_EQ(book().GetFileType(), kFileTypeNone);
  EXPECT_EQ(app->GetWindow().Title(), u"unknown - quadrell 0.56");

  // Several sheets as CSV: told once that only the active sheet goes.
  book().AddSheet();
  QString told;
  test::AnswerInTurn({File(folder.File("Two.csv")), Box(QMessageBox::Ok, &told)});
  EXPECT_TRUE(SaveAs(*app));
  EXPECT_EQ(told, QStringLiteral("Only the active sheet is written to this file type."));
  EXPECT_EQ(book().GetFileType(), kFileTypeCsv);
}

TEST_F(CommandsTest, StyleChangesAreOneUndoStepAndTheFirstCellDecidesTheDirection) {
  CellAt(1, 0)->SetInput(u"a");
  Select(0, 1, 0, 1);
  Shortcut(Qt::Key_B);  // A1 bold
  ASSERT_TRUE(IsBold(1, 0));
  Select(0, 1, 1, 2);  // A1 bold, the others not: all become not bold
  size_t steps = app->UndoCount();
  Shortcut(Qt::Key_B);
  for (auto [r, c] : {std::pair{1, 0}, {1, 1}, {2, 0}, {2, 1}}) EXPECT_FALSE(IsBold(r, c));
  EXPECT_EQ(app->UndoCount(), steps + 1);
  Shortcut(Qt::Key_Z);
  EXPECT_TRUE(IsBold(1, 0));
  EXPECT_FALSE(IsBold(2, 1));

  // Text flow three times is back where it started.
  uint8_t flow = CellAt(1, 0)->GetStyle()->textFlow;
  for (int i = 0; i < 3; ++i) RunToolbarCommand(*app, kItemTextFlow);
  EXPECT_EQ(CellAt(1, 0)->GetStyle()->textFlow, flow);

  // A whole column: the column's style and its cells with styles of their own; nothing created.
  Select(0, -1, 0, -1);
  SetFillColour(*app, 0x00FF00);
  EXPECT_EQ(sheet()->GetColumn(0)->GetStyle()->fillColor, 0x00FF00u);
  EXPECT_EQ(CellAt(1, 0)->GetStyle()->fillColor, 0x00FF00u);
  EXPECT_EQ(sheet()->FindRow(50), nullptr);
  app->Undo();
  EXPECT_EQ(sheet()->GetColumn(0)->GetStyle()->fillColor, kWhite);
  EXPECT_EQ(CellAt(1, 0)->GetStyle()->fillColor, kWhite);
}

TEST_F(CommandsTest, PercentMakesNewValuesAndLeavesSharedOnesAndTextsAlone) {
  CellAt(1, 0)->SetInput(u"0,25");
  CellAt(2, 0)->SetInput(u"words");
  CellAt(1, 1)->SetInput(u"0,25");  // the same pooled value, outside the selection
  CellAt(3, 0)->SetInput(u"=A1*2");
  Select(0, 1, 0, 3);
  PercentFormat(*app);
  EXPECT_EQ(Shown(1, 0), u"25%");
  EXPECT_EQ(Shown(3, 0), u"50%");
  EXPECT_EQ(Shown(2, 0), u"words");
  EXPECT_EQ(Shown(1, 1), u"0,25");
  EXPECT_EQ(app->UndoCount(), 1u);
  app->Undo();
  EXPECT_EQ(Shown(1, 0), u"0,25");
  EXPECT_EQ(Shown(3, 0), u"0,5");
  EXPECT_EQ(Input(3, 0), u"=A1*2");
  app->Redo();
  EXPECT_EQ(Shown(1, 0), u"25%");
}

TEST_F(CommandsTest, HyperlinkCancelChangesNothingAndALinkIsOneUndoStep) {
  Select(2, 4, 2, 4);
  RejectDialog();
  InsertHyperlink(*app);
  EXPECT_EQ(sheet()->FindRow(4), nullptr);
  EXPECT_EQ(app->UndoCount(), 0u);

  test::AnswerInTurn({[](QWidget* d) {
                        auto* input = qobject_cast<QInputDialog*>(d);
                        ASSERT_NE(input, nullptr);
                        input->setTextValue(QStringLiteral("https://example.org/page"));
                        input->accept();
                      },
                      [](QWidget* second) {
                        auto* shown = qobject_cast<QInputDialog*>(second);
                        ASSERT_NE(shown, nullptr);
                        EXPECT_EQ(shown->textValue(), QStringLiteral("example.org"));
                        shown->reject();  // the second box cancelled: still nothing
                      }});
  InsertHyperlink(*app);
  EXPECT_EQ(app->UndoCount(), 0u);

  SetHyperlink(*app, u"https://example.org/page", u"");
  const Value* link = CellAt(4, 2)->GetValue();
  EXPECT_EQ(link->Kind(), ValueKind::Hyperlink);
  EXPECT_EQ(Shown(4, 2), u"https://example.org/page");
  app->Undo();
  EXPECT_EQ(CellAt(4, 2)->GetValue()->Kind(), ValueKind::Empty);
}

TEST_F(CommandsTest, DataRegionGrowsOverTouchingCellsAndStopsAtTheSheetsEdges) {
  // A block B2:C4 with a cell touching its corner, and two cells apart.
  for (auto [r, c] : {std::pair{2, 1}, {2, 2}, {3, 1}, {4, 2}, {5, 3}, {2, 6}, {8, 0}}) CellAt(r, c)->SetInput(u"x");
  struct Case {
    int32_t row, column;
    DataBlock expected;
  } cases[] = {
      {3, 2, {1, 2, 3, 5}},  // inside: B2:D5, the corner cell joins
      {2, 6, {6, 2, 6, 2}},  // alone
      {1, 0, {0, 1, 3, 5}},  // the empty first cell of the sheet touches the block
      {9, 0, {0, 8, 0, 9}},  // grows up to A8
  };
  for (const Case& c : cases) {
    DataBlock b = DataRegion(*sheet(), c.row, c.column);
    EXPECT_EQ(std::tuple(b.firstColumn, b.firstRow, b.lastColumn, b.lastRow),
              std::tuple(c.expected.firstColumn, c.expected.firstRow, c.expected.lastColumn, c.expected.lastRow))
        << "from row " << c.row << " column " << c.column;
  }
}

TEST_F(CommandsTest, TheFilterGoesOverTheDataAroundASingleCell) {
  for (int32_t r = 1; r <= 4; ++r) {
    CellAt(r, 0)->SetInput(r == 1 ? u"Name" : u"n");
    CellAt(r, 1)->SetInput(u"1");
  }
  Select(1, 3, 1, 3);
  RunToolbarCommand(*app, kItemToggleFilter);
  ASSERT_NE(sheet()->GetFilter(), nullptr);
  EXPECT_EQ(sheet()->GetFilter()->GetRange()->GetLastRow(), 4);
  EXPECT_EQ(sheet()->GetFilter()->GetRange()->GetLastColumn(), 1);
  RunToolbarCommand(*app, kItemToggleFilter);
  EXPECT_EQ(sheet()->GetFilter(), nullptr);
  Select(0, -1, 0, -1);
  RunToolbarCommand(*app, kItemToggleFilter);
  EXPECT_EQ(sheet()->GetFilter(), nullptr);
}

TEST_F(CommandsTest, FixViewFreezesAboveAndLeftOfTheActiveCellAndTheSheetKeepsIt) {
  Select(2, 3, 2, 3);  // C3
  RunToolbarCommand(*app, kItemFixView);
  ASSERT_TRUE(view->GetFrozenRange().has_value());
  const Sheet::FrozenPanes& panes = sheet()->GetFrozenPanes();
  EXPECT_EQ(std::tuple(panes.firstColumn, panes.firstRow, panes.scrollColumn, panes.scrollRow), std::tuple(0, 1, 2, 3));
  // Another sheet shows its own panes (none); coming back shows these again.
  Sheet* first = sheet();
  book().SetActiveSheet(book().AddSheet());
  EXPECT_FALSE(view->GetFrozenRange().has_value());
  book().SetActiveSheet(first);
  EXPECT_TRUE(view->GetFrozenRange().has_value());
  RunToolbarCommand(*app, kItemFixView);
  EXPECT_FALSE(view->GetFrozenRange().has_value());
  EXPECT_FALSE(sheet()->GetFrozenPanes().Any());
}

TEST_F(CommandsTest, ShortcutsSwitchSheetsAndOpenNewWindows) {
  Sheet* first = sheet();
  Sheet* second = book().AddSheet();
  Shortcut(Qt::Key_PageDown);
  EXPECT_EQ(book().GetActiveSheet(), second);
  EXPECT_EQ(view->GetSheet(), second);
  Shortcut(Qt::Key_PageDown);  // no further sheet
  EXPECT_EQ(book().GetActiveSheet(), second);
  Shortcut(Qt::Key_PageUp);
  EXPECT_EQ(view->GetSheet(), first);

  Shortcut(Qt::Key_N);
  EXPECT_EQ(WindowMap().size(), 2u);
}

TEST_F(CommandsTest, TheCommandLineFileBecomesTheWindowsFileAndAMissingOneIsReported) {
  std::string path = folder.File("Start.xlsx");
  {
    Workbook written(u"x", nullptr);
    written.GetActiveSheet()->GetCellDirect(1, 0)->SetInput(u"hello");
    ASSERT_TRUE(SaveXlsx(written, path));
  }
  ASSERT_TRUE(OpenAtStart(*app, path));
  EXPECT_EQ(app->GetWindow().Title(), u"Start.xlsx - quadrell 0.56");
  EXPECT_EQ(book().GetFileType(), kFileTypeXlsx);
  Workbook* shown = &book();
  QString said;
  AnswerBox(QMessageBox::Ok, &said);
  EXPECT_FALSE(OpenAtStart(*app, folder.File("missing.xlsx")));
  EXPECT_EQ(said, QStringLiteral("Cannot open the file."));
  EXPECT_EQ(&book(), shown);
}

TEST_F(CommandsTest, RecoveryCopiesFollowUnsavedWorkAndAreOfferedWhenLeftBehind) {
  EXPECT_FALSE(KeepRecoveryCopy(*app));  // nothing unsaved
  Type("precious");
  Key(Qt::Key_Return);
  ASSERT_TRUE(KeepRecoveryCopy(*app));
  FinishRecoveryCopy(*app);
  std::string copy = RecoveryCopyOf(*app);
  ASSERT_FALSE(copy.empty());
  std::unique_ptr<Workbook> kept = LoadXlsx(copy, nullptr);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->GetActiveSheet()->GetCellText(1, 0), u"precious");
  // A running program's own copies are no orphans.
  EXPECT_TRUE(OrphanedRecoveryCopies().empty());

  // A copy left by a program that died (its session is gone) is offered; Yes opens it as unsaved work.
  std::string left = GetContext().Folder() + "20260101120000-ABC.xlsx";
  std::filesystem::copy_file(copy, left);
  ASSERT_EQ(OrphanedRecoveryCopies(), std::vector<std::string>{left});
  AnswerBox(QMessageBox::Yes);
  EXPECT_EQ(OfferRecoveryCopies(), 1);
  ASSERT_EQ(WindowMap().size(), 2u);
  auto& recovered = static_cast<SheetContainer&>(WindowMap().back()->GetContainer()).GetWorkbook();
  EXPECT_EQ(recovered.GetActiveSheet()->GetCellText(1, 0), u"precious");
  EXPECT_TRUE(recovered.IsModified());

  // Saving drops the window's copy.
  std::string path = folder.File("saved.xlsx");
  ASSERT_TRUE(SaveTo(*app, U16(path), 0));
  EXPECT_FALSE(std::filesystem::exists(copy));
  // Closing the recovered window normally (giving the work up) removes its copy too.
  AnswerBox(QMessageBox::No);
  RequestClose(*WindowMap().back());
  EXPECT_FALSE(std::filesystem::exists(left));
}

}  // namespace
}  // namespace quadrell
