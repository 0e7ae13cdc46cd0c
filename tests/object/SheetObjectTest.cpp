#include <png.h>

#include <memory>
#include <string>

#include "TestSupport.h"
#include "model/Cell.h"
#include "model/Column.h"
#include "model/PlainHost.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "object/Comment.h"
#include "object/Image.h"
#include "object/SheetAnchor.h"
#include "platform/Files.h"

namespace quadrell {
namespace {

// An object of a fixed size that records the presses it gets.
class Box final : public Object {
 public:
  Box(int32_t w, int32_t h) : width(w), height(h) {}
  Bitmap* GetImage() override { return nullptr; }
  int32_t GetKind() const override { return kObjectImage; }
  int32_t GetObjectWidth() const override { return width; }
  int32_t GetObjectHeight() const override { return height; }
  void SetSize(int32_t w, int32_t h) override { sized = {w, h}; }
  int32_t MouseDown(int32_t x, int32_t y) override {
    pressed = {x, y};
    return kObjectGrab;
  }
  int32_t QueryPoint(int32_t, int32_t) override { return 0; }
  int32_t BeginTextEdit(int32_t, int32_t) override { return 0; }
  void KeyChar(char16_t) override {}
  void KeyDown(int32_t) override {}
  void DragPart(int32_t, int32_t) override {}
  void AddEventHandler(int32_t, void*, ObjectEventCallback) override {}
  void FireEvent(int32_t, void*) override {}
  const std::vector<std::unique_ptr<Range>>* GetRanges() const override { return nullptr; }
  int32_t Deselect() override { return 0; }
  const ObjectToolIcon* GetToolIcons() const override { return nullptr; }

  int32_t width, height;
  std::pair<int32_t, int32_t> sized{-1, -1}, pressed{-1, -1};
};

struct Corner {
  int32_t row, column, x, y;
  bool operator==(const Corner&) const = default;
};
Corner Of(const SheetPosition& p) { return {p.cell->GetRowIndex(), p.cell->GetColumnIndex(), p.x, p.y}; }

TEST(SheetAnchor, PlacementMovesAndResizes) {
  Workbook book(u"b", nullptr);
  Sheet* s = book.GetActiveSheet();
  auto box = std::make_unique<Box>(150, 30);
  Box* object = box.get();
  ObjectAnchor anchor(s, s->GetCellDirect(2, 1), std::move(box));
  // At the right edge of B2, at the top of row 2; the far corner 150 x 30 further.
  EXPECT_EQ(Of(anchor.GetTopLeft()), (Corner{2, 1, 98, 0}));
  EXPECT_EQ(Of(anchor.GetBottomRight()), (Corner{3, 3, 52, 12}));

  // Stopped at column A: both corners move by what the first could.
  anchor.MoveBy(-500, 0);
  EXPECT_EQ(Of(anchor.GetTopLeft()), (Corner{2, 0, 0, 0}));
  EXPECT_EQ(Of(anchor.GetBottomRight()), (Corner{3, 1, 52, 12}));
  anchor.MoveBy(0, -100);
  EXPECT_EQ(Of(anchor.GetTopLeft()), (Corner{1, 0, 0, 0}));
  EXPECT_EQ(Of(anchor.GetBottomRight()), (Corner{2, 1, 52, 12}));

  anchor.ResizeBy(-400, 10);
  EXPECT_EQ(anchor.GetWidth(), 150);  // too small: the width stays, the height grows
  EXPECT_EQ(anchor.GetHeight(), 40);
  EXPECT_EQ(object->sized, (std::pair{150, 40}));
  anchor.ResizeBy(-149, 0);
  EXPECT_EQ(anchor.GetWidth(), 1);
  EXPECT_EQ(Of(anchor.GetBottomRight()), (Corner{3, 0, 1, 4}));

  // Hidden columns have no width and are stepped over.
  s->GetColumn(1)->SetWidth(0);
  anchor.ResizeBy(199, 0);
  EXPECT_EQ(Of(anchor.GetBottomRight()), (Corner{3, 3, 4, 4}));  // 98 in A, none in B, 98 in C
}

TEST(SheetAnchor, FollowsInsertedRowsAndHandsOnPresses) {
  Workbook book(u"b", nullptr);
  Sheet* s = book.GetActiveSheet();
  auto box = std::make_unique<Box>(100, 20);
  Box* object = box.get();
  auto owned = std::make_unique<ObjectAnchor>(s, s->GetCellDirect(3, 0), std::move(box), 10, 5);
  ObjectAnchor* anchor = owned.get();
  s->AddObject(std::move(owned));
  EXPECT_EQ(Of(anchor->GetBottomRight()), (Corner{4, 1, 12, 7}));
  s->GetRow(5)->SetHeight(40, true);
  s->InsertRow(1);
  EXPECT_EQ(Of(anchor->GetTopLeft()), (Corner{4, 0, 10, 5}));
  EXPECT_EQ(Of(anchor->GetBottomRight()), (Corner{5, 1, 12, 7}));
  s->GetRow(4)->SetHeight(30, true);
  s->InsertRow(10);  // below: the far corner is computed again over the new heights
  EXPECT_EQ(Of(anchor->GetBottomRight()), (Corner{4, 1, 12, 25}));

  EXPECT_TRUE(anchor->HitTest(0, 4, 10, 5));
  EXPECT_TRUE(anchor->HitTest(1, 4, 12, 25));
  EXPECT_FALSE(anchor->HitTest(0, 4, 9, 5));
  EXPECT_FALSE(anchor->HitTest(1, 4, 13, 25));
  EXPECT_FALSE(anchor->HitTest(0, 5, 11, 0));
  EXPECT_EQ(anchor->PressAt(1, 5, 3, 2), kObjectGrab);
  EXPECT_EQ(object->pressed, (std::pair{98 - 10 + 3, 30 - 5 + 2}));
}

TEST(Comment, TitleBarButtonsTextEntryAndUndoableRecord) {
  PlainHost host;
  Workbook book(u"b", &host);
  Sheet* s = book.GetActiveSheet();
  Cell* cell = s->GetCellDirect(2, 1);
  AddComment(s, cell);
  CommentRecord* record = cell->GetComment();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->GetCell(), cell);
  EXPECT_TRUE(record->GetText().empty());
  ASSERT_EQ(s->ObjectCount(), 1);
  auto* anchor = static_cast<ObjectAnchor*>(s->GetCommentObject(record));
  ASSERT_TRUE(anchor);
  auto* comment = static_cast<Comment*>(anchor->GetObject());
  EXPECT_EQ(comment->GetKind(), kObjectComment);
  EXPECT_EQ(comment->GetObjectWidth(), 200);
  EXPECT_EQ(comment->GetObjectHeight(), 250);
  ASSERT_EQ(comment->GetRanges()->size(), 1u);
  EXPECT_EQ((*comment->GetRanges())[0]->ToString(), u"B2");
  const ObjectToolIcon* icons = comment->GetToolIcons();
  ASSERT_TRUE(icons && icons->next);
  EXPECT_EQ(icons->code, 5);
  EXPECT_EQ(icons->next->code, 2);

