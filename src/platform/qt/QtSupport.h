#pragma once
// What the Qt implementation of the platform shares between its files.
#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <string>
#include <string_view>

#include "platform/Colour.h"
#include "platform/Controls.h"
#include "platform/Geometry.h"

namespace quadrell::qt {

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::u16string FromQString(const QString& text) { return text.toStdU16String(); }

inline QColor ToQColor(Colour colour, int alpha = 255) {
  return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour), alpha);
}
inline Colour FromQColor(const QColor& colour) { return RgbColour(colour.red(), colour.green(), colour.blue()); }

inline QRect ToQRect(const Rect& r) { return QRect(r.x, r.y, r.width, r.height); }
inline Rect FromQRect(const QRect& r) { return Rect{r.x(), r.y(), r.width(), r.height()}; }

// Our handlers run inside Qt's event handling and may destroy the very
// control whose event they handle. While one runs, widgets are deleted
// later instead of at once.
class HandlerScope {
 public:
  HandlerScope() { ++depth_; }
  ~HandlerScope() { --depth_; }
  HandlerScope(const HandlerScope&) = delete;
  HandlerScope& operator=(const HandlerScope&) = delete;
  static bool Active() { return depth_ > 0; }

 private:
  static inline int depth_ = 0;
};

// Removes a widget the platform made (and its children) from the screen and deletes it.
void DisposeWidget(QPointer<QWidget>& widget);

// The Qt side of every ControlParent: the widget that children are placed in.
class WidgetParent {
 public:
  virtual ~WidgetParent() = default;
  virtual QWidget* ContentWidget() const = 0;
};

// The Qt side of every Control: its widget.
class ControlWidget {
 public:
  virtual ~ControlWidget() = default;
  virtual QWidget* WidgetOfControl() const = 0;
};

// The widget of a control made by this implementation, or null.
inline QWidget* WidgetOf(const Control& control) {
  auto* holder = dynamic_cast<const ControlWidget*>(&control);
  return holder ? holder->WidgetOfControl() : nullptr;
}

// The widget of a ControlParent, a Window or a PopupWindow made by this implementation.
QWidget* ParentWidgetOf(const ControlParent& parent);

}  // namespace quadrell::qt
