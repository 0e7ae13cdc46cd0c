#include "model/Workbook.h"

#include <algorithm>

#include "formula/FormulaRange.h"
#include "model/Cell.h"
#include "model/Row.h"
#include "model/Sheet.h"

namespace quadrell {

namespace {

// Whether a formula reads a cell or range of the sheet.
class SheetReads final : public ReferenceVisitor {
 public:
  explicit SheetReads(const Sheet* sheet) : sheet_(sheet) {}
  void OnCell(Cell* cell) override { found = found || cell->GetSheet() == sheet_; }
  void OnRange(FormulaRange& range) override { found = found || range.GetSheet() == sheet_; }
  bool found = false;

 private:
  const Sheet* sheet_;
};

}  // namespace

// References to a sheet read "Ref" while it is out of the workbook and read
// it again once it is back: the formulas of the other sheets that name it
// compute anew.
void Workbook::RecalculateReadersOf(Sheet* changed) {
  std::vector<Cell*> readers;
  for (const auto& sheet : sheets_) {
    if (sheet.get() == changed) continue;
    sheet->ForEachRow([&](int32_t, const Row& row) {
      row.ForEachCell([&](int32_t, Cell* cell) {
        Formula* formula = cell->GetFormula();
        bool spilled = cell->IsMatrixMember() && (cell->GetMatrixColumnOffset() != 0 || cell->GetMatrixRowOffset() != 0);
        if (!formula || !formula->GetRoot() || spilled) return;
        SheetReads reads(changed);
        formula->GetRoot()->VisitReferences(reads);
        if (reads.found) readers.push_back(cell);
      });
    });
  }
  for (Cell* cell : readers) cell->Recalculate();
}

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
  RecalculateReadersOf(sheet);
  Notify(sheet);
  return sheet;
}

void Workbook::RemoveSheet(Sheet* sheet) {
  int32_t index = IndexOfSheet(sheet);
  if (sheets_.size() > 1 && index >= 0) {
    removed_.push_back(std::move(sheets_[static_cast<size_t>(index)]));
    sheets_.erase(sheets_.begin() + index);
    if (active_ == sheet) active_ = sheets_.front().get();
    RecalculateReadersOf(sheet);
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