  EXPECT_EQ(comment->MouseDown(10, 5), kObjectGrab);
  EXPECT_EQ(comment->MouseDown(10, 100), kObjectTextEntry);
  comment->KeyChar(u'h');
  comment->KeyChar(u'i');
  EXPECT_EQ(record->GetText(), u"hi");
  comment->KeyDown(8);
  EXPECT_EQ(record->GetText(), u"h");
  comment->KeyDown(8);
  comment->KeyDown(8);  // nothing left to remove
  EXPECT_EQ(record->GetText(), u"");

  // Close hides the box; the cell keeps its record and shows it again.
  EXPECT_EQ(comment->MouseDown(200 - 10, 5), kObjectHandled);
  EXPECT_EQ(s->ObjectCount(), 0);
  EXPECT_EQ(cell->GetComment(), record);
  AddComment(s, cell);  // the record is kept, only shown
  EXPECT_EQ(cell->GetComment(), record);
  ASSERT_EQ(s->ObjectCount(), 1);
  comment = static_cast<Comment*>(s->GetCommentObject(record)->GetObject());
  // Delete takes the record off the cell as well.
  EXPECT_EQ(comment->MouseDown(200 - 30, 5), kObjectHandled);
  EXPECT_EQ(s->ObjectCount(), 0);
  EXPECT_EQ(cell->GetComment(), nullptr);
  // Undo brings the record back; undoing again takes away the added comment.
  host.Undo();
  EXPECT_EQ(cell->GetComment(), record);
  host.Undo();
  EXPECT_EQ(cell->GetComment(), nullptr);
  host.Redo();
  EXPECT_EQ(cell->GetComment(), record);
}

TEST(Comment, TextWrapsAtSpacesOnly) {
  auto measure = [](std::u16string_view text) { return static_cast<int32_t>(text.size()) * 10; };
  // 192 pixels hold a line of at most 19 characters.
  using Lines = std::vector<std::u16string>;
  EXPECT_EQ(WrapCommentText(u"one two three four five six", 200, measure), (Lines{u"one two three four", u"five six"}));
  EXPECT_EQ(WrapCommentText(u"abcdefghijklmnopqrstuvwxyz and more", 200, measure),
            (Lines{u"abcdefghijklmnopqrstuvwxyz", u"and more"}));
  EXPECT_EQ(WrapCommentText(u"", 200, measure), (Lines{u""}));
  EXPECT_EQ(WrapCommentText(u"a  b", 200, measure), (Lines{u"a  b"}));
}

std::string WritePng(const std::string& path, int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4, 200);
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(width);
  png.height = static_cast<png_uint_32>(height);
  png.format = PNG_FORMAT_RGBA;
  EXPECT_TRUE(png_image_write_to_file(&png, path.c_str(), 0, pixels.data(), 0, nullptr));
  return path;
}

TEST(Image, LoadedPicturesFitTheViewWithoutGrowing) {
  test::TempFolder folder;
  auto big = LoadImageFile(WritePng(folder.File("big.png"), 400, 300), 100, 60);
  ASSERT_TRUE(big);
  EXPECT_EQ(big->GetObjectWidth(), 80);
  EXPECT_EQ(big->GetObjectHeight(), 60);
  EXPECT_EQ(big->GetFileName(), u"big.png");
  EXPECT_EQ(big->GetBytes(), *ReadWholeFile(folder.File("big.png")));
  auto small = LoadImageFile(WritePng(folder.File("small.png"), 30, 20), 100, 60);
  ASSERT_TRUE(small);
  EXPECT_EQ(small->GetObjectWidth(), 30);
  EXPECT_EQ(small->GetObjectHeight(), 20);
  EXPECT_EQ(small->MouseDown(1, 1), kObjectGrab);
  EXPECT_EQ(small->GetToolIcons()->code, 2);
  ASSERT_TRUE(WriteFileAtomically(folder.File("fake.png"), "not a picture"));
  EXPECT_FALSE(LoadImageFile(folder.File("fake.png"), 100, 60));
  EXPECT_FALSE(LoadImageFile(folder.File("missing.png"), 100, 60));
}

}  // namespace
}  // namespace quadrell
