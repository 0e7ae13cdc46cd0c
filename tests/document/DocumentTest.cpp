// The text-document model: layout onto lines and A4 pages, editing at the
// caret with undo, caret movement, and drawing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/Document.h"
#include "model/Font.h"
#include "model/Style.h"
#include "platform/Keys.h"

namespace quadrell {
namespace {

const StyleRecord* StyleWith(int32_t size, uint32_t flags = 0) {
  StyleRecord style = NewDefaultStyle();
  style.font = GetFont(u"Arial", size, flags);
  return InternStyle(style);
}

// Collects the actions a window would push, and undoes them as its history would.
struct History {
  std::vector<std::unique_ptr<Action>> done;
  void Attach(Document& document) {
    document.SetActionSink([this](std::unique_ptr<Action> a) { done.push_back(std::move(a)); });
  }
  void UndoLast() {
    done.back()->Undo();
  }
};

void Type(Document& document, std::u16string_view text) {
  for (char16_t c : text) document.TypeCharacter(c);
}

std::vector<std::u16string> Texts(const Document& document) {
  std::vector<std::u16string> texts;
  for (int32_t p = 0; p < document.ParagraphCount(); ++p) texts.push_back(document.GetParagraph(p).Text());
  return texts;
}

TEST(DocumentLayout, WordsWrapSpacesHangAndLongWordsBreak) {
  Paragraph paragraph;
  // Arial 10 on the fallback metrics: "m" is 11 pixels, a space 4.
  paragraph.Append(u"mmmm mmmm mmmm", nullptr);
  paragraph.Layout(100);  // two words fit (44 + 4 + 44)
  ASSERT_EQ(paragraph.Lines().size(), 2u);
  EXPECT_EQ(paragraph.Lines()[0].start, 0);
  EXPECT_EQ(paragraph.Lines()[1].start, 10);  // the second space hangs on line 1
  EXPECT_EQ(paragraph.Height(), 2 * 15);

  // A word wider than the line is broken where the line ends, never lost.
  Paragraph longWord;
  longWord.Append(std::u16string(30, u'm'), nullptr);
  longWord.Layout(100);
  ASSERT_EQ(longWord.Lines().size(), 4u);
  int32_t total = 0;
  for (const LineRecord& line : longWord.Lines()) total += line.end - line.start;
  EXPECT_EQ(total, 30);

  // An empty paragraph takes one line as high as its mark; a line break starts a line.
  Paragraph empty(StyleWith(20));
  empty.Layout(100);
  ASSERT_EQ(empty.Lines().size(), 1u);
  EXPECT_EQ(empty.Height(), TokenHeight(StyleWith(20)));
  Paragraph broken;
  broken.Append(u"a\vb\v", nullptr);
  broken.Layout(500);
  EXPECT_EQ(broken.Lines().size(), 3u);
}

TEST(DocumentLayout, PagesFillAndDropAndLayoutAlwaysEnds) {
  Document document;
  int32_t lineHeight = TokenHeight(GetDefaultStyle());
  int32_t perPage = (Page::BottomEdge() - Page::TopEdge() - 1) / lineHeight;
  for (int i = 1; i < perPage + 5; ++i) document.AddParagraph().Append(u"line", nullptr);
  document.Layout();
  ASSERT_EQ(document.Pages().size(), 2u);
  EXPECT_EQ(document.Pages()[0].Lines().size(), static_cast<size_t>(perPage));
  // The paragraph on the second page is placed at its top and found there.
  EXPECT_EQ(document.Pages()[1].Lines().front().y, Page::TopEdge());
  EXPECT_EQ(document.PlaceOf({perPage, 2}).page, 1);

  // Deleting the text the second page held drops that page.
  document.SetCaret({perPage - 1, 4});
  document.SetCaret({document.ParagraphCount() - 1, 4}, true);
  document.DeleteSelection();
  document.Layout();
  EXPECT_EQ(document.Pages().size(), 1u);

  // Lines taller than the text area each stand alone on a page, clipped.
  Document tall;
  tall.GetParagraph(0).Append(u"i\vi", StyleWith(1638));
  tall.Layout();
  EXPECT_EQ(tall.Pages().size(), 2u);
}

TEST(DocumentLayout, ParagraphSplitAcrossPagesKeepsCaretAndClicksOnBothPages) {
  Document document;
  int32_t lineHeight = TokenHeight(GetDefaultStyle());
  int32_t perPage = (Page::BottomEdge() - Page::TopEdge() - 1) / lineHeight;
  for (int i = 1; i < perPage - 2; ++i) document.AddParagraph().Append(u"x", nullptr);
  // Four lines, of which two fit on the first page.
  document.AddParagraph().Append(u"aaa\vbbb\vccc\vddd", nullptr);
  document.Layout();
  ASSERT_EQ(document.Pages().size(), 2u);
  int32_t last = document.ParagraphCount() - 1;
  EXPECT_EQ(document.PlaceOf({last, 0}).page, 0);
  Document::CaretPlace third = document.PlaceOf({last, 9});
  EXPECT_EQ(third.page, 1);
  EXPECT_EQ(third.top, Page::TopEdge());
  // A click on the second page's first line finds "ccc".
  document.SetCaretFromPoint(1, Page::LeftEdge() + 200, Page::TopEdge() + 2, false);
  EXPECT_EQ(document.Caret(), (DocumentPosition{last, 11}));
  // A click in the left margin is clamped to the text's start.
  document.SetCaretFromPoint(1, 3, Page::TopEdge() + lineHeight + 2, false);
  EXPECT_EQ(document.Caret(), (DocumentPosition{last, 12}));
}

TEST(DocumentEditing, TypingEnterBackspaceAndDeleteAtTheCaret) {
  Document document;
  Type(document, u"Hello world");
  EXPECT_EQ(document.GetParagraph(0).Text(), u"Hello world");
  // Enter splits at the caret, not after the whole word.
  document.SetCaret({0, 3});
  document.Enter();
  EXPECT_EQ(Texts(document), (std::vector<std::u16string>{u"Hel", u"lo world"}));
  EXPECT_EQ(document.Caret(), (DocumentPosition{1, 0}));
  // Backspace at a paragraph's start joins it to the one before; the caret stands at the join.
  document.Backspace();
  EXPECT_EQ(Texts(document), (std::vector<std::u16string>{u"Hello world"}));
  EXPECT_EQ(document.Caret(), (DocumentPosition{0, 3}));
  // At the very start nothing happens; Delete at a paragraph's end joins the next.
  document.SetCaret({0, 0});
  document.Backspace();
  EXPECT_EQ(document.GetParagraph(0).Text(), u"Hello world");
  document.SetCaret({0, 11});
  document.Enter();
  Type(document, u"next");
  document.SetCaret({0, 11});
  document.DeleteForward();
  EXPECT_EQ(Texts(document), (std::vector<std::u16string>{u"Hello worldnext"}));

  // Control characters typed are not inserted; a tab is.
  Document controls;
  for (char16_t c : {u'\x01', u'\x1b', u'\x7f', u'\r', u'\t'}) controls.TypeCharacter(c);
  EXPECT_EQ(controls.GetParagraph(0).Text(), u"\t");
}

TEST(DocumentEditing, SurrogatePairsAreWholeCharacters) {
  Document document;
  document.InsertText(u"a\U0001F600b");
  ASSERT_EQ(document.GetParagraph(0).Length(), 4);
  document.MoveCaret(kKeyLeft, false, false);  // before b
  document.MoveCaret(kKeyLeft, false, false);  // before the emoji, not inside it
  EXPECT_EQ(document.Caret().offset, 1);
  document.MoveCaret(kKeyRight, false, false);
  EXPECT_EQ(document.Caret().offset, 3);
  document.Backspace();
  EXPECT_EQ(document.GetParagraph(0).Text(), u"ab");
  document.InsertText(u"\U0001F600");
  document.SetCaret({0, 1});
  document.DeleteForward();
  EXPECT_EQ(document.GetParagraph(0).Text(), u"ab");
  // A position inside a pair is moved to its start.
  document.InsertText(u"\U0001F600");
  document.SetCaret({0, 2});
  EXPECT_EQ(document.Caret().offset, 1);
}

TEST(DocumentEditing, UndoTakesBackTypingPastingDeletingAndFormatting) {
  Document document;
  History history;
  history.Attach(document);
  Type(document, u"one two");
  // A word and its space are one step each.
  EXPECT_EQ(history.done.size(), 2u);
  document.InsertText(u"\r\nthree\nfour");
  EXPECT_EQ(Texts(document), (std::vector<std::u16string>{u"one two", u"three", u"four"}));
  document.SetCaret({0, 0});
  document.SetCaret({1, 2}, true);
  document.ApplyStyle([](StyleRecord& s) { s.font = GetFont(s.font->face, s.font->size, kFontFlagBold); });
  EXPECT_TRUE(document.GetParagraph(0).StyleAt(1)->font->IsBold());
  EXPECT_FALSE(document.GetParagraph(1).StyleAt(3)->font->IsBold());
  document.Backspace();  // deletes the selection
  EXPECT_EQ(Texts(document), (std::vector<std::u16string>{u"ree", u"four"}));

  size_t steps = history.done.size();
  ASSERT_EQ(steps, 5u);
  history.done[4]->Undo();
  EXPECT_EQ(Texts(document), (std::vector<std::u16string>{u"one two", u"three", u"four"}));
  history.done[3]->Undo();
  EXPECT_FALSE(document.GetParagraph(0).StyleAt(1)->font->IsBold());
  history.done[2]->Undo();
  history.done[1]->Undo();
  EXPECT_EQ(Texts(document), (std::vector<std::u16string>{u"one "}));
  for (size_t i = 1; i < steps; ++i) history.done[i]->Redo();
  EXPECT_EQ(Texts(document), (std::vector<std::u16string>{u"ree", u"four"}));
  EXPECT_EQ(document.Caret(), (DocumentPosition{0, 0}));
}

TEST(DocumentEditing, TypingStyleAppliesToTheNextCharacters) {
  Document document;
  Type(document, u"ab");
  document.ApplyStyle([](StyleRecord& s) { s.font = GetFont(s.font->face, 20, s.font->flags); });
  Type(document, u"cd");
  const Paragraph& paragraph = document.GetParagraph(0);
  ASSERT_EQ(paragraph.Spans().size(), 2u);
  EXPECT_EQ(paragraph.Spans()[1].length, 2);
  EXPECT_EQ(paragraph.Spans()[1].style->font->size, 20);
  // Moving the caret gives up a chosen style that was not used.
  document.ApplyStyle([](StyleRecord& s) { s.textColor = 0xFF; });
  document.SetCaret({0, 1});
  document.TypeCharacter(u'x');
  EXPECT_EQ(document.GetParagraph(0).StyleAt(2)->textColor, 0u);
}

TEST(DocumentEditing, CaretKeysMoveByCharacterWordLineAndPage) {
  Document document;
  document.InsertText(u"alpha beta gamma");
  document.InsertText(u"\nsecond line");
  document.Layout();
  document.SetCaret({0, 0});
  document.MoveCaret(kKeyRight, true, false);
  EXPECT_EQ(document.Caret().offset, 6);
  document.MoveCaret(kKeyRight, true, true);
  EXPECT_EQ(document.Caret().offset, 11);
  EXPECT_EQ(document.SelectedText(), u"beta ");
  document.MoveCaret(kKeyLeft, true, false);
  EXPECT_EQ(document.Caret().offset, 6);
  document.MoveCaret(kKeyEnd, false, false);
  EXPECT_EQ(document.Caret().offset, 16);
  document.MoveCaret(kKeyRight, false, false);  // onto the next paragraph
  EXPECT_EQ(document.Caret(), (DocumentPosition{1, 0}));
  document.MoveCaret(kKeyHome, true, false);
  EXPECT_EQ(document.Caret(), (DocumentPosition{0, 0}));
  document.MoveCaret(kKeyDown, false, false);
  EXPECT_EQ(document.Caret(), (DocumentPosition{1, 0}));
  document.MoveCaret(kKeyDown, false, false);  // the last line: to its end
  EXPECT_EQ(document.Caret(), (DocumentPosition{1, 11}));
  document.MoveCaret(kKeyEnd, true, false);
  document.MoveCaret(kKeyPageUp, false, false);
  EXPECT_EQ(document.Caret().paragraph, 0);

  // Up and Down keep the column across a shorter line.
  Document columns;
  columns.InsertText(u"mmmmmmmm\nm\nmmmmmmmm");
  columns.Layout();
  columns.SetCaret({0, 6});
  columns.MoveCaret(kKeyDown, false, false);
  EXPECT_EQ(columns.Caret(), (DocumentPosition{1, 1}));
  columns.MoveCaret(kKeyDown, false, false);
  EXPECT_EQ(columns.Caret(), (DocumentPosition{2, 6}));
}

// Records the texts drawn, with their positions.
class TextRecorder final : public Canvas {
 public:
  struct Drawn {
    int x, y;
    std::u16string text;
  };
  std::vector<Drawn> texts;
  int fills = 0;
  void DrawText(int x, int y, std::u16string_view text) override { texts.push_back({x, y, std::u16string(text)}); }
  int TextWidth(std::u16string_view) override { return 0; }
  int TextHeight(std::u16string_view) override { return 0; }
  void PlotPoint(int, int, Colour) override {}
  void DrawLine(int, int, int, int, Colour) override {}
  int Width() const override { return 2000; }
  int Height() const override { return 2000; }
  Colour LineColour() const override { return 0; }
  void SetLineColour(Colour) override {}
  void SetFont(const PlatformFont&) override {}
  void SetTextColour(Colour) override {}
  void SetDrawMode(DrawMode) override {}
  void FillBox(int, int, int, int, Colour colour) override { fills += colour != 0xFFFFFF; }
  void BlendBox(int, int, int, int, Colour, int) override {}
  void FrameBox(int, int, int, int, Colour) override {}
  void SetClip(int, int, int, int) override {}
  void ClearClip() override {}
  void DrawImage(const Bitmap&, int, int) override {}
  void FillPath(const VectorPath&, Colour, int) override {}
  void StrokePath(const VectorPath&, Colour, int, double) override {}
};

TEST(DocumentDrawing, WordsShareTheBaselineAndOnlyLinesInTheClipAreDrawn) {
  Document document;
  Paragraph& paragraph = document.GetParagraph(0);
  paragraph.Append(u"small ", StyleWith(10));
  paragraph.Append(u"BIG", StyleWith(30));
  document.AddParagraph().Append(u"second", nullptr);
  document.Layout();
  TextRecorder canvas;
  document.Pages()[0].Draw(document, canvas, 0, 0, Rect{0, 0, 2000, 2000});
  ASSERT_EQ(canvas.texts.size(), 3u);
  EXPECT_EQ(canvas.texts[0].text, u"small");
  EXPECT_EQ(canvas.texts[0].x, Page::LeftEdge());
  int32_t lineAscent = TokenAscent(StyleWith(30));
  EXPECT_EQ(canvas.texts[0].y + TokenAscent(StyleWith(10)), Page::TopEdge() + lineAscent);
  EXPECT_EQ(canvas.texts[1].y, Page::TopEdge());
  EXPECT_EQ(canvas.texts[2].y, Page::TopEdge() + TokenHeight(StyleWith(30)));

  // A clip over the second line draws only it; the selection is filled.
  TextRecorder clipped;
  document.SelectAll();
  int32_t second = Page::TopEdge() + TokenHeight(StyleWith(30));
  document.Pages()[0].Draw(document, clipped, 0, 0, Rect{0, second, 2000, 5});
  ASSERT_EQ(clipped.texts.size(), 1u);
  EXPECT_EQ(clipped.texts[0].text, u"second");
  EXPECT_GT(clipped.fills, 0);
}

}  // namespace
}  // namespace quadrell
