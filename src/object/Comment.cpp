#include "object/Comment.h"


#include <map>
#include <optional>

#include "context/ApplicationContext.h"
#include "context/EmbeddedResources.h"
#include "model/Action.h"
#include "model/Cell.h"
#include "model/Font.h"
#include "model/Host.h"
#include "model/Range.h"
#include "model/Sheet.h"
#include "object/Image.h"
#include "object/ImageCodec.h"
#include "object/SheetAnchor.h"
#include "platform/Canvas.h"

namespace quadrell {

// Records live for the rest of the process: cells, undo actions and views may
// all still point at a record whose comment was deleted.
CommentRecord* KeepRecord(std::unique_ptr<CommentRecord> record) {
  static std::vector<std::unique_ptr<CommentRecord>> records;
  records.push_back(std::move(record));
  return records.back().get();
}

namespace {

void HideCommentCallback(void* sheet, void* comment) {
  HideComment(static_cast<Sheet*>(sheet), static_cast<Comment*>(comment));
}

void DeleteCommentCallback(void* sheet, void* comment) {
  DeleteComment(static_cast<Sheet*>(sheet), static_cast<Comment*>(comment));
}

}  // namespace

CommentRecord::CommentRecord(Cell* cell) : author_(GetContext().GetSetting(kSettingUsername)), cell_(cell) {}

Comment::Comment(CommentRecord* record) : record_(record), image_(std::make_unique<Bitmap>(kInitialWidth, kInitialHeight)) {
  ranges_.push_back(std::make_unique<SingleCellRange>(record->GetCell()));
  icons_[1] = {2, nullptr, nullptr};
  icons_[0] = {5, nullptr, &icons_[1]};
}

Comment::~Comment() = default;

Bitmap* Comment::GetImage() { return image_.get(); }

void Comment::SetSize(int32_t width, int32_t height) {
  width_ = width;
  height_ = height;
  image_->Resize(std::max(width, 1), std::max(height, 1));
  Render();
}

int32_t Comment::MouseDown(int32_t x, int32_t y) {
  if (y >= kTitleHeight + 1) return kObjectTextEntry;
  // The handlers may free this comment: nothing of it is touched after firing.
  if (x > width_ - 20) {
    FireEvent(kCommentClose, this);
    return kObjectHandled;
  }
  if (x > width_ - 40) {
    FireEvent(kCommentDelete, this);
    return kObjectHandled;
  }
  return kObjectGrab;
}

void Comment::KeyChar(char16_t character) {
  record_->SetText(record_->GetText() + character);
  Render();
}

void Comment::KeyDown(int32_t key) {
  if (key != 8 || record_->GetText().empty()) return;
  std::u16string text = record_->GetText();
  text.pop_back();
  record_->SetText(std::move(text));
  Render();
}

void Comment::AddEventHandler(int32_t event, void* userData, ObjectEventCallback callback) {
  for (Handler& h : handlers_) {
    if (h.event == event) {
      h = {event, userData, callback};
      return;
    }
  }
  handlers_.push_back({event, userData, callback});
}

void Comment::FireEvent(int32_t event, void* argument) {
  for (const Handler& h : handlers_) {
    if (h.event != event || !h.callback) continue;
    Handler copy = h;  // the callback may free the comment and its handlers
    copy.callback(copy.userData, argument);
    return;
  }
}

std::vector<std::u16string> WrapCommentText(std::u16string_view text, int32_t width,
                                            const std::function<int32_t(std::u16string_view)>& measure) {
  std::vector<std::u16string> words;
  size_t start = 0;
  while (true) {
    size_t space = text.find(u' ', start);
    words.emplace_back(text.substr(start, space == std::u16string_view::npos ? std::u16string_view::npos : space - start));
    if (space == std::u16string_view::npos) break;
    start = space + 1;
  }
  std::vector<std::u16string> lines;
  int32_t available = width - 8;
  int32_t spaceWidth = measure(u" ");
  size_t i = 0;
  while (i < words.size()) {
    std::u16string line = words[i++];
    int32_t lineWidth = measure(line);
    while (i < words.size()) {
      int32_t next = measure(words[i]);
      if (lineWidth + spaceWidth + next > available) break;
      line += u' ';
      line += words[i++];
      lineWidth = measure(line);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

namespace {

// The title bar's icons, decoded once from the pictures built into the program.
const Bitmap& Icon(std::string_view name) {
  static std::map<std::string, Bitmap, std::less<>> icons;
  auto found = icons.find(name);
  if (found != icons.end()) return found->second;
  std::optional<PixelImage> pixels = DecodePng(GetEmbeddedResource(name));
  return icons.emplace(std::string(name), pixels ? ToBitmap(*pixels) : Bitmap()).first->second;
}

}  // namespace

void Comment::Render() {
  if (std::unique_ptr<Canvas> canvas = OpenBitmapCanvas(*image_)) Render(*canvas);
}

void Comment::Render(Canvas& canvas) const {
  canvas.ClearClip();
  canvas.FillBox(0, 0, width_, height_, kWhite);
  canvas.FrameBox(0, 0, width_, height_, kBlack);
  canvas.DrawLine(0, kTitleHeight, width_, kTitleHeight, kBlack);
  canvas.SetDrawMode(DrawMode::AlphaBlend);
  canvas.DrawImage(Icon("commentClose.png"), width_ - 18, 2);
  canvas.DrawImage(Icon("commentDelete.png"), width_ - 38, 2);
  canvas.SetDrawMode(DrawMode::TransparentText);
  canvas.SetFont(*GetFont(u"Arial", kSmallTextSize, 0)->platformFont);
  canvas.SetTextColour(kBlack);
  canvas.DrawText(4, 4, record_->GetAuthor());
  canvas.SetClip(4, kTitleHeight + 4, width_ - 8, height_ - 28);
  int32_t lineHeight = canvas.TextHeight(u" ");
  int32_t y = kTitleHeight + 4;
  for (const std::u16string& line :
       WrapCommentText(record_->GetText(), width_, [&](std::u16string_view t) { return canvas.TextWidth(t); })) {
    canvas.DrawText(4, y, line);
    y += lineHeight;
  }
  canvas.ClearClip();
}

void AddComment(Sheet* sheet, Cell* cell) {
  if (!sheet || !cell) return;
  if (!cell->GetComment()) {
    CommentRecord* record = KeepRecord(std::make_unique<CommentRecord>(cell));
    if (Host* host = sheet->GetHost()) host->AddAction(std::make_unique<CommentAction>(cell, record));
    cell->SetComment(record);
  }
  ShowComment(sheet, cell);
}

void ShowComment(Sheet* sheet, Cell* cell) {
  CommentRecord* record = cell ? cell->GetComment() : nullptr;
  if (!sheet || !record || sheet->GetCommentObject(record)) return;
  auto comment = std::make_unique<Comment>(record);
  Comment* shown = comment.get();
  auto anchor = std::make_unique<ObjectAnchor>(sheet, cell, std::move(comment));
  sheet->SetCommentObject(record, anchor.get());
  sheet->AddObject(std::move(anchor));
  shown->AddEventHandler(kCommentClose, sheet, HideCommentCallback);
  shown->AddEventHandler(kCommentDelete, sheet, DeleteCommentCallback);
  shown->Render();
}

void HideComment(Sheet* sheet, Comment* comment) {
  Host* host = sheet->GetHost();
  sheet->RemoveCommentObject(comment->GetCommentRecord());
  if (host) host->Refresh();
}

void DeleteComment(Sheet* sheet, Comment* comment) {
  Host* host = sheet->GetHost();
  CommentRecord* record = comment->GetCommentRecord();
  Cell* cell = record->GetCell();
  sheet->RemoveCommentObject(record);
  if (cell) {
    if (host) host->AddAction(std::make_unique<CommentAction>(cell, nullptr));
    cell->SetComment(nullptr);
  }
  if (host) host->Refresh();
}

}  // namespace quadrell
