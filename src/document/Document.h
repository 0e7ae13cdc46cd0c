#pragma once
// A text document: its paragraphs, the caret and the selection, the editing
// operations a window offers (each recorded as an undo action through the
// sink), and the layout of the paragraphs onto A4 pages.
#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/Page.h"
#include "document/Paragraph.h"
#include "model/Action.h"

namespace quadrell {

struct DocumentPosition {
  int32_t paragraph = 0;
  int32_t offset = 0;
  auto operator<=>(const DocumentPosition&) const = default;
};

// A copy of paragraphs, for undo.
struct ParagraphCopy {
  std::u16string text;
  std::vector<StyleSpan> spans;
  const StyleRecord* markStyle = nullptr;
};

class Document;

// One edit: the paragraphs [first, first + count) before it and after it,
// with the caret and anchor on both sides.
class DocumentEditAction final : public Action {
 public:
  void Undo() override;
  void Redo() override;
  ~DocumentEditAction() override;

 private:
  friend class Document;
  Document* document_ = nullptr;
  int32_t first_ = 0;
  std::vector<ParagraphCopy> before_;
  std::vector<ParagraphCopy> after_;
  DocumentPosition caretBefore_, anchorBefore_, caretAfter_, anchorAfter_;
  bool typing_ = false;
};

class Document {
 public:
  // One empty paragraph in the default style.
  Document();
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // Building (the import): paragraphs without undo.
  Paragraph& AddParagraph(const StyleRecord* markStyle = nullptr);
  int32_t ParagraphCount() const { return static_cast<int32_t>(paragraphs_.size()); }
  Paragraph& GetParagraph(int32_t index) { return *paragraphs_[static_cast<size_t>(index)]; }
  const Paragraph& GetParagraph(int32_t index) const { return *paragraphs_[static_cast<size_t>(index)]; }
  // Drops a last paragraph that is empty (the import's trailing one), unless it is the only one.
  void TrimEmptyEnd();

  // Every change is recorded through the sink (none: changes are not recorded).
  using ActionSink = std::function<void(std::unique_ptr<Action>)>;
  void SetActionSink(ActionSink sink) { sink_ = std::move(sink); }
  // Counts every change, undo and redo.
  uint64_t Revision() const { return revision_; }

  // Caret and selection (the selection runs between the anchor and the caret).
  DocumentPosition Caret() const { return caret_; }
  DocumentPosition Anchor() const { return anchor_; }
  bool HasSelection() const { return caret_ != anchor_; }
  DocumentPosition SelectionStart() const { return std::min(caret_, anchor_); }
  DocumentPosition SelectionEnd() const { return std::max(caret_, anchor_); }
  // Clamped into the text and onto character boundaries; extend keeps the anchor.
  void SetCaret(DocumentPosition position, bool extend = false);
  void SelectAll();
  std::u16string SelectedText() const;

  // Editing at the caret. Each is one undo step (typing at one place joins the last).
  // Text with line ends becomes several paragraphs; other control characters
  // than tab are dropped.
  void InsertText(std::u16string_view text);
  void TypeCharacter(char16_t c);
  void Enter();
  void Backspace();
  void DeleteForward();
  void DeleteSelection();

  // Moves the caret by the key (Left, Right, Up, Down, Home, End, PageUp,
  // PageDown); control moves by word (Left, Right) or to the document's ends
  // (Home, End); extend keeps the anchor. Needs a layout.
  void MoveCaret(int key, bool control, bool extend);
  // The caret to the page point (page pixels); extend keeps the anchor.
  void SetCaretFromPoint(int32_t page, int32_t x, int32_t y, bool extend);

  // The style text typed at the caret takes: a style chosen with nothing
  // selected, or the style of the text before the caret.
  const StyleRecord* TypingStyle() const;
  // The style of the first selected character, or the typing style.
  const StyleRecord* SelectionStyle() const;
  // The setter changes the selection's styles (one undo step), or with nothing
  // selected the typing style.
  void ApplyStyle(const std::function<void(StyleRecord&)>& setter);

  // Lays the changed paragraphs out and puts the lines onto pages. Paragraphs
  // before the first changed one keep their places.
  void Layout();
  const std::vector<Page>& Pages() const { return pages_; }
  // The page and the line rectangle (page pixels) of a position.
  struct CaretPlace {
    int32_t page = 0;
    int32_t x = 0;
    int32_t top = 0;
    int32_t height = 0;
  };
  CaretPlace PlaceOf(DocumentPosition position) const;

  // The text, one paragraph a line ("\n" after each but the last).
  std::u16string PlainText() const;
  // The caret's x that Up and Down keep.
  void ForgetGoalX() { goalX_ = -1; }

 private:
  friend class DocumentEditAction;
  DocumentPosition Clamp(DocumentPosition position) const;
  // Starts an edit of the paragraphs [first, last] (indices before the change).
  std::unique_ptr<DocumentEditAction> BeginEdit(int32_t first, int32_t last, bool typing = false);
  // Ends it with count paragraphs from first in place of the old ones.
  void EndEdit(std::unique_ptr<DocumentEditAction> action, int32_t count);
  void ReplaceParagraphs(int32_t first, int32_t oldCount, const std::vector<ParagraphCopy>& copies);
  void Changed(int32_t paragraph);
  // Removes the selected text without recording; the caret ends at its start.
  void RemoveSelected();
  // Where each paragraph's first line went: page and y.
  struct Placement {
    int32_t page = 0;
    int32_t y = 0;
  };

  std::vector<std::unique_ptr<Paragraph>> paragraphs_;
  std::vector<std::vector<Placement>> placements_;  // per paragraph, per line
  std::vector<Page> pages_;
  int32_t firstChanged_ = 0;
  DocumentPosition caret_;
  DocumentPosition anchor_;
  const StyleRecord* typingStyle_ = nullptr;  // chosen with nothing selected, until the caret moves
  int32_t goalX_ = -1;
  uint64_t revision_ = 0;
  ActionSink sink_;
  DocumentEditAction* lastTyping_ = nullptr;
  uint64_t lastTypingRevision_ = 0;
};

}  // namespace quadrell
