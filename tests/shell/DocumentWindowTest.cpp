// The text-document window as a user meets it: opened from a DOCX file, typed
// into with the keyboard, formatted from the toolbar, undone, saved with the
// real dialogs, and the question about unsaved changes.
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include <fstream>

#include "../view/SheetViewTestSupport.h"
#include "TestSupport.h"
#include "document/Document.h"
#include "loadsave/LoadSaveDocx.h"
#include "model/Font.h"
#include "platform/Desktop.h"
#include "shell/DocumentContainer.h"
#include "shell/commands/Commands.h"
#include "shell/commands/DocumentCommands.h"
#include "shell/commands/FileCommands.h"
#include "value/Unicode.h"

namespace quadrell {
namespace {

using test::Answer;
using test::WaitFor;

using test::Box;

std::function<void(QWidget*)> File(const std::string& path) {
  return [path](QWidget* d) {
    auto* files = qobject_cast<QFileDialog*>(d);
    ASSERT_NE(files, nullptr);
    files->selectFile(QString::fromStdString(path));
    static_cast<QDialog*>(files)->accept();
  };
}

class DocumentWindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    while (!WindowMap().empty()) WindowMap().back()->Close();
    test::Settle();
  }

  // A DOCX file with two paragraphs, as another program would write it.
  std::string SampleFile() {
    Document document;
    document.GetParagraph(0).Append(u"Hello world", nullptr);
    document.AddParagraph().Append(u"Second", nullptr);
    std::string path = folder.File("sample.docx");
    EXPECT_TRUE(SaveDocx(document, path));
    return path;
  }

  void Open(const std::string& path) {
    app = OpenFile(Utf8ToUtf16(path));
    ASSERT_NE(app, nullptr);
    ASSERT_EQ(app->GetKind(), kKindTextDocument);
    ASSERT_TRUE(QTest::qWaitForWindowActive(test::WidgetOf(app->GetWindow())));
    container = DocumentOf(*app);
    canvas = test::CanvasOf(container->GetView().GetCanvas());
    ASSERT_NE(canvas, nullptr);
    container->GetView().GetCanvas().Focus();
    ASSERT_TRUE(WaitFor([&] { return container->GetView().GetCanvas().HasFocus(); }));
  }

  // Typed characters as a keyboard layout sends them, umlauts included.
  void TypeText(const QString& text) {
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QApplication::sendEvent(canvas, &press);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
      QApplication::sendEvent(canvas, &release);
    }
  }

  Document& document() const { return container->GetDocument(); }
  std::u16string Text(int32_t paragraph) const { return document().GetParagraph(paragraph).Text(); }

  test::TempFolder folder;
  Application* app = nullptr;
  DocumentContainer* container = nullptr;
  QWidget* canvas = nullptr;
};

TEST_F(DocumentWindowTest, TypingReturnBackspaceAndUndoFromTheKeyboard) {
  Open(SampleFile());
  EXPECT_EQ(app->GetWindow().Title(), WindowTitle(u"sample.docx"));
  EXPECT_FALSE(container->IsModified());
  QTest::keyClick(canvas, Qt::Key_End);
  TypeText(QString::fromUtf8("! \xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F"));
  EXPECT_EQ(Text(0), u"Hello world! \u00e4\u00f6\u00fc\u00df");
  EXPECT_TRUE(container->IsModified());
  // Return splits at the caret when pressed; Backspace then joins again.
  QTest::keyClick(canvas, Qt::Key_Left);
  QTest::keyClick(canvas, Qt::Key_Return);
  EXPECT_EQ(Text(0), u"Hello world! \u00e4\u00f6\u00fc");
  EXPECT_EQ(Text(1), u"\u00df");
  QTest::keyClick(canvas, Qt::Key_Backspace);
  EXPECT_EQ(Text(0), u"Hello world! \u00e4\u00f6\u00fc\u00df");
  // Delete removes the character after the caret (it reaches the window as a shortcut).
  QTest::keyClick(canvas, Qt::Key_Home);
  QTest::keyClick(canvas, Qt::Key_Delete);
  EXPECT_EQ(Text(0), u"ello world! \u00e4\u00f6\u00fc\u00df");
  // Undo takes the steps back one by one, down to the file's text.
  for (int i = 0; i < 6 && app->UndoCount() > 0; ++i) QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(0), u"Hello world");
  QTest::keyClick(canvas, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_NE(Text(0), u"Hello world");
}

TEST_F(DocumentWindowTest, SelectionFormattingClipboardAndSaving) {
  Open(SampleFile());
  // Shift+Ctrl+Right selects "Hello "; the toolbar's bold makes it bold, once more plain.
  QTest::keyClick(canvas, Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
  EXPECT_EQ(document().SelectedText(), u"Hello ");
  RunToolbarCommand(*app, kItemBold);
  EXPECT_TRUE(document().GetParagraph(0).StyleAt(1)->font->IsBold());
  EXPECT_FALSE(document().GetParagraph(0).StyleAt(8)->font->IsBold());
  SetFontSize(*app, 20);
  EXPECT_EQ(document().GetParagraph(0).StyleAt(1)->font->size, 20);
  app->Undo();
  EXPECT_EQ(document().GetParagraph(0).StyleAt(1)->font->size, 10);

  QTest::keyClick(canvas, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(ClipboardText(), u"Hello ");
  QTest::keyClick(canvas, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(canvas, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Text(1), u"SecondHello ");

  // A new document saves through the dialog, then Ctrl+S writes to the same file.
  std::string path = folder.File("saved");
  Answer(File(path));
  ASSERT_TRUE(SaveAs(*app));
  EXPECT_EQ(app->GetWindow().Title(), WindowTitle(u"saved.docx"));
  EXPECT_FALSE(container->IsModified());
  std::unique_ptr<Document> written = LoadDocx(path + ".docx");
  ASSERT_TRUE(written);
  EXPECT_EQ(written->PlainText(), document().PlainText());
  EXPECT_TRUE(written->GetParagraph(0).StyleAt(1)->font->IsBold());
}

TEST_F(DocumentWindowTest, UnsavedChangesAreAskedAboutAndBadFilesOpenNoWindow) {
  Open(SampleFile());
  QTest::keyClicks(canvas, "x");
  QString asked;
  Answer(Box(QMessageBox::Cancel, &asked));
  RequestClose(*app);
  EXPECT_TRUE(asked.contains("sample.docx"));
  EXPECT_EQ(WindowMap().size(), 1u);
  Answer(Box(QMessageBox::No));
  RequestClose(*app);
  EXPECT_TRUE(WaitFor([] { return WindowMap().empty(); }));

  // A workbook renamed to .docx and a broken file: the error message, no window.
  Application& sheet = NewWindow();
  for (const char* bytes : {"PK\x03\x04 broken", "plain text"}) {
    std::string bad = folder.File("bad.docx");
    std::ofstream(bad, std::ios::binary) << bytes;
    QString message;
    Answer(Box(QMessageBox::Ok, &message));
    EXPECT_EQ(OpenFile(Utf8ToUtf16(bad)), nullptr);
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(WindowMap().size(), 1u);
  }
  EXPECT_EQ(WindowMap().front().get(), &sheet);
  // A new text document from a sheet window.
  Application& text = NewTextDocument();
  EXPECT_EQ(text.GetKind(), kKindTextDocument);
}

}  // namespace
}  // namespace quadrell
