#pragma once
// The window system for the tests of the Qt platform (offscreen), and helpers
// that drive it like a user would.
#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMessageBox>
#include <QTest>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Window.h"
#include "platform/qt/QtControls.h"
#include "platform/qt/QtSupport.h"

namespace quadrell::test {

// Runs the event loop until the condition holds or a second has passed.
inline bool WaitFor(const std::function<bool()>& condition, int milliseconds = 1000) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > milliseconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// Answers the next modal dialogs as a user would, each once it is open: the
// first answer goes to the dialog open now or next, the second to the dialog
// that opens after the first was answered, and so on. A polling timer never
// blocks, so every dialog's own event loop can end before the next opens.
inline void AnswerInTurn(std::vector<std::function<void(QWidget*)>> answers) {
  auto* timer = new QTimer();
  auto pending = std::make_shared<std::vector<std::function<void(QWidget*)>>>(std::move(answers));
  auto previous = std::make_shared<QPointer<QWidget>>();
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QObject::connect(timer, &QTimer::timeout, timer, [timer, pending, previous, clock] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog && dialog != previous->data() && dialog->isVisible() && !pending->empty()) {
      *previous = dialog;
      std::function<void(QWidget*)> answer = std::move(pending->front());
      pending->erase(pending->begin());
      answer(dialog);
    }
    if (pending->empty() || clock->elapsed() > 10000) {
      EXPECT_TRUE(pending->empty()) << pending->size() << " dialog(s) never opened";
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(10);
}

inline void Answer(std::function<void(QWidget*)> answer) { AnswerInTurn({std::move(answer)}); }

// An answer for a message box: a click on its button, remembering its text.
inline std::function<void(QWidget*)> Box(QMessageBox::StandardButton button, QString* text = nullptr) {
  return [button, text](QWidget* d) {
    auto* box = qobject_cast<QMessageBox*>(d);
    ASSERT_NE(box, nullptr);
    if (text) *text = box->text();
    box->button(button)->click();
  };
}

// Lets posted events, deferred deletions among them, happen.
inline void Settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// Everything a window or a canvas reports, as text in order.
class Recorder : public WindowEvents, public CanvasEvents, public PopupEvents {
 public:
  void OnResize(int w, int h) override { Add("resize " + std::to_string(w) + "x" + std::to_string(h)); }
  void OnCloseRequested() override {
    Add("close");
    if (onClose) onClose();
  }
  void OnTimer() override { ++timerTicks; }
  void OnMenuEvent(int event) override { Add("menu " + std::to_string(event)); }
  void OnFilesDropped(const std::vector<std::u16string>& paths, Point) override {
    for (const auto& p : paths) Add("drop " + std::string(p.begin(), p.end()));
  }
  void OnCharacter(char16_t c) override { Add(std::string("char ") + static_cast<char>(c)); }
  void OnKeyDown(int key) override { Add("down " + std::to_string(key)); }
  void OnKeyUp(int key) override { Add("up " + std::to_string(key)); }
  void OnWheel(int steps) override { Add("wheel " + std::to_string(steps)); }
  void OnLeftDown(int x, int y) override { Add("left down " + At(x, y)); }
  void OnLeftUp(int x, int y) override { Add("left up " + At(x, y)); }
  void OnLeftDoubleClick(int x, int y) override { Add("double " + At(x, y)); }
  void OnClick(int x, int y) override { Add("click " + At(x, y)); }
  void OnRightClick(int x, int y) override { Add("right " + At(x, y)); }
  void OnFocus() override { Add("focus"); }
  void OnFocusLost() override { Add("focus lost"); }
  void OnDismissed() override {
    Add("dismissed");
    if (onDismissed) onDismissed();
  }

  std::vector<std::string> Take() { return std::exchange(events, {}); }
  std::vector<std::string> events;
  int timerTicks = 0;
  std::function<void()> onClose;
  std::function<void()> onDismissed;

 private:
  static std::string At(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
  void Add(std::string e) { events.push_back(std::move(e)); }
};

inline QWidget* WidgetOf(const Window& window) { return qt::ParentWidgetOf(window); }

inline qt::CanvasWidget* CanvasWidgetOf(CanvasControl& control) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    // findChildren casts without checking the class; other widgets are skipped here.
    for (QWidget* child : top->findChildren<QWidget*>()) {
      auto* canvas = dynamic_cast<qt::CanvasWidget*>(child);
      if (canvas && &canvas->Surface() == &control.Surface()) return canvas;
    }
  }
  return nullptr;
}

struct OpenWindow {
  explicit OpenWindow(const std::u16string& title, WindowKind kind = WindowKind::Main) {
    WindowOptions options;
    options.title = title;
    options.kind = kind;
    window = CreateWindow(options, events);
    window->Show();
    widget = WidgetOf(*window);
    if (widget) {
      EXPECT_TRUE(QTest::qWaitForWindowActive(widget));
    }
  }
  ~OpenWindow() {
    window.reset();
    Settle();
  }
  Recorder events;
  std::unique_ptr<Window> window;
  QWidget* widget = nullptr;
};

}  // namespace quadrell::test
