#include "platform/qt/QtControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

#include "platform/Desktop.h"
#include "platform/qt/QtKeys.h"
#include "platform/qt/QtSupport.h"

namespace quadrell::qt {

// ---------------------------------------------------------------- canvas widget

CanvasWidget::CanvasWidget(QWidget* parent, CanvasEvents* events, CanvasOptions options, QSize size)
    : QWidget(parent), events_(events), options_(options), canvas_(&backing_, [this] { Drawn(); }) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(options.takesFocus ? Qt::ClickFocus : Qt::NoFocus);
  // A canvas that takes the keyboard focus takes composed text as well.
  setAttribute(Qt::WA_InputMethodEnabled, options.takesFocus);
  Reallocate(size);
}

void CanvasWidget::Reallocate(QSize size) {
  size = size.expandedTo(QSize(0, 0));
  if (size == backing_.size()) return;
  canvas_.End();
  QImage next(size, QImage::Format_ARGB32_Premultiplied);
  next.fill(Qt::white);
  if (!backing_.isNull() && !next.isNull()) {
    QPainter p(&next);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, backing_);
  }
  backing_ = std::move(next);
  update();
}

void CanvasWidget::Drawn() {
  if (updatePending_) return;
  updatePending_ = true;
  update();
}

bool CanvasWidget::event(QEvent* event) {
  // Tab is a key like any other here, not a move to the next control.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QWidget::event(event);
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
  updatePending_ = false;
  canvas_.End();
  QPainter p(this);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  QRect r = event->rect();
  p.fillRect(r, Qt::white);
  p.drawImage(r.topLeft(), backing_, r);
}

void CanvasWidget::resizeEvent(QResizeEvent*) { Reallocate(size()); }

namespace {

KeyModifiers gModifiers;

void Note(Qt::KeyboardModifiers modifiers) {
  gModifiers.shift = (modifiers & Qt::ShiftModifier) != 0;
  gModifiers.control = (modifiers & Qt::ControlModifier) != 0;
}

}  // namespace

void CanvasWidget::keyPressEvent(QKeyEvent* event) {
  HandlerScope scope;
  Note(event->modifiers());
  int code = KeyCodeOf(event->key());
  if (code && events_) events_->OnKeyDown(code);
  for (QChar c : event->text()) {
    if (!events_) return;
    if (c.unicode() >= 32 && c.unicode() != 127) events_->OnCharacter(c.unicode());
  }
}

void CanvasWidget::inputMethodEvent(QInputMethodEvent* event) {
  HandlerScope scope;
  // Only the committed text counts; the text being composed is not shown.
  for (QChar c : event->commitString()) {
    if (!events_) break;
    if (c.unicode() >= 32 && c.unicode() != 127) events_->OnCharacter(c.unicode());
  }
  event->accept();
}

QVariant CanvasWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return options_.takesFocus;
    case Qt::ImCursorRectangle:
      return QRect(0, 0, 1, height());
    case Qt::ImHints:
      return static_cast<int>(Qt::ImhNone);
    default:
      return QWidget::inputMethodQuery(query);
  }
}

void CanvasWidget::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat()) return;
  HandlerScope scope;
  Note(event->modifiers());
  int code = KeyCodeOf(event->key());
  if (code && events_) events_->OnKeyUp(code);
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
  HandlerScope scope;
  Note(event->modifiers());
  QPoint pos = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    leftPressed_ = true;
    secondPressOfDoubleClick_ = false;
    if (events_) events_->OnLeftDown(pos.x(), pos.y());
  } else if (event->button() == Qt::RightButton) {
    rightPressed_ = true;
  }
}

void CanvasWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  HandlerScope scope;
  Note(event->modifiers());
  QPoint pos = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    leftPressed_ = true;
    secondPressOfDoubleClick_ = true;
    if (events_) events_->OnLeftDoubleClick(pos.x(), pos.y());
  } else if (event->button() == Qt::RightButton) {
    rightPressed_ = true;
  }
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  HandlerScope scope;
  QPoint pos = event->position().toPoint();
  bool inside = rect().contains(pos);
  if (event->button() == Qt::LeftButton) {
    bool click = leftPressed_ && !secondPressOfDoubleClick_ && inside;
    leftPressed_ = false;
    if (events_) events_->OnLeftUp(pos.x(), pos.y());
    if (click && events_) events_->OnClick(pos.x(), pos.y());
  } else if (event->button() == Qt::RightButton) {
    bool click = rightPressed_ && inside;
    rightPressed_ = false;
    if (click && events_) events_->OnRightClick(pos.x(), pos.y());
  }
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  HandlerScope scope;
  QPoint pos = event->position().toPoint();
  if (options_.confinePointer && event->buttons() != Qt::NoButton && !rect().contains(pos) && width() > 0 &&
      height() > 0) {
    pos = QPoint(std::clamp(pos.x(), 0, width() - 1), std::clamp(pos.y(), 0, height() - 1));
    QCursor::setPos(mapToGlobal(pos));
  }
  if (events_) events_->OnMouseMove(pos.x(), pos.y());
}

void CanvasWidget::wheelEvent(QWheelEvent* event) {
  HandlerScope scope;
  Note(event->modifiers());
  // Fine-grained wheels report fractions of a notch (120 units each). Shift
  // turns the wheel sideways, as the desktop's spreadsheets do.
  QPoint delta = event->angleDelta();
  if ((event->modifiers() & Qt::ShiftModifier) && delta.x() == 0) delta = QPoint(delta.y(), 0);
  wheelRemainder_ += delta.y();
  int steps = wheelRemainder_ / 120;
  wheelRemainder_ -= steps * 120;
  if (steps && events_) events_->OnWheel(steps);
  sidewaysRemainder_ += delta.x();
  int sideways = sidewaysRemainder_ / 120;
  sidewaysRemainder_ -= sideways * 120;
  if (sideways && events_) events_->OnHorizontalWheel(sideways);
}

void CanvasWidget::leaveEvent(QEvent*) {
  HandlerScope scope;
  if (events_) events_->OnMouseLeave();
}

void CanvasWidget::focusInEvent(QFocusEvent*) {
  HandlerScope scope;
  if (events_) events_->OnFocus();
}

void CanvasWidget::focusOutEvent(QFocusEvent*) {
  HandlerScope scope;
  if (events_) events_->OnFocusLost();
}

// ---------------------------------------------------------------- shared control code

QWidget* ParentWidgetOf(const ControlParent& parent) {
  auto* holder = dynamic_cast<const WidgetParent*>(&parent);
  return holder ? holder->ContentWidget() : nullptr;
}

void DisposeWidget(QPointer<QWidget>& widget) {
  if (!widget) return;
  QWidget* w = widget.data();
  widget = nullptr;
  w->hide();
  if (HandlerScope::Active()) {
    w->deleteLater();
  } else {
    delete w;
  }
}

namespace {

template <class F>
auto Guarded(F f) {
  return [f = std::move(f)](auto... args) {
    HandlerScope scope;
    f(args...);
  };
}

// The Control operations on the widget W, for the interface I.
template <class I, class W = QWidget>
class WidgetControl : public I, public ControlWidget {
 public:
  WidgetControl(W* widget, const Rect& bounds) : widget_(widget) {
    widget->setGeometry(ToQRect(bounds));
    widget->show();
  }
  ~WidgetControl() override { DisposeWidget(widget_); }
  QWidget* WidgetOfControl() const override { return widget_; }

  void SetBounds(const Rect& bounds) override {
    if (widget_) widget_->setGeometry(ToQRect(bounds));
  }
  Rect Bounds() const override { return widget_ ? FromQRect(widget_->geometry()) : Rect{}; }
  Rect ScreenRect() const override {
    if (!widget_) return Rect{};
    return FromQRect(QRect(widget_->mapToGlobal(QPoint(0, 0)), widget_->size()));
  }
  void SetVisible(bool visible) override {
    if (widget_) widget_->setVisible(visible);
  }
  void SetEnabled(bool enabled) override {
    if (widget_) widget_->setEnabled(enabled);
  }
  void Focus() override {
    if (widget_) widget_->setFocus(Qt::OtherFocusReason);
  }
  bool HasFocus() const override { return widget_ && widget_->hasFocus(); }
  void SetToolTip(std::u16string_view text) override {
    if (widget_) widget_->setToolTip(ToQString(text));
  }
  void FillParent() override {
    QWidget* parent = widget_ ? widget_->parentWidget() : nullptr;
    if (!parent) return;
    auto* layout = dynamic_cast<QGridLayout*>(parent->layout());
    if (!layout) {
      if (parent->layout()) return;
      layout = new QGridLayout(parent);
      layout->setContentsMargins(0, 0, 0, 0);
    }
    layout->addWidget(widget_, 0, 0);
  }

