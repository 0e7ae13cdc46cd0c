#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/Cell.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "object/Comment.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"

namespace quadrell {
namespace {

// Writes down what is drawn; text is 6 pixels a character and 12 high.
class RecordingCanvas final : public Canvas {
 public:
  explicit RecordingCanvas(std::vector<std::string>& log) : log_(log) {}
  void DrawText(int x, int y, std::u16string_view text) override {
    log_.push_back("text " + Point(x, y) + " " + std::string(text.begin(), text.end()));
  }
  int TextWidth(std::u16string_view text) override { return static_cast<int>(text.size()) * 6; }
  int TextHeight(std::u16string_view) override { return 12; }
  void PlotPoint(int x, int y, Colour) override { log_.push_back("point " + Point(x, y)); }
  void DrawLine(int x1, int y1, int x2, int y2, Colour c) override {
    log_.push_back("line " + Point(x1, y1) + " " + Point(x2, y2) + " " + std::to_string(c));
  }
  int Width() const override { return 200; }
  int Height() const override { return 250; }
  Colour LineColour() const override { return 0; }
  void SetLineColour(Colour) override {}
  void SetFont(const PlatformFont&) override { log_.push_back("font"); }
  void SetTextColour(Colour c) override { log_.push_back("text colour " + std::to_string(c)); }
  void SetDrawMode(DrawMode mode) override { log_.push_back("mode " + std::to_string(static_cast<int>(mode))); }
  void FillBox(int x, int y, int w, int h, Colour c) override {
    log_.push_back("fill " + Point(x, y) + " " + Point(w, h) + " " + std::to_string(c));
  }
  void BlendBox(int, int, int, int, Colour, int) override { log_.push_back("blend"); }
  void FrameBox(int x, int y, int w, int h, Colour c) override {
    log_.push_back("frame " + Point(x, y) + " " + Point(w, h) + " " + std::to_string(c));
  }
  void SetClip(int x, int y, int w, int h) override { log_.push_back("clip " + Point(x, y) + " " + Point(w, h)); }
  void ClearClip() override { log_.push_back("no clip"); }
  void DrawImage(const Bitmap& image, int x, int y) override {
    log_.push_back("image " + Point(x, y) + " " + Point(image.Width(), image.Height()) +
                   (image.AlphaAt(0, 0) == 0 ? " transparent corner" : ""));
  }
  void FillPath(const VectorPath&, Colour, int) override { log_.push_back("path"); }
  void StrokePath(const VectorPath&, Colour, int, double) override { log_.push_back("stroke"); }

 private:
  static std::string Point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
  std::vector<std::string>& log_;
};

TEST(CommentRender, BoxTitleBarIconsAuthorAndWrappedText) {
  Workbook book(u"b", nullptr);
  Cell* cell = book.GetActiveSheet()->GetCellDirect(1, 0);
  CommentRecord record(u"Ann", u"one two three four five six seven eight nine ten eleven twelve", cell);
  Comment comment(&record);
  std::vector<std::string> log;
  RecordingCanvas canvas(log);
  comment.Render(canvas);
  // 192 pixels hold 32 characters a line.
  EXPECT_EQ(log, (std::vector<std::string>{
                     "no clip", "fill 0,0 200,250 16777215", "frame 0,0 200,250 0", "line 0,20 200,20 0", "mode 2",
                     "image 182,2 16,16 transparent corner", "image 162,2 16,16 transparent corner", "mode 1", "font",
                     "text colour 0", "text 4,4 Ann", "clip 4,24 192,222", "text 4,24 one two three four five six",
                     "text 4,36 seven eight nine ten eleven", "text 4,48 twelve", "no clip"}));
}

TEST(CommentRender, EditsRenderIntoTheCommentsOwnImage) {
  std::vector<std::string> log;
  int opened = 0;
  int width = 0;
  SetBitmapCanvasFactory([&](Bitmap& image) -> std::unique_ptr<Canvas> {
    ++opened;
    width = image.Width();
    return std::make_unique<RecordingCanvas>(log);
  });
  Workbook book(u"b", nullptr);
  Sheet* sheet = book.GetActiveSheet();
  Cell* cell = sheet->GetCellDirect(1, 0);
  AddComment(sheet, cell);
  int afterShow = opened;
  EXPECT_GE(afterShow, 1);
  auto* comment = static_cast<Comment*>(sheet->GetCommentObject(cell->GetComment())->GetObject());
  ASSERT_TRUE(comment->GetImage());
  EXPECT_EQ(comment->GetImage()->Height(), 250);
  comment->KeyChar(u'x');
  EXPECT_EQ(opened, afterShow + 1);
  EXPECT_EQ(log.back(), "no clip");
  EXPECT_NE(std::find(log.begin(), log.end(), "text 4,24 x"), log.end());
  comment->SetSize(120, 80);
  EXPECT_EQ(comment->GetImage()->Width(), 120);
  EXPECT_EQ(width, 120);
  SetBitmapCanvasFactory(nullptr);
}

}  // namespace
}  // namespace quadrell
