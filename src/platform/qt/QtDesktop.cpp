#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

#include "platform/Desktop.h"
#include "platform/qt/QtSupport.h"

namespace quadrell {

using namespace qt;

std::u16string ClipboardText() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  return clipboard ? FromQString(clipboard->text()) : std::u16string();
}

void SetClipboardText(std::u16string_view text) {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(ToQString(text));
}

namespace {

class QtClipboardWatch : public ClipboardWatch {
 public:
  explicit QtClipboardWatch(std::function<void()> onChange) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
      // Queued: the notice comes from the event loop, after the change that caused it,
      // and is dropped when the watch is gone by then.
      QObject::connect(
          clipboard, &QClipboard::dataChanged, &receiver_,
          [onChange = std::move(onChange)] {
            HandlerScope scope;
            onChange();
          },
          Qt::QueuedConnection);
    }
  }

 private:
  QObject receiver_;
};

}  // namespace

std::unique_ptr<ClipboardWatch> WatchClipboard(std::function<void()> onChange) {
  return std::make_unique<QtClipboardWatch>(std::move(onChange));
}

Point PointerPosition() {
  QPoint p = QCursor::pos();
  return Point{p.x(), p.y()};
}

Rect DesktopWorkArea() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? FromQRect(screen->availableGeometry()) : Rect{};
}

bool OpenWithDefaultHandler(std::u16string_view pathOrAddress) {
  QString target = ToQString(pathOrAddress);
  if (target.isEmpty()) return false;
  QUrl url(target);
  if (url.scheme().size() < 2) url = QUrl::fromLocalFile(target);  // a path, or a drive letter on Windows
  return QDesktopServices::openUrl(url);
}

}  // namespace quadrell
