#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "QtTestSupport.h"
#include "platform/Window.h"

namespace quadrell {
namespace {

using test::CanvasWidgetOf;
using test::OpenWindow;
using test::Recorder;
using test::Settle;
using test::WaitFor;
using test::WidgetOf;

TEST(PopupTest, APopupClosesWhenItLosesTheFocusAndSaysSo) {
  OpenWindow w(u"owner");
  Rect at = w.window->ScreenRect();
  Recorder popupEvents;
  auto popup = CreatePopupWindow(*w.window, Rect{at.x + 100, at.y + 100, 120, 80}, popupEvents);
  auto canvas = CreateCanvasControl(*popup, Rect{0, 0, 120, 80}, popupEvents, CanvasOptions{.takesFocus = true});
  popup->Show();
  canvas->Focus();
  ASSERT_TRUE(WaitFor([&] { return popup->IsOpen() && canvas->HasFocus(); }));
  EXPECT_EQ(popup->ScreenRect(), (Rect{at.x + 100, at.y + 100, 120, 80}));

  // A click elsewhere in the owner takes the focus away.
  QTest::mouseClick(WidgetOf(*w.window)->windowHandle(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_TRUE(WaitFor([&] { return !popup->IsOpen(); }));
  std::vector<std::string> events = popupEvents.Take();
  EXPECT_EQ(std::count(events.begin(), events.end(), "dismissed"), 1);
}

TEST(PopupTest, ClosingOrFreeingAPopupIsNotADismissal) {
  OpenWindow w(u"owner");
  Recorder events;
  auto popup = CreatePopupWindow(*w.window, Rect{50, 50, 60, 60}, events);
  popup->Show();
  ASSERT_TRUE(WaitFor([&] { return popup->IsOpen(); }));
  popup->Close();
  EXPECT_FALSE(popup->IsOpen());
  popup->Show();
  ASSERT_TRUE(WaitFor([&] { return popup->IsOpen(); }));
  popup.reset();
  Settle();
  EXPECT_TRUE(events.Take().empty());
}

TEST(PopupTest, APopupMayFreeItselfWhenDismissed) {
  OpenWindow w(u"owner");
  Recorder events;
  std::unique_ptr<PopupWindow> popup = CreatePopupWindow(*w.window, Rect{50, 50, 60, 60}, events);
  auto canvas = CreateCanvasControl(*popup, Rect{0, 0, 60, 60}, events, CanvasOptions{.takesFocus = true});
  events.onDismissed = [&] {
    canvas.reset();
    popup.reset();
  };
  popup->Show();
  ASSERT_TRUE(WaitFor([&] { return popup->IsOpen(); }));
  QTest::mouseClick(WidgetOf(*w.window)->windowHandle(), Qt::LeftButton, {}, QPoint(300, 300));
  EXPECT_TRUE(WaitFor([&] { return popup == nullptr; }));
  Settle();
}

TEST(PopupTest, APopupWithoutFocusLeavesTheFocusWithTheEditor) {
  OpenWindow w(u"owner");
  Recorder editorEvents, popupEvents;
  auto editor = CreateCanvasControl(*w.window, Rect{0, 0, 100, 20}, editorEvents, CanvasOptions{.takesFocus = true});
  editor->Focus();
  ASSERT_TRUE(WaitFor([&] { return editor->HasFocus(); }));
  editorEvents.Take();
  Rect at = editor->ScreenRect();
  auto suggestions = CreatePopupWindow(*w.window, Rect{at.x, at.Bottom(), 300, 200}, popupEvents, false);
  suggestions->Show();
  ASSERT_TRUE(WaitFor([&] { return suggestions->IsOpen(); }));
  QTest::keyClick(CanvasWidgetOf(*editor), Qt::Key_B);
  EXPECT_TRUE(editor->HasFocus());
  EXPECT_EQ(editorEvents.Take(), (std::vector<std::string>{"down 66", "char b", "up 66"}));
  QTest::mouseClick(CanvasWidgetOf(*editor), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_TRUE(suggestions->IsOpen());
  EXPECT_TRUE(popupEvents.Take().empty());
}

}  // namespace
}  // namespace quadrell