 protected:
  W* Widget() const { return static_cast<W*>(widget_.data()); }

 private:
  QPointer<QWidget> widget_;
};

// A control whose area is itself a parent for further controls.
template <class I, class W = QWidget>
class ParentControl : public WidgetControl<I, W>, public WidgetParent {
 public:
  using WidgetControl<I, W>::WidgetControl;
  QWidget* ContentWidget() const override { return this->Widget(); }
};

// A label that reports left clicks (pictures, hyperlinks).
class ClickableLabel : public QLabel {
 public:
  ClickableLabel(QWidget* parent, std::function<void()> onClick) : QLabel(parent), onClick_(std::move(onClick)) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override { pressed_ = event->button() == Qt::LeftButton; }
  void mouseReleaseEvent(QMouseEvent* event) override {
    bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click && onClick_) {
      HandlerScope scope;
      onClick_();
    }
  }

 private:
  std::function<void()> onClick_;
  bool pressed_ = false;
};

class QtCanvasControl : public WidgetControl<CanvasControl, CanvasWidget> {
 public:
  QtCanvasControl(CanvasWidget* widget, const Rect& bounds) : WidgetControl(widget, bounds) {}
  ~QtCanvasControl() override {
    if (Widget()) Widget()->Detach();
  }
  void SetBounds(const Rect& bounds) override {
    WidgetControl::SetBounds(bounds);
    if (Widget()) Widget()->Reallocate(QSize(bounds.width, bounds.height));
  }
  Canvas& Surface() override { return Widget() ? Widget()->Surface() : detached_; }
  void SetPointerShape(PointerShape shape) override {
    if (!Widget()) return;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    if (shape == PointerShape::Cross) cursor = Qt::CrossCursor;
    if (shape == PointerShape::ResizeUpDown) cursor = Qt::SizeVerCursor;
    if (shape == PointerShape::ResizeLeftRight) cursor = Qt::SizeHorCursor;
    Widget()->setCursor(cursor);
  }
  bool IsInActiveWindow() const override { return Widget() && Widget()->isActiveWindow(); }

 private:
  PainterCanvas detached_{nullptr, nullptr};  // draws nothing once the widget is gone
};

class QtImageControl : public WidgetControl<ImageControl, ClickableLabel> {
 public:
  using WidgetControl::WidgetControl;
  void SetImage(const Bitmap& image) override {
    if (Widget()) Widget()->setPixmap(QPixmap::fromImage(ConstImageOf(image).copy()));
  }
};

class QtLabel : public WidgetControl<Label, QLabel> {
 public:
  using WidgetControl::WidgetControl;
  void SetText(std::u16string_view text) override {
    if (Widget()) Widget()->setText(ToQString(text));
  }
};

class QtLineField : public WidgetControl<TextField, QLineEdit> {
 public:
  using WidgetControl::WidgetControl;
  std::u16string Text() const override { return Widget() ? FromQString(Widget()->text()) : std::u16string(); }
  void SetText(std::u16string_view text) override {
    if (Widget()) Widget()->setText(ToQString(text));
  }
  void SetEditedProcedure(std::function<void()> procedure) override {
    if (!Widget()) return;
    QObject::disconnect(edited_);
    edited_ = QObject::connect(Widget(), &QLineEdit::textEdited, Widget(),
                               Guarded([f = std::move(procedure)](const QString&) {
                                 if (f) f();
                               }));
  }

 private:
  QMetaObject::Connection edited_;
};

class QtTextArea : public WidgetControl<TextField, QPlainTextEdit> {
 public:
  using WidgetControl::WidgetControl;
  std::u16string Text() const override {
    return Widget() ? FromQString(Widget()->toPlainText()) : std::u16string();
  }
  void SetText(std::u16string_view text) override {
    if (Widget()) Widget()->setPlainText(ToQString(text));
  }
};

