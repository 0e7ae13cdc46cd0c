#pragma once
// Cell comments: the record a cell carries (author, text), and the box that
// shows it on the sheet, with a title bar holding the close and delete buttons
// and the text word-wrapped below.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "object/Object.h"
#include "platform/Bitmap.h"

namespace quadrell {

class Canvas;

class CommentRecord {
 public:
  // The author is the user name setting; the text starts empty.
  explicit CommentRecord(Cell* cell);
  CommentRecord(std::u16string author, std::u16string text, Cell* cell)
      : author_(std::move(author)), text_(std::move(text)), cell_(cell) {}

  const std::u16string& GetAuthor() const { return author_; }
  const std::u16string& GetText() const { return text_; }
  void SetText(std::u16string text) { text_ = std::move(text); }
  Cell* GetCell() const { return cell_; }

 private:
  std::u16string author_;
  std::u16string text_;
  Cell* cell_;
};

// Events a comment fires from its title bar.
enum CommentEvent : int32_t { kCommentClose = 0, kCommentDelete = 1 };

class Comment final : public Object {
 public:
  static constexpr int32_t kInitialWidth = 200;
  static constexpr int32_t kInitialHeight = 250;
  static constexpr int32_t kTitleHeight = 20;
  // The point size of the application's small text font.
  static constexpr int32_t kSmallTextSize = 8;

  explicit Comment(CommentRecord* record);
  ~Comment() override;

  Bitmap* GetImage() override;
  int32_t GetKind() const override { return kObjectComment; }
  int32_t GetObjectWidth() const override { return width_; }
  int32_t GetObjectHeight() const override { return height_; }
  void SetSize(int32_t width, int32_t height) override;
  // The title bar's buttons fire their events; the text area takes keystrokes.
  int32_t MouseDown(int32_t x, int32_t y) override;
  int32_t QueryPoint(int32_t, int32_t) override { return kObjectHandled; }
  int32_t BeginTextEdit(int32_t, int32_t) override { return kObjectHandled; }
  void KeyChar(char16_t character) override;
  // Backspace (8) removes the last character.
  void KeyDown(int32_t key) override;
  void DragPart(int32_t, int32_t) override {}
  void AddEventHandler(int32_t event, void* userData, ObjectEventCallback callback) override;
  void FireEvent(int32_t event, void* argument) override;
  const std::vector<std::unique_ptr<Range>>* GetRanges() const override { return &ranges_; }
  int32_t Deselect() override { return 0; }
  const ObjectToolIcon* GetToolIcons() const override { return &icons_[0]; }
  CommentRecord* GetCommentRecord() const { return record_; }

  // Draws the comment onto a canvas of its size.
  void Render(Canvas& canvas) const;
  // Renders into the comment's own image, when the platform can make one.
  void Render();

 private:
  struct Handler {
    int32_t event;
    void* userData;
    ObjectEventCallback callback;
  };
  CommentRecord* record_;
  std::vector<std::unique_ptr<Range>> ranges_;
  int32_t width_ = kInitialWidth;
  int32_t height_ = kInitialHeight;
  std::vector<Handler> handlers_;
  ObjectToolIcon icons_[2];
  std::unique_ptr<Bitmap> image_;
};

// The lines of the text in a box of the width: words separated by single
// spaces; a line takes words while its width, a space and the next word fit
// into width - 8; a word wider than that stands on a line of its own.
std::vector<std::u16string> WrapCommentText(std::u16string_view text, int32_t width,
                                            const std::function<int32_t(std::u16string_view)>& measure);

// The sheet's comment operations. AddComment gives the cell a new record when
// it has none, then shows it; ShowComment anchors a comment box for the cell's
// record beside the cell. Closing the box hides it; its delete button removes
// the record from the cell.
void AddComment(Sheet* sheet, Cell* cell);
// Keeps a record for the rest of the process (file readers give cells theirs).
CommentRecord* KeepRecord(std::unique_ptr<CommentRecord> record);
void ShowComment(Sheet* sheet, Cell* cell);
void HideComment(Sheet* sheet, Comment* comment);
void DeleteComment(Sheet* sheet, Comment* comment);

}  // namespace quadrell
