#pragma once
// One paragraph of a text document: its text, the styles of the text as
// spans, and the style of its end mark (which gives an empty paragraph its
// height and the text typed into it its style). Layout breaks the text into
// tokens and the tokens into lines of a given width; it is kept until the
// text or the width changes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/WordToken.h"
#include "model/Style.h"

namespace quadrell {

struct StyleSpan {
  const StyleRecord* style = nullptr;
  int32_t length = 0;
  bool operator==(const StyleSpan&) const = default;
};

struct LineRecord {
  int32_t firstToken = 0;  // the tokens [firstToken, endToken) are on the line
  int32_t endToken = 0;
  int32_t start = 0;  // the characters [start, end) are on the line
  int32_t end = 0;
  int32_t top = 0;  // pixels from the top of the paragraph
  int32_t height = 0;
  int32_t ascent = 0;
};

class Paragraph {
 public:
  // A paragraph whose mark has the style (the interned default when null).
  explicit Paragraph(const StyleRecord* markStyle = nullptr);

  const std::u16string& Text() const { return text_; }
  int32_t Length() const { return static_cast<int32_t>(text_.size()); }
  const std::vector<StyleSpan>& Spans() const { return spans_; }
  const StyleRecord* MarkStyle() const { return markStyle_; }
  void SetMarkStyle(const StyleRecord* style);

  // The style text typed at the offset takes: that of the character before
  // it, of the first character at the start, or the mark's when empty.
  const StyleRecord* StyleAt(int32_t offset) const;

  // Editing. Offsets are clamped to the text.
  void Append(std::u16string_view text, const StyleRecord* style);
  void Insert(int32_t offset, std::u16string_view text, const StyleRecord* style);
  void Erase(int32_t from, int32_t to);
  // Cuts the text from the offset on into a new paragraph with the same mark.
  std::unique_ptr<Paragraph> SplitAt(int32_t offset);
  // Appends the other paragraph's text and styles; this paragraph keeps its mark
  // unless it was empty.
  void Join(const Paragraph& other);
  // Every style of the characters [from, to) goes through the setter.
  void ChangeStyles(int32_t from, int32_t to, const std::function<void(StyleRecord&)>& setter);

  // Lays the paragraph out for the width when its text or the width changed.
  void Layout(int32_t width);
  bool NeedsLayout(int32_t width) const { return dirty_ || width != layoutWidth_; }
  const std::vector<WordToken>& Tokens() const { return tokens_; }
  const std::vector<LineRecord>& Lines() const { return lines_; }
  int32_t Height() const { return height_; }

  // After a layout: the line that shows the caret at the offset, and the
  // caret's x from the left text edge.
  int32_t LineOf(int32_t offset) const;
  int32_t XOf(int32_t offset) const;
  // The x of the offset on the given line (the end of the line when past it).
  int32_t XOnLine(int32_t line, int32_t offset) const;
  // The offset nearest to x on the line.
  int32_t OffsetAt(int32_t line, int32_t x) const;

 private:
  friend class Document;
  void MergeSpans();
  void Tokenize();

  std::u16string text_;
  std::vector<StyleSpan> spans_;
  const StyleRecord* markStyle_;

  bool dirty_ = true;
  int32_t layoutWidth_ = -1;
  std::vector<WordToken> tokens_;
  std::vector<LineRecord> lines_;
  int32_t height_ = 0;
};

}  // namespace quadrell
