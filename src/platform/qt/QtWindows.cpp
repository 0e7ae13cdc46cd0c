#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHideEvent>
#include <QIcon>
#include <QMimeData>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QTimerEvent>
#include <QUrl>

#include <map>
#include <vector>

#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtKeys.h"
#include "platform/qt/QtSupport.h"

namespace quadrell::qt {

namespace {

void PaintWhite(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, Qt::white);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

QRect CentredOn(const QRect& area, QSize size) {
  return QRect(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2,
               size.width(), size.height());
}

QRect ScreenArea(const QWidget* near) {
  QScreen* screen = near && near->screen() ? near->screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

class WindowWidget : public QWidget {
 public:
  WindowWidget(QWidget* owner, Qt::WindowFlags flags, WindowEvents* events) : QWidget(owner, flags), events_(events) {}
  void Detach() { events_ = nullptr; }
  WindowEvents* Events() const { return events_; }
  bool Painted() const { return painted_; }
  void StartTimer(int milliseconds) {
    if (timerId_) killTimer(timerId_);
    timerId_ = startTimer(std::max(milliseconds, 1));
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    painted_ = true;
    QWidget::paintEvent(event);
  }
  void resizeEvent(QResizeEvent*) override {
    HandlerScope scope;
    if (events_) events_->OnResize(width(), height());
  }
  void closeEvent(QCloseEvent* event) override {
    // The owner decides: it destroys the window object to close it.
    event->ignore();
    HandlerScope scope;
    if (events_) events_->OnCloseRequested();
  }
  void timerEvent(QTimerEvent* event) override {
    if (event->timerId() != timerId_) return QWidget::timerEvent(event);
    HandlerScope scope;
    if (events_) events_->OnTimer();
  }
  void dragEnterEvent(QDragEnterEvent* event) override {
    if (!LocalFiles(event->mimeData()).empty()) event->acceptProposedAction();
  }
  void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
  void dropEvent(QDropEvent* event) override {
    std::vector<std::u16string> paths = LocalFiles(event->mimeData());
    if (paths.empty()) return;
    event->acceptProposedAction();
    QPoint at = mapToGlobal(event->position().toPoint());
    HandlerScope scope;
    if (events_) events_->OnFilesDropped(paths, Point{at.x(), at.y()});
  }

 private:
  static std::vector<std::u16string> LocalFiles(const QMimeData* data) {
    std::vector<std::u16string> paths;
    if (!data) return paths;
    for (const QUrl& url : data->urls()) {
      if (url.isLocalFile()) paths.push_back(FromQString(url.toLocalFile()));
    }
    return paths;
  }

  WindowEvents* events_;
  int timerId_ = 0;
  bool painted_ = false;
};

class QtWindow : public Window, public WidgetParent {
 public:
  QtWindow(const WindowOptions& options, WindowEvents& events) : options_(options) {
    QWidget* owner = options.owner ? ParentWidgetOf(*options.owner) : nullptr;
    Qt::WindowFlags flags = Qt::Window;
    if (options.kind == WindowKind::Tool) {
      flags = Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    if (options.stayOnTop) flags |= Qt::WindowStaysOnTopHint;
    auto* widget = new WindowWidget(owner, flags, &events);
    widget_ = widget;
    PaintWhite(widget);
    widget->setWindowTitle(ToQString(options.title));
    QSize size(std::max(options.width, 1), std::max(options.height, 1));
    if (options.resizable) {
      widget->resize(size);
    } else {
      widget->setFixedSize(size);
    }
  }
  ~QtWindow() override {
    if (auto* w = Widget()) w->Detach();
    DisposeWidget(widget_);
  }

  QWidget* ContentWidget() const override { return widget_; }

  void SetTitle(std::u16string_view title) override {
    if (widget_) widget_->setWindowTitle(ToQString(title));
  }
  std::u16string Title() const override { return widget_ ? FromQString(widget_->windowTitle()) : std::u16string(); }
  int Width() const override { return widget_ ? widget_->width() : 0; }
  int Height() const override { return widget_ ? widget_->height() : 0; }
  Rect ScreenRect() const override {
    if (!widget_) return Rect{};
    return FromQRect(QRect(widget_->mapToGlobal(QPoint(0, 0)), widget_->size()));
  }

  void Show() override {
    if (!widget_) return;
    if (options_.kind == WindowKind::Main) {
      widget_->setGeometry(CentredOn(ScreenArea(nullptr), widget_->size()));
      widget_->showMaximized();
    } else {
      QWidget* owner = widget_->parentWidget();
      QRect area = owner ? QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size()) : ScreenArea(widget_);
      widget_->setGeometry(CentredOn(area, widget_->size()));
      widget_->show();
    }
    widget_->raise();
    widget_->activateWindow();
  }
  void Hide() override {
    if (widget_) widget_->hide();
  }
  bool IsVisible() const override { return widget_ && widget_->isVisible(); }
  void Activate() override {
    if (!widget_) return;
    if (widget_->isMinimized()) widget_->setWindowState(widget_->windowState() & ~Qt::WindowMinimized);
    widget_->show();
    widget_->raise();
    widget_->activateWindow();
  }
  void SetIcon(const Bitmap& icon) override {
    if (widget_) widget_->setWindowIcon(QIcon(QPixmap::fromImage(ConstImageOf(icon).copy())));
  }

  using Window::AddShortcut;
  void AddShortcut(int key, bool control, bool shift, int event) override {
    int qtKey = QtKeyOf(key);
    if (!widget_ || !qtKey) return;
    std::vector<int> keys{qtKey};
    if (qtKey == Qt::Key_Return) keys.push_back(Qt::Key_Enter);
    for (int k : keys) {
      Qt::KeyboardModifiers modifiers;
      if (control) modifiers |= Qt::ControlModifier;
      if (shift) modifiers |= Qt::ShiftModifier;
      QKeySequence sequence(QKeyCombination(modifiers, Qt::Key(k)));
      auto* shortcut = new QShortcut(sequence, widget_);
      shortcut->setContext(Qt::WindowShortcut);
      WindowWidget* w = Widget();
      QObject::connect(shortcut, &QShortcut::activated, shortcut, [w, event] {
        HandlerScope scope;
        if (w->Events()) w->Events()->OnMenuEvent(event);
      });
      shortcuts_[event].push_back(shortcut);
    }
  }
  void RemoveShortcut(int event) override {
    auto found = shortcuts_.find(event);
    if (found == shortcuts_.end()) return;
    for (QPointer<QShortcut>& shortcut : found->second) {
      if (!shortcut) continue;
      if (HandlerScope::Active()) {
        shortcut->setEnabled(false);
        shortcut->deleteLater();
      } else {
        delete shortcut.data();
      }
    }
    shortcuts_.erase(found);
  }
  void StartTimer(int milliseconds) override {
    if (auto* w = Widget()) w->StartTimer(milliseconds);
  }
  void AcceptFileDrops() override {
    if (widget_) widget_->setAcceptDrops(true);
  }

 private:
  WindowWidget* Widget() const { return static_cast<WindowWidget*>(widget_.data()); }

  WindowOptions options_;
  QPointer<QWidget> widget_;
  std::map<int, std::vector<QPointer<QShortcut>>> shortcuts_;
};

class PopupWidget : public QWidget {
 public:
  PopupWidget(QWidget* owner, bool takesFocus, PopupEvents* events)
      : QWidget(owner, takesFocus ? Qt::WindowFlags(Qt::Popup)
                                  : Qt::WindowFlags(Qt::ToolTip | Qt::FramelessWindowHint)),
        events_(events) {
    if (!takesFocus) setAttribute(Qt::WA_ShowWithoutActivating);
    PaintWhite(this);
  }
  void Detach() { events_ = nullptr; }
  void CloseQuietly() {
    quiet_ = true;
    hide();
    quiet_ = false;
  }

 protected:
  void hideEvent(QHideEvent* event) override {
    QWidget::hideEvent(event);
    if (quiet_) return;
    HandlerScope scope;
    if (events_) events_->OnDismissed();
  }

 private:
  PopupEvents* events_;
  bool quiet_ = false;
};

class QtPopupWindow : public PopupWindow, public WidgetParent {
 public:
  QtPopupWindow(const Window& owner, const Rect& screenRect, PopupEvents& events, bool takesFocus) {
    auto* widget = new PopupWidget(ParentWidgetOf(owner), takesFocus, &events);
    widget->setGeometry(ToQRect(screenRect));
    widget_ = widget;
  }
  ~QtPopupWindow() override {
    if (auto* w = Widget()) {
      w->Detach();
      w->CloseQuietly();
    }
    DisposeWidget(widget_);
  }
  QWidget* ContentWidget() const override { return widget_; }
  void Show() override {
    if (widget_) widget_->show();
  }
  void Close() override {
    if (auto* w = Widget()) w->CloseQuietly();
  }
  bool IsOpen() const override { return widget_ && widget_->isVisible(); }
  Rect ScreenRect() const override { return widget_ ? FromQRect(widget_->geometry()) : Rect{}; }

 private:
  PopupWidget* Widget() const { return static_cast<PopupWidget*>(widget_.data()); }
  QPointer<QWidget> widget_;
};

}  // namespace

}  // namespace quadrell::qt

namespace quadrell {

std::unique_ptr<Window> CreateWindow(const WindowOptions& options, WindowEvents& events) {
  return std::make_unique<qt::QtWindow>(options, events);
}

bool WaitUntilPainted(const Window& window, int milliseconds) {
  auto* widget = dynamic_cast<qt::WindowWidget*>(qt::ParentWidgetOf(window));
  if (!widget) return false;
  QElapsedTimer clock;
  clock.start();
  while (!widget->Painted()) {
    if (clock.elapsed() > milliseconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

std::unique_ptr<PopupWindow> CreatePopupWindow(const Window& owner, const Rect& screenRect, PopupEvents& events,
                                               bool takesFocus) {
  return std::make_unique<qt::QtPopupWindow>(owner, screenRect, events, takesFocus);
}

}  // namespace quadrell
