#include "model/Column.h"

#include "model/Row.h"
#include "model/Sheet.h"

namespace quadrell {

const StyleRecord* Column::GetStyle() const {
  if (style_) return style_;
  return sheet_ ? sheet_->GetStyle() : GetDefaultStyle();
}

void Column::SetStyle(const StyleRecord& style) {
  style_ = InternStyle(style);
  Row::InheritedStylesChanged();
}

void Column::SetHidden(bool hidden) {
  hidden_ = hidden;
  if (!hidden && width_ == 0) width_ = kDefaultColumnWidth;
}

}  // namespace quadrell
