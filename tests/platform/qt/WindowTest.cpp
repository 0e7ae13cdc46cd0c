#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>
#include <QWidget>

#include <string>
#include <vector>

#include "QtTestSupport.h"
#include "platform/Keys.h"
#include "platform/Window.h"
#include "platform/qt/QtControls.h"
#include "platform/qt/QtSupport.h"

namespace quadrell {
namespace {

using test::CanvasWidgetOf;
using test::OpenWindow;
using test::Recorder;
using test::Settle;
using test::WaitFor;
using test::WidgetOf;

TEST(WindowTest, AMainWindowOpensMaximisedWithItsTitle) {
  OpenWindow w(u"unknown - quadrell 0.56");
  ASSERT_NE(w.widget, nullptr);
  EXPECT_TRUE(w.window->IsVisible());
  EXPECT_TRUE(w.widget->isMaximized());
  EXPECT_EQ(w.window->Title(), u"unknown - quadrell 0.56");
  EXPECT_EQ(w.widget->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_TRUE(WaitFor([&] { return w.window->Width() > 500; }));
  w.window->SetTitle(u"Book.xlsx - quadrell 0.56");
  EXPECT_EQ(w.widget->windowTitle(), QStringLiteral("Book.xlsx - quadrell 0.56"));
}

TEST(WindowTest, ShortcutsBecomeMenuEventsAndTheirKeysReachTheCanvasOnlyOnRelease) {
  OpenWindow w(u"shortcuts");
  struct Shortcut {
    int key;
    bool control;
  } shortcuts[] = {{kKeyReturn, false}, {kKeyTab, false}, {'V', true}, {'C', true}, {'X', true}, {'F', true},
                   {kKeyDelete, false}, {'Z', true},      {'Y', true}, {'A', true}, {'S', true}};
  for (int event = 0; event < 11; ++event) {
    w.window->AddShortcut(shortcuts[event].key, shortcuts[event].control, event);
  }
  auto canvas = CreateCanvasControl(*w.window, Rect{0, 0, 100, 50}, w.events, CanvasOptions{.takesFocus = true});
  canvas->Focus();
  QWidget* target = CanvasWidgetOf(*canvas);
  ASSERT_NE(target, nullptr);
  ASSERT_TRUE(WaitFor([&] { return canvas->HasFocus(); }));
  w.events.Take();
  const Qt::Key qtKeys[] = {Qt::Key_Return, Qt::Key_Tab, Qt::Key_V, Qt::Key_C, Qt::Key_X, Qt::Key_F,
                            Qt::Key_Delete, Qt::Key_Z,   Qt::Key_Y, Qt::Key_A, Qt::Key_S};
  for (int event = 0; event < 11; ++event) {
    QTest::keyClick(target, qtKeys[event], shortcuts[event].control ? Qt::ControlModifier : Qt::NoModifier);
  }
  std::vector<std::string> events = w.events.Take();
  std::vector<std::string> menus;
  for (const auto& e : events) {
    if (e.rfind("menu ", 0) == 0) menus.push_back(e);
  }
  ASSERT_EQ(menus.size(), 11u);
  for (int event = 0; event < 11; ++event) EXPECT_EQ(menus[event], "menu " + std::to_string(event));
  // The pressed key became the shortcut; its release still reaches the canvas.
  EXPECT_EQ(std::count(events.begin(), events.end(), "down 13"), 0);
  EXPECT_EQ(std::count(events.begin(), events.end(), "up 13"), 1);
  EXPECT_EQ(std::count(events.begin(), events.end(), "up 9"), 1);

  w.window->RemoveShortcut(0);
  QTest::keyClick(target, Qt::Key_Return);
  EXPECT_EQ(w.events.Take(), (std::vector<std::string>{"down 13", "up 13"}));
  QTest::keyClick(target, Qt::Key_Enter);  // the keypad's Enter is Return too
  EXPECT_EQ(w.events.Take(), (std::vector<std::string>{"down 13", "up 13"}));
}

TEST(WindowTest, TheCanvasReportsKeysCharactersAndTheMouse) {
  OpenWindow w(u"canvas events");
  auto canvas = CreateCanvasControl(*w.window, Rect{10, 10, 200, 100}, w.events, CanvasOptions{.takesFocus = true});
  QWidget* target = CanvasWidgetOf(*canvas);
  ASSERT_NE(target, nullptr);
  canvas->Focus();
  ASSERT_TRUE(WaitFor([&] { return canvas->HasFocus(); }));
  w.events.Take();

  QTest::keyClick(target, Qt::Key_A);
  QTest::keyClick(target, Qt::Key_Backspace);
  QTest::keyClick(target, Qt::Key_Left);
  QTest::keyClick(target, Qt::Key_Escape);
  QTest::keyClick(target, Qt::Key_Tab);
  QTest::keyPress(target, Qt::Key_Shift);
  QTest::keyRelease(target, Qt::Key_Shift);
  EXPECT_EQ(w.events.Take(), (std::vector<std::string>{"down 65", "char a", "up 65", "down 8", "up 8", "down 37",
                                                        "up 37", "down 27", "up 27", "down 9", "up 9", "down 16",
                                                        "up 16"}));

  // Through the window, as the window system delivers them, double clicks included.
  QWindow* window = WidgetOf(*w.window)->windowHandle();
  auto at = [&](int x, int y) { return target->mapTo(target->window(), QPoint(x, y)); };
  QTest::mouseClick(window, Qt::LeftButton, {}, at(5, 6));
  QTest::mouseDClick(window, Qt::LeftButton, {}, at(7, 8));
  QTest::mouseClick(window, Qt::RightButton, {}, at(9, 9));
  std::vector<std::string> mouse;
  for (auto& e : w.events.Take()) {
    if (e.rfind("focus", 0) != 0) mouse.push_back(e);
  }
  // The second press of a double click is the double click, without a click of its own.
  EXPECT_EQ(mouse, (std::vector<std::string>{"left down 5,6", "left up 5,6", "click 5,6", "left down 7,8",
                                             "left up 7,8", "click 7,8", "double 7,8", "left up 7,8", "right 9,9"}));

  QWheelEvent wheel(QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 240), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &wheel);
  QWheelEvent fine(QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -60), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &fine);
  EXPECT_EQ(w.events.Take(), (std::vector<std::string>{"wheel 2"}));
  QApplication::sendEvent(target, &fine);
  EXPECT_EQ(w.events.Take(), (std::vector<std::string>{"wheel -1"}));
}

TEST(WindowTest, FocusMovesBetweenCanvasesThatTakeIt) {
  OpenWindow w(u"focus");
  Recorder second;
  auto a = CreateCanvasControl(*w.window, Rect{0, 0, 50, 50}, w.events, CanvasOptions{.takesFocus = true});
  auto b = CreateCanvasControl(*w.window, Rect{60, 0, 50, 50}, second, CanvasOptions{.takesFocus = true});
  a->Focus();
  ASSERT_TRUE(WaitFor([&] { return a->HasFocus(); }));
  w.events.Take();
  QTest::mouseClick(CanvasWidgetOf(*b), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_TRUE(b->HasFocus());
  EXPECT_EQ(w.events.Take(), (std::vector<std::string>{"focus lost"}));
  EXPECT_EQ(second.Take().front(), "focus");
}

TEST(WindowTest, ACanvasShowsWhatWasDrawnAndKeepsItWhenResized) {
  OpenWindow w(u"painting");
  auto canvas = CreateCanvasControl(*w.window, Rect{0, 0, 40, 30}, w.events);
  Canvas& surface = canvas->Surface();
  EXPECT_EQ(surface.Width(), 40);
  EXPECT_EQ(surface.Height(), 30);
  surface.FillBox(0, 0, 40, 30, 0xFFFFFF);
  surface.FillBox(5, 5, 10, 10, 0x0000FF);
  surface.DrawLine(0, 29, 40, 29, 0xFF0000);
  QWidget* widget = CanvasWidgetOf(*canvas);
  ASSERT_NE(widget, nullptr);
  QImage shown = widget->grab().toImage();
  EXPECT_EQ(shown.pixelColor(7, 7), QColor(255, 0, 0));
  EXPECT_EQ(shown.pixelColor(20, 20), QColor(255, 255, 255));
  EXPECT_EQ(shown.pixelColor(39, 29), QColor(0, 0, 255));

  canvas->SetBounds(Rect{0, 0, 60, 40});
  EXPECT_EQ(surface.Width(), 60);
  shown = widget->grab().toImage();
  EXPECT_EQ(shown.size(), QSize(60, 40));
  EXPECT_EQ(shown.pixelColor(7, 7), QColor(255, 0, 0));
  EXPECT_EQ(shown.pixelColor(50, 35), QColor(255, 255, 255));
  surface.FillBox(50, 35, 5, 5, 0x00FF00);
  EXPECT_EQ(widget->grab().toImage().pixelColor(52, 37), QColor(0, 255, 0));
}

TEST(WindowTest, TheTimerRepeatsAndCloseIsTheOwnersDecision) {
  OpenWindow w(u"timer");
  w.window->StartTimer(20);
  EXPECT_TRUE(WaitFor([&] { return w.events.timerTicks >= 3; }));
  w.widget->close();
  EXPECT_EQ(w.events.Take().back(), "close");
  EXPECT_TRUE(w.window->IsVisible());
  // Destroying the window while it reports its close request is safe.
  w.events.onClose = [&] { w.window.reset(); };
  w.widget->close();
  Settle();
  EXPECT_EQ(w.window, nullptr);
}

TEST(WindowTest, APointerConfinedToTheCanvasStaysInsideWhileTheButtonIsHeld) {
  OpenWindow w(u"confined");
  auto canvas = CreateCanvasControl(*w.window, Rect{20, 20, 100, 60}, w.events, CanvasOptions{.confinePointer = true});
  QWidget* target = CanvasWidgetOf(*canvas);
  QWindow* window = WidgetOf(*w.window)->windowHandle();
  w.events.Take();
  QTest::mousePress(window, Qt::LeftButton, {}, QPoint(30, 30));
  QTest::mouseMove(window, QPoint(400, 10));
  EXPECT_EQ(QCursor::pos(), target->mapToGlobal(QPoint(99, 0)));
  QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(400, 10));
  std::vector<std::string> events = w.events.Take();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), "left down 10,10");
}

