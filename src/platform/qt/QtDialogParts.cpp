#include <QEvent>
#include <QGridLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <QSignalBlocker>

#include <utility>

#include "platform/DialogParts.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtSupport.h"

namespace quadrell::qt {

namespace {

Qt::Alignment ToQtAlignment(Alignment alignment) {
  switch (alignment) {
    case Alignment::Start:
      return Qt::AlignLeft | Qt::AlignVCenter;
    case Alignment::End:
      return Qt::AlignRight | Qt::AlignVCenter;
    case Alignment::Centre:
      return Qt::AlignCenter;
    default:
      return Qt::Alignment();
  }
}

class QtGridLayout : public GridLayout {
 public:
  explicit QtGridLayout(QGridLayout* layout) : layout_(layout) {
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);
  }
  ~QtGridLayout() override {
    // An inner layout never placed anywhere is ours to delete.
    if (layout_ && !layout_->parent()) delete layout_.data();
  }
  void Add(Control& control, int row, int column, int rowSpan, int columnSpan, Alignment alignment) override {
    QWidget* widget = WidgetOf(control);
    if (layout_ && widget) layout_->addWidget(widget, row, column, rowSpan, columnSpan, ToQtAlignment(alignment));
  }
  void AddLayout(GridLayout& inner, int row, int column, int rowSpan, int columnSpan) override {
    auto* other = dynamic_cast<QtGridLayout*>(&inner);
    if (layout_ && other && other->layout_) layout_->addLayout(other->layout_, row, column, rowSpan, columnSpan);
  }
  void SetRowStretch(int row, int stretch) override {
    if (layout_) layout_->setRowStretch(row, stretch);
  }
  void SetColumnStretch(int column, int stretch) override {
    if (layout_) layout_->setColumnStretch(column, stretch);
  }
  void SetColumnMinimumWidth(int column, int width) override {
    if (layout_) layout_->setColumnMinimumWidth(column, width);
  }
  void SetMargins(int margin) override {
    if (layout_) layout_->setContentsMargins(margin, margin, margin, margin);
  }
  void SetSpacing(int spacing) override {
    if (layout_) layout_->setSpacing(spacing);
  }

 private:
  QPointer<QGridLayout> layout_;
};

// Return and Escape of a dialog window, as they reach the window after the
// control with the focus let them pass.
class DialogKeys : public QObject {
 public:
  DialogKeys(QWidget* window, QPushButton* defaultButton) : QObject(window), window_(window), default_(defaultButton) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The keys typed in a dialog are the dialog's: the shortcuts of the window
    // that owns it (Return, Tab, Delete, Ctrl+V on the grid) must not take them.
    if (event->type() == QEvent::ShortcutOverride) {
      event->accept();
      return true;
    }
    // Line fields take Return themselves: they are watched before they see it.
    bool field = qobject_cast<QLineEdit*>(watched) != nullptr;
    if ((watched != window_ && !field) || event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    if (key->key() == Qt::Key_Escape && !field) {
      window_->close();
      return true;
    }
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    auto* focused = field ? nullptr : qobject_cast<QPushButton*>(window_->focusWidget());
    QPushButton* button = focused && focused->isEnabled() ? focused : default_.data();
    if (button && button->isEnabled() && button->isVisible()) button->click();
    return true;
  }

 private:
  QPointer<QWidget> window_;
  QPointer<QPushButton> default_;
};

class ListWidget : public QListWidget {
 public:
  ListWidget(QWidget* parent, ListBoxOptions options) : QListWidget(parent), options_(std::move(options)) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    QPalette p = palette();
    p.setColor(QPalette::Base, ToQColor(options_.background));
    setPalette(p);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
      if (quiet_ || row < 0 || !options_.onSelected) return;
      HandlerScope scope;
      options_.onSelected(row);
    });
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { Activate(row(item)); });
  }
  bool quiet_ = false;

  // As wide as its widest row, not the toolkit's fixed guess.
  QSize sizeHint() const override {
    int width = std::max(sizeHintForColumn(0), 80) + 2 * frameWidth() + verticalScrollBar()->sizeHint().width() + 4;
    return QSize(width, QListWidget::sizeHint().height());
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && options_.onActivated) {
      Activate(currentRow());
      event->accept();
      return;
    }
    QListWidget::keyPressEvent(event);
  }

 private:
  void Activate(int row) {
    if (row < 0 || !options_.onActivated) return;
    HandlerScope scope;
    options_.onActivated(row);
  }
  ListBoxOptions options_;
};

