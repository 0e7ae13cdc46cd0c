#include "document/Paragraph.h"

#include <algorithm>
#include <utility>

namespace quadrell {

namespace {

// A manual line break inside a paragraph.
constexpr char16_t kLineBreak = u'\v';

TokenKind KindOf(char16_t c) {
  switch (c) {
    case u' ':
      return TokenKind::Space;
    case u'\t':
      return TokenKind::Tab;
    case kLineBreak:
      return TokenKind::Break;
    default:
      return TokenKind::Word;
  }
}

}  // namespace

Paragraph::Paragraph(const StyleRecord* markStyle) : markStyle_(markStyle ? markStyle : GetDefaultStyle()) {}

void Paragraph::SetMarkStyle(const StyleRecord* style) {
  if (!style || style == markStyle_) return;
  markStyle_ = style;
  dirty_ = true;
}

const StyleRecord* Paragraph::StyleAt(int32_t offset) const {
  if (spans_.empty()) return markStyle_;
  int32_t position = 0;
  for (const StyleSpan& span : spans_) {
    // The character before the offset decides; at the start, the first one.
    if (offset <= position + span.length && (offset > position || position == 0)) return span.style;
    position += span.length;
  }
  return spans_.back().style;
}

void Paragraph::MergeSpans() {
  std::vector<StyleSpan> merged;
  merged.reserve(spans_.size());
  for (const StyleSpan& span : spans_) {
    if (span.length <= 0) continue;
    if (!merged.empty() && merged.back().style == span.style) {
      merged.back().length += span.length;
    } else {
      merged.push_back(span);
    }
  }
  spans_ = std::move(merged);
  dirty_ = true;
}

void Paragraph::Append(std::u16string_view text, const StyleRecord* style) { Insert(Length(), text, style); }

void Paragraph::Insert(int32_t offset, std::u16string_view text, const StyleRecord* style) {
  if (text.empty()) return;
  if (!style) style = StyleAt(offset);
  offset = std::clamp(offset, 0, Length());
  text_.insert(static_cast<size_t>(offset), text);
  auto length = static_cast<int32_t>(text.size());
  std::vector<StyleSpan> spans;
  spans.reserve(spans_.size() + 2);
  int32_t position = 0;
  bool inserted = false;
  for (const StyleSpan& span : spans_) {
    if (!inserted && offset <= position + span.length) {
      int32_t before = offset - position;
      spans.push_back({span.style, before});
      spans.push_back({style, length});
      spans.push_back({span.style, span.length - before});
      inserted = true;
    } else {
      spans.push_back(span);
    }
    position += span.length;
  }
  if (!inserted) spans.push_back({style, length});
  spans_ = std::move(spans);
  MergeSpans();
}

void Paragraph::Erase(int32_t from, int32_t to) {
  from = std::clamp(from, 0, Length());
  to = std::clamp(to, from, Length());
  if (from == to) return;
  // The mark keeps the style of a paragraph emptied by the deletion.
  if (from == 0 && to == Length() && !spans_.empty()) markStyle_ = spans_.front().style;
  text_.erase(static_cast<size_t>(from), static_cast<size_t>(to - from));
  int32_t position = 0;
  for (StyleSpan& span : spans_) {
    int32_t start = position, end = position + span.length;
    position = end;
    int32_t overlap = std::min(end, to) - std::max(start, from);
    if (overlap > 0) span.length -= overlap;
  }
  MergeSpans();
}

std::unique_ptr<Paragraph> Paragraph::SplitAt(int32_t offset) {
  offset = std::clamp(offset, 0, Length());
  // The new paragraph's mark takes the style at the split, so that an empty
  // new line types in the style the text had there.
  auto tail = std::make_unique<Paragraph>(offset < Length() ? StyleAt(offset + 1) : StyleAt(offset));
  int32_t position = 0;
  for (const StyleSpan& span : spans_) {
    int32_t start = std::max(position, offset), end = position + span.length;
    if (end > start) tail->spans_.push_back({span.style, end - start});
    position += span.length;
  }
  tail->text_ = text_.substr(static_cast<size_t>(offset));
  tail->MergeSpans();
  if (offset == 0 && !spans_.empty()) markStyle_ = spans_.front().style;
  Erase(offset, Length());
  return tail;
}

void Paragraph::Join(const Paragraph& other) {
  if (text_.empty()) markStyle_ = other.markStyle_;
  text_ += other.text_;
  spans_.insert(spans_.end(), other.spans_.begin(), other.spans_.end());
  MergeSpans();
}

void Paragraph::ChangeStyles(int32_t from, int32_t to, const std::function<void(StyleRecord&)>& setter) {
  from = std::clamp(from, 0, Length());
  to = std::clamp(to, from, Length());
  std::vector<StyleSpan> spans;
  int32_t position = 0;
  for (const StyleSpan& span : spans_) {
    int32_t start = position, end = position + span.length;
    position = end;
    int32_t a = std::max(start, from), b = std::min(end, to);
    if (a >= b) {
      spans.push_back(span);
      continue;
    }
    StyleRecord changed = *span.style;
    setter(changed);
    const StyleRecord* style = InternStyle(changed);
    spans.push_back({span.style, a - start});
    spans.push_back({style, b - a});
    spans.push_back({span.style, end - b});
  }
  spans_ = std::move(spans);
  // A paragraph taken whole takes its mark along.
  if (from == 0 && to == Length()) {
    StyleRecord changed = *markStyle_;
    setter(changed);
    markStyle_ = InternStyle(changed);
  }
  MergeSpans();
}

void Paragraph::Tokenize() {
  tokens_.clear();
  size_t span = 0;
  int32_t spanEnd = spans_.empty() ? 0 : spans_[0].length;
  for (int32_t i = 0; i < Length(); ++i) {
    while (i >= spanEnd && span + 1 < spans_.size()) spanEnd += spans_[++span].length;
    const StyleRecord* style = spans_[span].style;
    TokenKind kind = KindOf(text_[static_cast<size_t>(i)]);
    bool extend = kind == TokenKind::Word && !tokens_.empty() && tokens_.back().kind == TokenKind::Word &&
                  tokens_.back().style == style && tokens_.back().End() == i;
    if (extend) {
      ++tokens_.back().length;
    } else {
      tokens_.push_back(WordToken{kind, style, i, 1, 0, 0});
    }
  }
  for (WordToken& token : tokens_) {
    switch (token.kind) {
      case TokenKind::Word:
        token.width = MeasureText(token.style, std::u16string_view(text_).substr(static_cast<size_t>(token.start),
                                                                                  static_cast<size_t>(token.length)));
        break;
      case TokenKind::Space:
        token.width = MeasureText(token.style, u" ");
        break;
      default:
        token.width = 0;
        break;
    }
  }
}

void Paragraph::Layout(int32_t width) {
  if (!NeedsLayout(width)) return;
  dirty_ = false;
  layoutWidth_ = width;
  Tokenize();
  lines_.clear();
  width = std::max(width, 1);

  LineRecord line;
  int32_t x = 0;
  size_t i = 0;
  auto finishLine = [&](size_t end) {
    line.endToken = static_cast<int32_t>(end);
    line.height = 0;
    line.ascent = 0;
    for (auto k = static_cast<size_t>(line.firstToken); k < end; ++k) {
      line.height = std::max(line.height, TokenHeight(tokens_[k].style));
      line.ascent = std::max(line.ascent, TokenAscent(tokens_[k].style));
    }
    if (line.endToken == line.firstToken) {
      line.height = TokenHeight(markStyle_);
      line.ascent = TokenAscent(markStyle_);
      line.end = line.start;
    } else {
      line.start = tokens_[static_cast<size_t>(line.firstToken)].start;
      line.end = tokens_[end - 1].End();
    }
    lines_.push_back(line);
    LineRecord next;
    next.top = line.top + line.height;
    next.firstToken = static_cast<int32_t>(end);
    next.start = line.end;
    line = next;
    x = 0;
  };
  auto empty = [&](size_t at) { return static_cast<int32_t>(at) == line.firstToken; };

  while (i < tokens_.size()) {
    WordToken& token = tokens_[i];
    switch (token.kind) {
      case TokenKind::Word: {
        size_t groupEnd = i;
        int32_t groupWidth = 0;
        while (groupEnd < tokens_.size() && tokens_[groupEnd].kind == TokenKind::Word) {
          groupWidth += tokens_[groupEnd].width;
          ++groupEnd;
        }
        if (x + groupWidth > width && !empty(i)) finishLine(i);
        if (x + groupWidth <= width) {
          for (; i < groupEnd; ++i) {
            tokens_[i].x = x;
            x += tokens_[i].width;
          }
          break;
        }
        // A word longer than the line is broken where the line ends.
        for (; i < groupEnd; ++i) {
          if (x + tokens_[i].width > width && !empty(i)) finishLine(i);
          if (tokens_[i].width > width) {
            WordToken& piece = tokens_[i];
            std::u16string_view text(text_);
            int32_t cut = NextCharacter(text, piece.start);
            for (int32_t next = NextCharacter(text, cut); next <= piece.End() && next > cut;
                 next = NextCharacter(text, next)) {
              if (MeasureText(piece.style, text.substr(static_cast<size_t>(piece.start),
                                                        static_cast<size_t>(next - piece.start))) > width) {
                break;
              }
              cut = next;
            }
            if (cut < piece.End()) {
              WordToken rest = piece;
              rest.start = cut;
              rest.length = piece.End() - cut;
              rest.width = MeasureText(rest.style, text.substr(static_cast<size_t>(rest.start),
                                                               static_cast<size_t>(rest.length)));
              piece.length = cut - piece.start;
              piece.width = MeasureText(piece.style, text.substr(static_cast<size_t>(piece.start),
                                                                 static_cast<size_t>(piece.length)));
              tokens_.insert(tokens_.begin() + static_cast<std::ptrdiff_t>(i) + 1, rest);
              ++groupEnd;
              tokens_[i].x = x;
              finishLine(i + 1);
              continue;
            }
          }
          tokens_[i].x = x;
          x += tokens_[i].width;
        }
        break;
      }
      case TokenKind::Space:
        // Spaces never start a line: they hang past the right edge.
        token.x = x;
        x += token.width;
        ++i;
        break;
      case TokenKind::Tab: {
        int32_t stop = (x / kTabStopPx + 1) * kTabStopPx;
        if (stop > width && !empty(i)) {
          finishLine(i);
          stop = kTabStopPx;
        }
        tokens_[i].x = x;
        tokens_[i].width = std::max(0, std::min(stop, width) - x);
        x += tokens_[i].width;
        ++i;
        break;
      }
      case TokenKind::Break:
        token.x = x;
        ++i;
        finishLine(i);
        break;
    }
  }
  // The last line; a paragraph without text, or ending in a line break, has an empty one.
  if (lines_.empty() || !empty(tokens_.size()) || tokens_.back().kind == TokenKind::Break) {
    finishLine(tokens_.size());
  }
  height_ = lines_.back().top + lines_.back().height;
}

int32_t Paragraph::LineOf(int32_t offset) const {
  if (lines_.empty()) return 0;
  auto after = std::upper_bound(lines_.begin(), lines_.end(), offset,
                                [](int32_t value, const LineRecord& line) { return value < line.start; });
  if (after == lines_.begin()) return 0;
  return static_cast<int32_t>(after - lines_.begin()) - 1;
}

int32_t Paragraph::XOf(int32_t offset) const { return XOnLine(LineOf(offset), offset); }

int32_t Paragraph::XOnLine(int32_t lineNumber, int32_t offset) const {
  if (lines_.empty()) return 0;
  lineNumber = std::clamp(lineNumber, 0, static_cast<int32_t>(lines_.size()) - 1);
  const LineRecord& line = lines_[static_cast<size_t>(lineNumber)];
  int32_t x = 0;
  for (auto k = static_cast<size_t>(line.firstToken); k < static_cast<size_t>(line.endToken); ++k) {
    const WordToken& token = tokens_[k];
    if (offset <= token.start) return token.x;
    if (offset < token.End()) {
      if (token.kind != TokenKind::Word) return token.x;
      return token.x + MeasureText(token.style, std::u16string_view(text_).substr(
                                                    static_cast<size_t>(token.start),
                                                    static_cast<size_t>(offset - token.start)));
    }
    x = token.x + token.width;
  }
  return x;
}

int32_t Paragraph::OffsetAt(int32_t lineNumber, int32_t x) const {
  if (lines_.empty()) return 0;
  lineNumber = std::clamp(lineNumber, 0, static_cast<int32_t>(lines_.size()) - 1);
  const LineRecord& line = lines_[static_cast<size_t>(lineNumber)];
  std::u16string_view text(text_);
  for (auto k = static_cast<size_t>(line.firstToken); k < static_cast<size_t>(line.endToken); ++k) {
    const WordToken& token = tokens_[k];
    if (x >= token.x + token.width) continue;
    if (token.kind == TokenKind::Break) return token.start;
    if (token.kind != TokenKind::Word) return x < token.x + token.width / 2 ? token.start : token.End();
    // The character boundary nearest to x.
    int32_t best = token.start, bestDistance = x - token.x;
    for (int32_t c = NextCharacter(text, token.start); c <= token.End();) {
      int32_t at = token.x + MeasureText(token.style, text.substr(static_cast<size_t>(token.start),
                                                                  static_cast<size_t>(c - token.start)));
      int32_t distance = at > x ? at - x : x - at;
      if (distance < bestDistance) {
        best = c;
        bestDistance = distance;
      }
      if (at > x || c == token.End()) break;
      c = NextCharacter(text, c);
    }
    return best;
  }
  // Past the end: a wrapped line ends before its hanging space or its break,
  // whose far side shows at the start of the next line.
  bool last = lineNumber + 1 == static_cast<int32_t>(lines_.size());
  if (!last && line.end > line.start) return PreviousCharacter(text, line.end);
  return line.end;
}

}  // namespace quadrell