TEST(WindowTest, FilesDroppedOnTheWindowArriveWithTheirPaths) {
  OpenWindow w(u"drop");
  w.window->AcceptFileDrops();
  QWidget* widget = WidgetOf(*w.window);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a picture.png")), QUrl(QStringLiteral("https://x.invalid/b")),
                QUrl::fromLocalFile(QStringLiteral("/tmp/b.jpg"))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &drop);
  std::vector<std::string> events = w.events.Take();
  EXPECT_EQ(std::vector<std::string>(events.end() - 2, events.end()),
            (std::vector<std::string>{"drop /tmp/a picture.png", "drop /tmp/b.jpg"}));
}

TEST(WindowTest, AToolWindowIsCentredOnItsOwnerAndKeptAboveIt) {
  OpenWindow owner(u"owner");
  Recorder events;
  WindowOptions options;
  options.kind = WindowKind::Tool;
  options.title = u"Search";
  options.width = 320;
  options.height = 140;
  options.resizable = false;
  options.stayOnTop = true;
  options.owner = owner.window.get();
  auto dialog = CreateWindow(options, events);
  dialog->Show();
  ASSERT_TRUE(WaitFor([&] { return dialog->IsVisible(); }));
  Rect o = owner.window->ScreenRect();
  Rect d = dialog->ScreenRect();
  EXPECT_EQ(d.width, 320);
  EXPECT_EQ(d.height, 140);
  EXPECT_NEAR(d.x + d.width / 2, o.x + o.width / 2, 1);
  EXPECT_NEAR(d.y + d.height / 2, o.y + o.height / 2, 1);
  QWidget* widget = WidgetOf(*dialog);
  EXPECT_TRUE(widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(widget->parentWidget(), WidgetOf(*owner.window));
  dialog->Hide();
  EXPECT_FALSE(dialog->IsVisible());
  dialog->Activate();
  EXPECT_TRUE(dialog->IsVisible());
}

}  // namespace
}  // namespace quadrell
