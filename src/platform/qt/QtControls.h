#pragma once
// The canvas control's widget, open to the tests that read back what it shows.
#include <QImage>
#include <QPointer>
#include <QWidget>

#include "platform/Controls.h"
#include "platform/qt/QtCanvas.h"

namespace quadrell::qt {

class CanvasWidget : public QWidget {
 public:
  CanvasWidget(QWidget* parent, CanvasEvents* events, CanvasOptions options, QSize size);

  // What has been drawn so far, shown at the next paint.
  const QImage& Backing() const { return backing_; }
  PainterCanvas& Surface() { return canvas_; }
  // Gives the backing image the size, keeping what it shows.
  void Reallocate(QSize size);
  void Detach() { events_ = nullptr; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  // Dead keys and input methods deliver composed text here, not as key presses.
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 private:
  void Drawn();

  CanvasEvents* events_;
  CanvasOptions options_;
  QImage backing_;
  PainterCanvas canvas_;
  bool updatePending_ = false;
  bool leftPressed_ = false;
  bool secondPressOfDoubleClick_ = false;
  bool rightPressed_ = false;
  int wheelRemainder_ = 0;
  int sidewaysRemainder_ = 0;
};

}  // namespace quadrell::qt
