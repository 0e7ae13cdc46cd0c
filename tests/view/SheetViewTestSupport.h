#pragma once
// A sheet window opened as a user opens one, and helpers that drive its grid
// view with the keyboard and the mouse through the offscreen platform.
#include <QApplication>
#include <QImage>
#include <QTest>

#include <string>

#include <gtest/gtest.h>

#include "../platform/qt/QtTestSupport.h"
#include "model/Cell.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "platform/qt/QtControls.h"
#include "shell/Application.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"

namespace quadrell::test {

// The widget of a canvas control (found by its drawing surface).
inline qt::CanvasWidget* CanvasOf(CanvasControl& control) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    for (QWidget* child : top->findChildren<QWidget*>()) {
      auto* canvas = dynamic_cast<qt::CanvasWidget*>(child);
      if (canvas && &canvas->Surface() == &control.Surface()) return canvas;
    }
  }
  return nullptr;
}

class SheetWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = &Application::Create(kKindSheet);
    ASSERT_TRUE(QTest::qWaitForWindowActive(WidgetOf(app->GetWindow())));
    container = static_cast<SheetContainer*>(&app->GetContainer());
    view = container->GetActiveView();
    canvas = CanvasOf(view->GetCanvas());
    ASSERT_NE(canvas, nullptr);
    view->GetCanvas().Focus();
    ASSERT_TRUE(WaitFor([&] { return view->GetCanvas().HasFocus(); }));
  }
  void TearDown() override {
    while (!WindowMap().empty()) WindowMap().back()->Close();
    Settle();
  }

  Sheet* sheet() const { return container->GetWorkbook().GetActiveSheet(); }
  Cell* CellAt(int32_t row, int32_t column) const { return sheet()->GetCellDirect(row, column); }
  std::u16string Input(int32_t row, int32_t column) const {
    Row* r = sheet()->FindRow(row);
    return r ? r->GetCellInput(column) : u"";
  }
  std::u16string Shown(int32_t row, int32_t column) const { return sheet()->GetCellText(row, column); }

  void Type(const char* text) { QTest::keyClicks(canvas, text); }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(canvas, key, modifiers); }
  // Shift held as a keyboard holds it: pressed before, released after.
  void ShiftKey(Qt::Key key) {
    QTest::keyPress(canvas, Qt::Key_Shift);
    QTest::keyClick(canvas, key, Qt::ShiftModifier);
    QTest::keyRelease(canvas, Qt::Key_Shift);
  }
  void Shortcut(Qt::Key key) { QTest::keyClick(canvas, key, Qt::ControlModifier); }

  QPoint Centre(int32_t row, int32_t column) const {
    Rect box = view->CellBox(row, column);
    EXPECT_GT(box.width, 0) << "row " << row << " column " << column << " is not laid out";
    return QPoint(box.x + box.width / 2, box.y + box.height / 2);
  }
  void Press(QPoint at) { QTest::mousePress(canvas, Qt::LeftButton, {}, at); }
  void Release(QPoint at) { QTest::mouseRelease(canvas, Qt::LeftButton, {}, at); }
  void MoveTo(QPoint at) { QTest::mouseMove(canvas, at); }
  void Click(QPoint at) { QTest::mouseClick(canvas, Qt::LeftButton, {}, at); }
  void ClickCell(int32_t row, int32_t column) { Click(Centre(row, column)); }
  // Through the window, as the window system delivers a double click.
  void DoubleClick(QPoint at) {
    QTest::mouseDClick(canvas->window()->windowHandle(), Qt::LeftButton, {}, canvas->mapTo(canvas->window(), at));
  }
  // A press, a move in a few steps and a release.
  void Drag(QPoint from, QPoint to) {
    MoveTo(from);
    Press(from);
    for (int k = 1; k <= 4; ++k) MoveTo(from + (to - from) * k / 4);
    Release(to);
  }

  // What the canvas shows, as 0xBBGGRR.
  Colour Pixel(int x, int y) const {
    QRgb p = canvas->Backing().pixel(x, y);
    return RgbColour(qRed(p), qGreen(p), qBlue(p));
  }
  // Pixels in the box that are not the colour.
  int CountOther(const Rect& box, Colour colour) const {
    int n = 0;
    for (int y = box.y; y < box.Bottom(); ++y) {
      for (int x = box.x; x < box.Right(); ++x) n += Pixel(x, y) != colour;
    }
    return n;
  }
  // The inside of a laid-out cell, without its grid lines.
  Rect Inside(int32_t row, int32_t column) const {
    Rect box = view->CellBox(row, column);
    return Rect{box.x + 1, box.y + 1, box.width - 1, box.height - 1};
  }
  void Select(int32_t c1, int32_t r1, int32_t c2, int32_t r2) {
    view->SetSelection(std::make_unique<AreaRange>(c1, r1, c2, r2, sheet()));
  }

  Application* app = nullptr;
  SheetContainer* container = nullptr;
  SheetGadget* view = nullptr;
  qt::CanvasWidget* canvas = nullptr;
};

}  // namespace quadrell::test