class QtCheckBox : public WidgetControl<CheckBox, QCheckBox> {
 public:
  using WidgetControl::WidgetControl;
  bool IsChecked() const override { return Widget() && Widget()->isChecked(); }
  void SetChecked(bool checked) override {
    if (Widget()) Widget()->setChecked(checked);
  }
};

class QtButton : public WidgetControl<Button, QPushButton> {
 public:
  using WidgetControl::WidgetControl;
};

class QtComboBox : public WidgetControl<ComboBox, QComboBox> {
 public:
  using WidgetControl::WidgetControl;
  int Selected() const override { return Widget() ? Widget()->currentIndex() : -1; }
  void SetSelected(int index) override {
    if (Widget()) Widget()->setCurrentIndex(index);
  }
};

class QtTrackBar : public WidgetControl<TrackBar, QSlider> {
 public:
  using WidgetControl::WidgetControl;
  int Value() const override { return Widget() ? Widget()->value() : 0; }
  void SetValue(int value) override {
    if (!Widget()) return;
    QSignalBlocker quiet(Widget());
    Widget()->setValue(value);
  }
};

class QtScrollBar : public WidgetControl<ScrollBar, QScrollBar> {
 public:
  using WidgetControl::WidgetControl;
  void SetRange(int total, int visible) override {
    if (!Widget()) return;
    QSignalBlocker quiet(Widget());
    visible = std::max(visible, 0);
    Widget()->setRange(0, std::max(0, total - visible));
    Widget()->setPageStep(std::max(visible, 1));
  }
  int Position() const override { return Widget() ? Widget()->value() : 0; }
  void SetPosition(int position) override {
    if (!Widget()) return;
    QSignalBlocker quiet(Widget());
    Widget()->setValue(position);
  }
};

class QtPanel : public ParentControl<Panel> {
 public:
  using ParentControl::ParentControl;
};

class QtScrollArea : public WidgetControl<ScrollArea, QScrollArea>, public WidgetParent {
 public:
  QtScrollArea(QScrollArea* area, const Rect& bounds) : WidgetControl(area, bounds), content_(new QWidget) {
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(content_);
    content_->resize(bounds.width, bounds.height);
  }
  void SetContentSize(int width, int height) override {
    if (content_) content_->resize(std::max(width, 0), std::max(height, 0));
  }
  QWidget* ContentWidget() const override { return content_; }

 private:
  QPointer<QWidget> content_;  // owned by the scroll area
};

class TabPage : public ControlParent, public WidgetParent {
 public:
  explicit TabPage(QWidget* page) : page_(page) {}
  QWidget* ContentWidget() const override { return page_; }

 private:
  QPointer<QWidget> page_;  // owned by the tab widget
};

class QtTabPanel : public WidgetControl<TabPanel, QTabWidget> {
 public:
  using WidgetControl::WidgetControl;
  ControlParent& AddTab(std::u16string_view label) override {
    auto* page = new QWidget;
    if (Widget()) Widget()->addTab(page, ToQString(label));
    pages_.push_back(std::make_unique<TabPage>(page));
    return *pages_.back();
  }

 private:
  std::vector<std::unique_ptr<TabPage>> pages_;
};

class QtHyperlinkLabel : public WidgetControl<HyperlinkLabel, QLabel> {
 public:
  using WidgetControl::WidgetControl;
};

QWidget* Parent(ControlParent& parent) { return ParentWidgetOf(parent); }

}  // namespace

}  // namespace quadrell::qt

