#pragma once
#include <QStringList>

#include <string_view>

namespace quadrell::qt {

// "name|patterns|..." as Qt's name filters "name (patterns)".
QStringList NameFiltersOf(std::u16string_view filter);

}  // namespace quadrell::qt
