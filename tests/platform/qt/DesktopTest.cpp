#include <gtest/gtest.h>

#include "QtTestSupport.h"
#include "platform/Desktop.h"

namespace quadrell {
namespace {

using test::Settle;
using test::WaitFor;

TEST(ClipboardTest, TextRoundTripsAndEachChangeIsNoticedOnceFromTheEventLoop) {
  int notices = 0;
  std::u16string seen;
  auto watch = WatchClipboard([&] {
    ++notices;
    seen = ClipboardText();
  });
  const std::u16string copied = u"1\t2\r\n3\t\r\n\u00d8 \u03a3";
  SetClipboardText(copied);
  EXPECT_EQ(notices, 0);  // not from inside the change itself
  EXPECT_TRUE(WaitFor([&] { return notices == 1; }));
  EXPECT_EQ(seen, copied);
  EXPECT_EQ(ClipboardText(), copied);
  Settle();
  EXPECT_EQ(notices, 1);

  // A second watcher (a second window) hears the same changes.
  int others = 0;
  auto second = WatchClipboard([&] { ++others; });
  SetClipboardText(u"other program");
  EXPECT_TRUE(WaitFor([&] { return notices == 2 && others == 1; }));

  // Leaving the watch: nothing more, not even a notice already on its way.
  SetClipboardText(u"late");
  watch.reset();
  Settle();
  EXPECT_EQ(notices, 2);
  EXPECT_TRUE(WaitFor([&] { return others == 2; }));
}

TEST(ScreenTest, TheWorkAreaAndThePointerAreOnTheScreen) {
  Rect area = DesktopWorkArea();
  EXPECT_GT(area.width, 0);
  EXPECT_GT(area.height, 0);
  Point p = PointerPosition();
  EXPECT_GE(p.x, -1);
  EXPECT_FALSE(OpenWithDefaultHandler(u""));
}

}  // namespace
}  // namespace quadrell