namespace quadrell {

KeyModifiers CurrentKeyModifiers() { return qt::gModifiers; }

using namespace qt;

std::unique_ptr<CanvasControl> CreateCanvasControl(ControlParent& parent, const Rect& bounds, CanvasEvents& events,
                                                   CanvasOptions options) {
  auto* widget = new CanvasWidget(Parent(parent), &events, options, QSize(bounds.width, bounds.height));
  return std::make_unique<QtCanvasControl>(widget, bounds);
}

std::unique_ptr<ImageControl> CreateImageControl(ControlParent& parent, const Rect& bounds, const Bitmap& image,
                                                 std::function<void()> onClick) {
  auto control = std::make_unique<QtImageControl>(new ClickableLabel(Parent(parent), std::move(onClick)), bounds);
  control->SetImage(image);
  return control;
}

std::unique_ptr<Label> CreateLabel(ControlParent& parent, const Rect& bounds, std::u16string_view text) {
  return std::make_unique<QtLabel>(new QLabel(ToQString(text), Parent(parent)), bounds);
}

std::unique_ptr<TextField> CreateTextField(ControlParent& parent, const Rect& bounds, std::u16string_view text,
                                           TextFieldOptions options) {
  if (options.multiLine) {
    auto* area = new QPlainTextEdit(ToQString(text), Parent(parent));
    area->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    area->setWordWrapMode(QTextOption::WordWrap);
    area->setReadOnly(options.readOnly);
    return std::make_unique<QtTextArea>(area, bounds);
  }
  auto* line = new QLineEdit(ToQString(text), Parent(parent));
  line->setReadOnly(options.readOnly);
  return std::make_unique<QtLineField>(line, bounds);
}

std::unique_ptr<CheckBox> CreateCheckBox(ControlParent& parent, const Rect& bounds, std::u16string_view text,
                                         std::function<void(bool)> onToggled) {
  auto* box = new QCheckBox(ToQString(text), Parent(parent));
  if (onToggled) QObject::connect(box, &QCheckBox::clicked, box, Guarded(std::move(onToggled)));
  return std::make_unique<QtCheckBox>(box, bounds);
}

std::unique_ptr<Button> CreateButton(ControlParent& parent, const Rect& bounds, std::u16string_view text,
                                     std::function<void()> onClick) {
  auto* button = new QPushButton(ToQString(text), Parent(parent));
  button->setAutoDefault(false);
  if (onClick) QObject::connect(button, &QPushButton::clicked, button, Guarded([f = std::move(onClick)](bool) { f(); }));
  return std::make_unique<QtButton>(button, bounds);
}

std::unique_ptr<ComboBox> CreateComboBox(ControlParent& parent, const Rect& bounds,
                                         const std::vector<std::u16string>& items) {
  auto* combo = new QComboBox(Parent(parent));
  for (const auto& item : items) combo->addItem(ToQString(item));
  return std::make_unique<QtComboBox>(combo, bounds);
}

std::unique_ptr<TrackBar> CreateTrackBar(ControlParent& parent, const Rect& bounds, int minimum, int maximum,
                                         std::function<void(int)> onChanged) {
  auto* slider = new QSlider(Qt::Horizontal, Parent(parent));
  slider->setRange(minimum, maximum);
  if (onChanged) QObject::connect(slider, &QSlider::valueChanged, slider, Guarded(std::move(onChanged)));
  return std::make_unique<QtTrackBar>(slider, bounds);
}

std::unique_ptr<ScrollBar> CreateScrollBar(ControlParent& parent, const Rect& bounds, bool vertical,
                                           std::function<void(int)> onScrolled) {
  auto* bar = new QScrollBar(vertical ? Qt::Vertical : Qt::Horizontal, Parent(parent));
  if (onScrolled) QObject::connect(bar, &QScrollBar::valueChanged, bar, Guarded(std::move(onScrolled)));
  return std::make_unique<QtScrollBar>(bar, bounds);
}

std::unique_ptr<Panel> CreatePanel(ControlParent& parent, const Rect& bounds) {
  return std::make_unique<QtPanel>(new QWidget(Parent(parent)), bounds);
}

std::unique_ptr<ScrollArea> CreateScrollArea(ControlParent& parent, const Rect& bounds) {
  return std::make_unique<QtScrollArea>(new QScrollArea(Parent(parent)), bounds);
}

std::unique_ptr<TabPanel> CreateTabPanel(ControlParent& parent, const Rect& bounds) {
  return std::make_unique<QtTabPanel>(new QTabWidget(Parent(parent)), bounds);
}

std::unique_ptr<HyperlinkLabel> CreateHyperlinkLabel(ControlParent& parent, const Rect& bounds,
                                                     std::u16string_view text, std::u16string_view address) {
  std::u16string target(address);
  auto* label = new ClickableLabel(Parent(parent), [target] { OpenWithDefaultHandler(target); });
  label->setText(ToQString(text));
  label->setStyleSheet(QStringLiteral("color: #0000ff"));
  label->setCursor(Qt::PointingHandCursor);
  return std::make_unique<QtHyperlinkLabel>(label, bounds);
}

}  // namespace quadrell
