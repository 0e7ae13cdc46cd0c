#include "model/Workbook.h"

#include <algorithm>

#include "model/Sheet.h"

namespace quadrell {

Workbook::Workbook(std::u16string_view name, Host* host) : name_(name), host_(host) {
  sheets_.push_back(std::make_unique<Sheet>(this));
  active_ = sheets_.front().get();
}

Workbook::~Workbook() = default;

void Workbook::Notify(Sheet* sheet) {
  // A listener may register or remove listeners: walk a snapshot.
  std::vector<Listener> listeners = listeners_;
  for (const Listener& l : listeners) l.callback(l.userData, sheet);
}

void Workbook::SetActiveSheet(Sheet* sheet) {
  if (sheet && sheet != active_ && IndexOfSheet(sheet) >= 0) active_ = sheet;
  Notify(sheet);
}

Sheet* Workbook::NextSheet() { return cursor_ < sheets_.size() ? sheets_[cursor_++].get() : nullptr; }

Sheet* Workbook::AddSheet() {
  sheets_.push_back(std::make_unique<Sheet>(this));
  Sheet* sheet = sheets_.back().get();
  Notify(sheet);
  return sheet;
}

Sheet* Workbook::AddSheet(std::u16string_view name) {
  sheets_.push_back(std::make_unique<Sheet>(this));
  Sheet* sheet = sheets_.back().get();
  sheet->SetName(name);
  Notify(sheet);
  return sheet;
}

Sheet* Workbook::InsertSheet(Sheet* sheet, int32_t position) {
  auto found = std::find_if(removed_.begin(), removed_.end(), [&](const auto& s) { return s.get() == sheet; });
  if (!sheet || found == removed_.end()) return nullptr;
  std::unique_ptr<Sheet> owned = std::move(*found);
  removed_.erase(found);
  size_t at = static_cast<size_t>(std::clamp<int32_t>(position, 0, GetSheetCount()));
  sheets_.insert(sheets_.begin() + static_cast<ptrdiff_t>(at), std::move(owned));
  Notify(sheet);
  return sheet;
}

void Workbook::RemoveSheet(Sheet* sheet) {
  int32_t index = IndexOfSheet(sheet);
  if (sheets_.size() > 1 && index >= 0) {
    removed_.push_back(std::move(sheets_[static_cast<size_t>(index)]));
    sheets_.erase(sheets_.begin() + index);
    if (active_ == sheet) active_ = sheets_.front().get();
  }
  Notify(active_);
}

void Workbook::AddSheetListener(SheetListener callback, void* userData) {
  if (callback) listeners_.push_back({callback, userData});
}

void Workbook::RemoveSheetListener(void* userData) {
  std::erase_if(listeners_, [&](const Listener& l) { return l.userData == userData; });
}

Sheet* Workbook::GetSheet(int32_t position) const {
  return position >= 0 && position < GetSheetCount() ? sheets_[static_cast<size_t>(position)].get() : nullptr;
}

int32_t Workbook::IndexOfSheet(const Sheet* sheet) const {
  for (size_t i = 0; i < sheets_.size(); ++i) {
    if (sheets_[i].get() == sheet) return static_cast<int32_t>(i);
  }
  return -1;
}

}  // namespace quadrell