class QtListBox : public ListBox, public ControlWidget {
 public:
  QtListBox(ListWidget* list, const Rect& bounds) : list_(list) {
    list->setGeometry(ToQRect(bounds));
    list->show();
  }
  ~QtListBox() override {
    QPointer<QWidget> widget = list_.data();
    DisposeWidget(widget);
  }
  QWidget* WidgetOfControl() const override { return list_; }
  void SetBounds(const Rect& bounds) override {
    if (list_) list_->setGeometry(ToQRect(bounds));
  }
  Rect Bounds() const override { return list_ ? FromQRect(list_->geometry()) : Rect{}; }
  Rect ScreenRect() const override {
    return list_ ? FromQRect(QRect(list_->mapToGlobal(QPoint(0, 0)), list_->size())) : Rect{};
  }
  void SetVisible(bool visible) override {
    if (list_) list_->setVisible(visible);
  }
  void SetEnabled(bool enabled) override {
    if (list_) list_->setEnabled(enabled);
  }
  void Focus() override {
    if (list_) list_->setFocus(Qt::OtherFocusReason);
  }
  bool HasFocus() const override { return list_ && list_->hasFocus(); }
  void FillParent() override {}
  void SetToolTip(std::u16string_view text) override {
    if (list_) list_->setToolTip(ToQString(text));
  }

  void SetItems(const std::vector<ListItem>& items) override {
    if (!list_) return;
    list_->quiet_ = true;
    int selected = list_->currentRow();
    list_->clear();
    for (const ListItem& item : items) {
      auto* row = new QListWidgetItem(ToQString(item.text), list_);
      if (item.icon) row->setIcon(QIcon(QPixmap::fromImage(ConstImageOf(*item.icon).copy())));
    }
    if (selected >= 0 && selected < list_->count()) list_->setCurrentRow(selected);
    list_->quiet_ = false;
  }
  int Count() const override { return list_ ? list_->count() : 0; }
  int Selected() const override { return list_ ? list_->currentRow() : -1; }
  void SetSelected(int index) override {
    if (!list_) return;
    list_->quiet_ = true;
    if (index >= 0 && index < list_->count()) {
      list_->setCurrentRow(index);
      list_->scrollToItem(list_->item(index));
    } else {
      list_->setCurrentRow(-1);
    }
    list_->quiet_ = false;
  }

 private:
  QPointer<ListWidget> list_;
};

}  // namespace

}  // namespace quadrell::qt

namespace quadrell {

using namespace qt;

std::unique_ptr<GridLayout> CreateGridLayout(ControlParent& parent) {
  QWidget* widget = ParentWidgetOf(parent);
  if (!widget) return std::make_unique<QtGridLayout>(new QGridLayout());
  delete widget->layout();
  return std::make_unique<QtGridLayout>(new QGridLayout(widget));
}

std::unique_ptr<GridLayout> CreateInnerGridLayout() {
  auto layout = std::make_unique<QtGridLayout>(new QGridLayout());
  layout->SetMargins(0);
  return layout;
}

void FitToLayout(Window& window) {
  QWidget* widget = ParentWidgetOf(window);
  if (!widget || !widget->layout()) return;
  widget->layout()->activate();
  widget->resize(widget->size().expandedTo(widget->layout()->sizeHint()));
}

void SetDialogKeys(Window& window, Button* defaultButton) {
  QWidget* widget = ParentWidgetOf(window);
  if (!widget) return;
  auto* button = defaultButton ? qobject_cast<QPushButton*>(WidgetOf(*defaultButton)) : nullptr;
  if (button) button->setDefault(true);
  auto* keys = new DialogKeys(widget, button);
  widget->installEventFilter(keys);
  for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(keys);
}

std::unique_ptr<ListBox> CreateListBox(ControlParent& parent, const Rect& bounds, ListBoxOptions options) {
  auto* list = new ListWidget(ParentWidgetOf(parent), std::move(options));
  return std::make_unique<QtListBox>(list, bounds);
}

}  // namespace quadrell
