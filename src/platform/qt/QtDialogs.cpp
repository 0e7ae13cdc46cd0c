#include "platform/qt/QtDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "platform/Dialogs.h"
#include "platform/Window.h"
#include "platform/qt/QtSupport.h"

namespace quadrell::qt {

QStringList NameFiltersOf(std::u16string_view filter) {
  QStringList parts = ToQString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i].trimmed();
    QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    QString suffix = QStringLiteral("(") + patterns + QStringLiteral(")");
    // "Microsoft Excel (*.xlsx)" already shows its patterns.
    filters.push_back(name.endsWith(suffix) ? name : name + QLatin1Char(' ') + suffix);
  }
  return filters;
}

namespace {

QWidget* OwnerWidget(const Window* owner) { return owner ? ParentWidgetOf(*owner) : nullptr; }

FileChoice AskFile(const Window* owner, std::u16string_view title, std::u16string_view filter, int pattern,
                   bool save) {
  QFileDialog dialog(OwnerWidget(owner), ToQString(title));
  QStringList filters = NameFiltersOf(filter);
  dialog.setNameFilters(filters);
  if (pattern >= 0 && pattern < filters.size()) dialog.selectNameFilter(filters[pattern]);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  FileChoice choice;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return choice;
  choice.path = FromQString(dialog.selectedFiles().first());
  choice.pattern = std::max<int>(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
  return choice;
}

}  // namespace

}  // namespace quadrell::qt

namespace quadrell {

using namespace qt;

FileChoice AskOpenFile(const Window* owner, std::u16string_view title, std::u16string_view filter, int pattern) {
  return AskFile(owner, title, filter, pattern, false);
}

FileChoice AskSaveFile(const Window* owner, std::u16string_view title, std::u16string_view filter, int pattern) {
  return AskFile(owner, title, filter, pattern, true);
}

bool AskYesNo(const Window* owner, std::u16string_view title, std::u16string_view text, bool yesIsDefault) {
  return QMessageBox::question(OwnerWidget(owner), ToQString(title), ToQString(text),
                               QMessageBox::Yes | QMessageBox::No,
                               yesIsDefault ? QMessageBox::Yes : QMessageBox::No) == QMessageBox::Yes;
}

Answer AskYesNoCancel(const Window* owner, std::u16string_view title, std::u16string_view text) {
  switch (QMessageBox::question(OwnerWidget(owner), ToQString(title), ToQString(text),
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

void ShowError(const Window* owner, std::u16string_view title, std::u16string_view text) {
  QMessageBox::warning(OwnerWidget(owner), ToQString(title), ToQString(text));
}

void ShowMessage(const Window* owner, std::u16string_view title, std::u16string_view text) {
  QMessageBox::information(OwnerWidget(owner), ToQString(title), ToQString(text));
}

std::optional<std::u16string> AskText(const Window* owner, std::u16string_view title, std::u16string_view prompt,
                                      std::u16string_view initial) {
  bool ok = false;
  QString text = QInputDialog::getText(OwnerWidget(owner), ToQString(title), ToQString(prompt), QLineEdit::Normal,
                                       ToQString(initial), &ok);
  if (!ok) return std::nullopt;
  return FromQString(text);
}

std::optional<Colour> ChooseColour(const Window* owner, Colour initial) {
  QColor chosen = QColorDialog::getColor(ToQColor(initial), OwnerWidget(owner));
  if (!chosen.isValid()) return std::nullopt;
  return FromQColor(chosen);
}

}  // namespace quadrell
