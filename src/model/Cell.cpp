#include "model/Cell.h"

#include <algorithm>
#include <new>
#include <utility>

#include "context/ApplicationContext.h"
#include "model/Column.h"
#include "model/Host.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "value/NumberText.h"

namespace quadrell {

// The fields few cells need, made on first use.
struct CellExtra {
  // The cell's own formula (owned) or, in a spilled result, the anchor's (borrowed).
  Formula* formula = nullptr;
  bool ownsFormula = false;
  // A formula that has no compiled tree is kept as its text, without the "=".
  bool hasFormulaText = false;
  std::u16string formulaText;
  std::vector<std::unique_ptr<Range>> referenceRanges;
  std::vector<Cell*> dependents;  // newest last
  std::vector<std::pair<void*, CellListener>> listeners;  // newest last
  CommentRecord* comment = nullptr;
  Cell* mergeMaster = nullptr;
  uint64_t cycleStamp = 0;
  uint64_t waveStamp = 0;
  int32_t matrixColumn = 0;
  int32_t matrixRow = 0;
  int32_t columnSpan = 1;
  int32_t rowSpan = 1;
  bool matrixMember = false;
  bool matrixBlocked = false;

  bool Unused() const {
    return !formula && !hasFormulaText && referenceRanges.empty() && dependents.empty() && listeners.empty() &&
           !comment && !mergeMaster && matrixColumn == 0 && matrixRow == 0 && columnSpan == 1 && rowSpan == 1 &&
           !matrixMember && !matrixBlocked;
  }
};

namespace {

// Fixed-size blocks for cells: no allocator header per cell, freed blocks are
// reused. Under the address sanitizer cells come from the ordinary heap, so
// that use after free is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define QUADRELL_PLAIN_CELL_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUADRELL_PLAIN_CELL_HEAP 1
#endif
#endif

class CellPool {
 public:
  static CellPool& Instance() {
    static CellPool* pool = new CellPool();  // never destroyed: cells of static sheets may outlive it
    return *pool;
  }
  void* Allocate() {
    if (free_) {
      void* p = free_;
      free_ = *static_cast<void**>(p);
      return p;
    }
    if (next_ == end_) {
      chunks_.push_back(std::make_unique<Block[]>(kBlocksPerChunk));
      next_ = chunks_.back().get();
      end_ = next_ + kBlocksPerChunk;
    }
    return next_++;
  }
  void Release(void* p) {
    *static_cast<void**>(p) = free_;
    free_ = p;
  }
  size_t Bytes() const { return chunks_.size() * kBlocksPerChunk * sizeof(Block); }

 private:
  struct alignas(alignof(Cell)) Block {
    unsigned char bytes[sizeof(Cell)];
  };
  static constexpr size_t kBlocksPerChunk = 32768;
  std::vector<std::unique_ptr<Block[]>> chunks_;
  Block* next_ = nullptr;
  Block* end_ = nullptr;
  void* free_ = nullptr;
};

bool IsDigit16(char16_t c) { return c >= u'0' && c <= u'9'; }

// Arithmetic typed without "=": starts with a digit, only digits, operators,
// points, commas and spaces, at least one operator.
bool LooksLikeSimpleFormula(std::u16string_view text) {
  if (text.empty() || !IsDigit16(text[0])) return false;
  bool hasOperator = false;
  for (char16_t c : text) {
    if (c == u'+' || c == u'-' || c == u'*' || c == u'/') {
      hasOperator = true;
    } else if (!IsDigit16(c) && c != u'.' && c != u',' && c != u' ') {
      return false;
    }
  }
  return hasOperator;
}

bool IsBlank(const Value* v) {
  return !v || v->Kind() == ValueKind::Empty || (v->Kind() == ValueKind::Text && v->Text().empty());
}

uint64_t gStamp = 0;

}  // namespace

// Recalculation runs in waves: a changed cell's dependents, and theirs, are
// put in dependency order once and each recalculates once; cells changed from
// outside that order (spilled results) start a further pass. Nothing recurses,
// however long the chains.
class CellPropagation {
 public:
  static void Changed(Cell* cell) {
    if (running_) {
      CellExtra* e = cell->Extra();
      if (!e || e->waveStamp != stamp_) pending_.push_back(cell);
      return;
    }
    Run({cell});
  }

  static bool Running() { return running_; }

 private:
  // A cycle that only spilled results close would otherwise run without end.
  static constexpr int kMaxPasses = 64;

  static void Run(std::vector<Cell*> roots) {
    running_ = true;
    std::vector<Cell*> order;
    for (int pass = 0; pass < kMaxPasses && !roots.empty(); ++pass) {
      stamp_ = Cell::NewCycleStamp();
      Plan(roots, order);
      for (size_t i = order.size(); i-- > 0;) order[i]->RecalculateOnce();
      roots.swap(pending_);
      pending_.clear();
    }
    pending_.clear();
    running_ = false;
  }

  // Post-order of a depth-first walk over the dependents; its reverse lists
  // every cell after all the cells it reads.
  static void Plan(const std::vector<Cell*>& roots, std::vector<Cell*>& order) {
    order.clear();
    struct Frame {
      Cell* cell;
      size_t left;  // dependents not yet walked, taken newest first
    };
    std::vector<Frame> stack;
    for (Cell* root : roots) {
      CellExtra* re = root->Extra();
      if (!re) continue;
      stack.push_back({root, re->dependents.size()});
      while (!stack.empty()) {
        Frame& top = stack.back();
        CellExtra* e = top.cell->Extra();
        if (e && top.left > e->dependents.size()) top.left = e->dependents.size();
        if (e && top.left > 0) {
          Cell* d = e->dependents[--top.left];
          CellExtra& de = d->MakeExtra();
          if (de.waveStamp != stamp_) {
            de.waveStamp = stamp_;
            stack.push_back({d, de.dependents.size()});
          }
          continue;
        }
        Cell* done = top.cell;
        stack.pop_back();
        // A root recalculates only where it was reached as a dependent (its own frame).
        if (!stack.empty()) order.push_back(done);
      }
    }
  }

  static inline bool running_ = false;
  static inline uint64_t stamp_ = 0;
  static inline std::vector<Cell*> pending_;
};

void* Cell::operator new(size_t size) {
#ifdef QUADRELL_PLAIN_CELL_HEAP
  return ::operator new(size);
#else
  (void)size;
  return CellPool::Instance().Allocate();
#endif
}

void Cell::operator delete(void* pointer) {
  if (!pointer) return;
#ifdef QUADRELL_PLAIN_CELL_HEAP
  ::operator delete(pointer);
#else
  CellPool::Instance().Release(pointer);
#endif
}

size_t Cell::PooledBytes() { return CellPool::Instance().Bytes(); }

uint64_t Cell::NewCycleStamp() { return ++gStamp; }

Cell::Cell(int32_t row, int32_t column, Sheet* sheet) : row_(sheet->GetRow(row)), column_(sheet->GetColumn(column)) {}

Cell::Cell(Row* row, Column* column) : row_(row), column_(column) {}

Cell::~Cell() {
  if (CellExtra* e = Extra()) {
    ReleaseFormula();
    delete e;
  }
}

CellExtra& Cell::MakeExtra() {
  CellExtra* e = Extra();
  if (!e) {
    e = new CellExtra();
    tagged_ = reinterpret_cast<uintptr_t>(e) | (tagged_ & kTagMask);
  }
  return *e;
}

void Cell::ReleaseExtraIfUnused() {
  CellExtra* e = Extra();
  if (e && e->Unused()) {
    delete e;
    tagged_ &= kTagMask;
  }
}

void Cell::SetInputEmpty(bool empty) {
  if (empty) {
    tagged_ &= ~kInputNotEmpty;
  } else {
    tagged_ |= kInputNotEmpty;
  }
}

Sheet* Cell::GetSheet() const { return row_ ? row_->GetSheet() : nullptr; }

Host* Cell::GetHost() const {
  Sheet* sheet = GetSheet();
  return sheet ? sheet->GetHost() : nullptr;
}

std::u16string_view Cell::Language() const {
  Host* host = GetHost();
  return host ? host->FormulaLanguage() : std::u16string_view(u"en");
}

int32_t Cell::GetRowIndex() const { return row_ ? row_->GetIndex() : -1; }

int32_t Cell::GetColumnIndex() const { return column_ ? column_->GetIndex() : -1; }

std::u16string Cell::GetName() const {
  if (!row_ || !column_) return u"#Ref";
  std::u16string name = ColumnName(GetColumnIndex());
  std::string number = IntegerText(GetRowIndex());
  name.append(number.begin(), number.end());
  return name;
}

// --- Styles ---

const StyleRecord* Cell::InheritedStyle() const {
  if (row_ && row_->GetOwnStyle()) return row_->GetOwnStyle();
  if (column_ && column_->GetOwnStyle()) return column_->GetOwnStyle();
  Sheet* sheet = GetSheet();
  return sheet ? sheet->GetStyle() : GetDefaultStyle();
}

const StyleRecord* Cell::GetStyle() const { return style_ ? StyleFromHandle(style_) : InheritedStyle(); }

StyleRecord Cell::CopyStyle() const { return *GetStyle(); }

void Cell::ApplyStyleHandle(uint32_t handle) {
  int32_t before = GetStyle()->font->PixelHeight();
  style_ = StyleFromHandle(handle) == InheritedStyle() ? 0 : handle;
  if (row_) row_->NoteCellFontHeight(before, GetStyle()->font->PixelHeight());
}

bool Cell::SetStyle(const StyleRecord& style) {
  ApplyStyleHandle(InternStyleHandle(style));
  bool heightChanged = row_ && row_->SetHeight(0, false);
  // Shared borders: each existing neighbour shows this cell's side as its
  // facing side. A fix only touches the side facing the cell that caused it,
  // so the walk ends once the pairs it met agree.
  std::vector<Cell*> work{this};
  while (!work.empty()) {
    Cell* c = work.back();
    work.pop_back();
    Sheet* sheet = c->GetSheet();
    if (!sheet || !c->row_) continue;
    const StyleRecord* s = c->GetStyle();
    int32_t row = c->GetRowIndex();
    int32_t column = c->GetColumnIndex();
    auto fix = [&](Cell* n, BorderLine StyleRecord::*side, const BorderLine& wanted) {
      if (!n || n == c || n->GetStyle()->*side == wanted) return;
      StyleRecord copy = n->CopyStyle();
      copy.*side = wanted;
      n->ApplyStyleHandle(InternStyleHandle(copy));
      if (n->row_) n->row_->SetHeight(0, false);
      work.push_back(n);
    };
    fix(c->row_->FindCell(column + 1), &StyleRecord::left, s->right);
    if (column > 0) fix(c->row_->FindCell(column - 1), &StyleRecord::right, s->left);
    if (row > 1) {
      if (Row* above = sheet->FindRow(row - 1)) fix(above->FindCell(column), &StyleRecord::bottom, s->top);
    }
    if (Row* below = sheet->FindRow(row + 1)) fix(below->FindCell(column), &StyleRecord::top, s->bottom);
  }
  return heightChanged;
}

bool Cell::IsUsed() const {
  if (!IsBlank(ValueAtReference(value_))) return true;
  if (!style_) return false;
  const StyleRecord* s = StyleFromHandle(style_);
  return s->fillColor != kWhite || s->top.lineStyle != kBorderNone || s->bottom.lineStyle != kBorderNone ||
         s->left.lineStyle != kBorderNone || s->right.lineStyle != kBorderNone;
}

// --- Values ---

const Value* Cell::GetValue() const {
  const Value* v = ValueAtReference(value_);
  return v ? v : EmptyValue();
}

ValueRecord Cell::GetValueCopy() const { return CopyValue(GetValue()); }

std::u16string Cell::GetText() const { return DisplayText(ValueAtReference(value_)); }

void Cell::SetValue(const Value* value) { StoreValue(value, true); }

void Cell::StoreValue(const Value* value, bool notifyDependents) {
  const Value* old = ValueAtReference(value_);
  if (value) {
    bool isLink = value->Kind() == ValueKind::Hyperlink;
    bool wasLink = old && old->Kind() == ValueKind::Hyperlink;
    if (isLink != wasLink) {
      StyleRecord s = CopyStyle();
      s.textColor = isLink ? Colour{0xFF0000} : kBlack;
      uint32_t flags = isLink ? (s.font->flags | kFontFlagUnderline) : (s.font->flags & ~kFontFlagUnderline);
      s.font = GetFont(s.font->face, s.font->size, flags);
      SetStyle(s);
    }
  }
  value_ = ValueReference(value);
  // An unchanged value changes nothing downstream.
  if (value != old) NotifyChanged(notifyDependents);
}

void Cell::NotifyChanged(bool notifyDependents) {
  CellExtra* e = Extra();
  if (!e) return;
  if (notifyDependents && !e->dependents.empty()) CellPropagation::Changed(this);
  e = Extra();
  if (!e || e->listeners.empty()) return;
  // Callbacks may add or remove listeners: call those still registered, newest first.
  auto listeners = e->listeners;
  for (size_t i = listeners.size(); i-- > 0;) {
    CellExtra* now = Extra();
    if (!now) break;
    if (std::find(now->listeners.begin(), now->listeners.end(), listeners[i]) == now->listeners.end()) continue;
    listeners[i].second(listeners[i].first, this);
  }
}

// --- Input ---

std::u16string Cell::GetInput() const {
  if (HasFormula()) return u"=" + FormulaText(Language());
  return DisplayText(ValueAtReference(value_));
}

void Cell::SetInput(std::u16string_view text) { SetInput(text, Language()); }

void Cell::SetInput(std::u16string_view text, std::u16string_view language) {
  if (IsMatrixMember()) TakeDownSpill();
  UnlinkFormula();
  SetInputEmpty(text.empty());
  std::u16string simple;
  if (LooksLikeSimpleFormula(text) && GetContext().GetSettingInt(kSettingSimpleFormulas) != 0) {
    simple = u"=";
    simple += text;
    text = simple;
  }
  if (!text.empty() && text[0] == u'=') {
    DropFormula();
    CompileFormula(text, language);
    if (!HasCompiledFormula()) {
      StoreValue(NewError(u"Syntax Error"), true);
    } else {
      StoreResult(EvaluateFormula());
      std::vector<Cell*> cells;
      CollectReferencedCells(cells);
      uint64_t stamp = NewCycleStamp();
      bool cycle = false;
      for (Cell* r : cells) {
        if (r->DependsOn(this, stamp)) {
          cycle = true;
          break;
        }
      }
      if (cycle) {
        StoreValue(NewError(u"Cycle Found"), true);
      } else {
        LinkFormula();
      }
    }
  } else {
    StoreValue(ParseInput(text), true);
    DropFormula();
  }
  CellExtra* e = Extra();
  if (text.empty() && e && e->matrixBlocked) {
    Sheet* sheet = GetSheet();
    Cell* anchor = sheet->GetCellDirect(GetRowIndex() - e->matrixRow, GetColumnIndex() - e->matrixColumn);
    if (anchor != this) anchor->Recalculate();
  }
  ReleaseExtraIfUnused();
}

void Cell::CopyFrom(Cell* source, int32_t columnOffset, int32_t rowOffset) {
  if (!source || source == this) return;
  if (!source->HasFormula()) {
    SetInput(source->GetInput());
    return;
  }
  std::u16string text = u"=" + source->ShiftedFormulaText(columnOffset, rowOffset, Language());
  SetInput(text);
  SetReferenceRanges(text);
}

std::u16string Cell::GetShiftedInput(int32_t columnOffset, int32_t rowOffset) const {
  if (!HasFormula()) return GetInput();
  return u"=" + ShiftedFormulaText(columnOffset, rowOffset, Language());
}

bool Cell::HasFormula() const {
  CellExtra* e = Extra();
  return e && (e->formula || e->hasFormulaText);
}

Formula* Cell::GetFormula() const {
  CellExtra* e = Extra();
  return e ? e->formula : nullptr;
}

std::u16string Cell::GetEnglishFormulaText() const { return u"=" + FormulaText(u"en"); }

void Cell::SetReferenceRanges(std::u16string_view text) {
  CellExtra* e = Extra();
  if (e) e->referenceRanges.clear();
  if (!text.empty() && text[0] == u'=') {
    std::vector<std::unique_ptr<Range>> ranges;
    CollectNamedRanges(text, ranges);
    if (!ranges.empty()) MakeExtra().referenceRanges = std::move(ranges);
  }
  ReleaseExtraIfUnused();
}

const std::vector<std::unique_ptr<Range>>& Cell::GetReferenceRanges() const {
  static const std::vector<std::unique_ptr<Range>> none;
  CellExtra* e = Extra();
  return e ? e->referenceRanges : none;
}

// --- Formula links ---

void Cell::LinkFormula() {
  std::vector<Cell*> cells;
  CollectReferencedCells(cells);
  for (Cell* r : cells) r->AddDependent(this);
  std::vector<Range*> ranges;
  CollectReferencedRanges(ranges);
  Sheet* sheet = GetSheet();
  for (Range* range : ranges) sheet->RegisterRangeDependency(this, range);
}

void Cell::UnlinkFormula() {
  CellExtra* e = Extra();
  if (!e || !e->ownsFormula || !HasCompiledFormula()) return;
  std::vector<Cell*> cells;
  CollectReferencedCells(cells);
  for (Cell* r : cells) r->RemoveDependent(this);
  std::vector<Range*> ranges;
  CollectReferencedRanges(ranges);
  Sheet* sheet = GetSheet();
  for (Range* range : ranges) sheet->UnregisterRangeDependency(this, range);
}

void Cell::Detach() { UnlinkFormula(); }

void Cell::DropFormula() {
  CellExtra* e = Extra();
  if (!e) return;
  ReleaseFormula();
  e->formula = nullptr;
  e->ownsFormula = false;
  e->hasFormulaText = false;
  e->formulaText.clear();
}

void Cell::AddDependent(Cell* cell) { MakeExtra().dependents.push_back(cell); }

bool Cell::RemoveDependent(Cell* cell) {
  CellExtra* e = Extra();
  if (!e) return false;
  auto& d = e->dependents;
  for (size_t i = d.size(); i-- > 0;) {
    if (d[i] == cell) {
      d.erase(d.begin() + static_cast<ptrdiff_t>(i));
      ReleaseExtraIfUnused();
      return true;
    }
  }
  return false;
}

bool Cell::DependsOn(Cell* target, uint64_t stamp) {
  std::vector<Cell*> stack{this};
  std::vector<Cell*> cells;
  while (!stack.empty()) {
    Cell* c = stack.back();
    stack.pop_back();
    if (c == target) return true;
    CellExtra* e = c->Extra();
    if (!e || e->cycleStamp == stamp) continue;
    e->cycleStamp = stamp;
    if (!c->HasCompiledFormula()) continue;
    cells.clear();
    c->CollectReferencedCells(cells);
    for (Cell* r : cells) {
      if (r == c) return true;
      stack.push_back(r);
    }
  }
  return false;
}

// --- Recalculation ---

void Cell::StoreResult(std::unique_ptr<Matrix> result) {
  if (!result) return;
  if (result->ValueCount() == 1) {
    RetractSpill(1, 1);
    StoreValue(result->GetAt(0, 0), true);
  } else {
    SpillMatrix(*result);
  }
}

void Cell::RecalculateOnce() {
  if (HasCompiledFormula()) {
    CellExtra* e = Extra();
    if (e && e->ownsFormula) StoreResult(EvaluateFormula());
  }
  if (Host* host = GetHost()) host->UpdateCellInViews(GetRowIndex(), GetColumnIndex());
}

void Cell::Recalculate() {
  if (CellPropagation::Running()) {
    RecalculateOnce();
    CellPropagation::Changed(this);
    return;
  }
  if (HasCompiledFormula()) {
    CellExtra* e = Extra();
    if (e && e->ownsFormula) {
      std::unique_ptr<Matrix> result = EvaluateFormula();
      if (result && result->ValueCount() == 1) {
        RetractSpill(1, 1);
        StoreValue(result->GetAt(0, 0), false);
      } else if (result) {
        SpillMatrix(*result);
      }
    }
  }
  CellPropagation::Changed(this);
  if (Host* host = GetHost()) host->UpdateCellInViews(GetRowIndex(), GetColumnIndex());
}

// --- Spilled results ---

bool Cell::IsMatrixMember() const {
  CellExtra* e = Extra();
  return e && e->matrixMember;
}

bool Cell::IsMatrixBlocked() const {
  CellExtra* e = Extra();
  return e && e->matrixBlocked;
}

int32_t Cell::GetMatrixColumnOffset() const {
  CellExtra* e = Extra();
  return e ? e->matrixColumn : 0;
}

int32_t Cell::GetMatrixRowOffset() const {
  CellExtra* e = Extra();
  return e ? e->matrixRow : 0;
}

// The cells of the spill anchored at this cell, walked column by column while
// each shows the offsets it should have there.
std::vector<Cell*> Cell::SpillMembers() const {
  std::vector<Cell*> members;
  Sheet* sheet = GetSheet();
  if (!sheet) return members;
  int32_t row = GetRowIndex();
  int32_t column = GetColumnIndex();
  auto memberAt = [&](int32_t i, int32_t j) -> Cell* {
    Row* r = sheet->FindRow(row + j);
    Cell* c = r ? r->FindCell(column + i) : nullptr;
    CellExtra* e = c ? c->Extra() : nullptr;
    return e && e->matrixMember && e->matrixColumn == i && e->matrixRow == j ? c : nullptr;
  };
  for (int32_t i = 0; memberAt(i, 0); ++i) {
    for (int32_t j = 0;; ++j) {
      Cell* c = memberAt(i, j);
      if (!c) break;
      members.push_back(c);
    }
  }
  return members;
}

void Cell::TakeDownSpill() {
  CellExtra* e = Extra();
  bool editingAnchor = e->matrixColumn < 1 && e->matrixRow < 1;
  Cell* anchor = this;
  if (!editingAnchor) {
    anchor = GetSheet()->GetCellDirect(GetRowIndex() - e->matrixRow, GetColumnIndex() - e->matrixColumn);
  }
  for (Cell* c : anchor->SpillMembers()) {
    CellExtra& ce = *c->Extra();
    ce.matrixMember = false;
    if (editingAnchor) {
      ce.matrixBlocked = false;
      ce.matrixColumn = 0;
      ce.matrixRow = 0;
    } else {
      ce.matrixBlocked = true;
    }
    if (c != anchor) {
      ce.formula = nullptr;
      ce.ownsFormula = false;
    }
    c->StoreValue(nullptr, true);
  }
  if (!editingAnchor) anchor->StoreValue(NewError(u"Matrix Error"), true);
}

// Clears the cells of this anchor's spill that a new result of the given size
// no longer covers, so no stale part of an earlier result stays on the sheet.
void Cell::RetractSpill(int32_t columns, int32_t rows) {
  CellExtra* e = Extra();
  if (!e || !e->matrixMember || e->matrixColumn != 0 || e->matrixRow != 0) return;
  for (Cell* c : SpillMembers()) {
    CellExtra& ce = *c->Extra();
    if (c == this || (ce.matrixColumn < columns && ce.matrixRow < rows)) continue;
    ce.matrixMember = false;
    ce.matrixBlocked = false;
    ce.matrixColumn = 0;
    ce.matrixRow = 0;
    ce.formula = nullptr;
    ce.ownsFormula = false;
    c->StoreValue(nullptr, true);
    c->ReleaseExtraIfUnused();
  }
  if (columns <= 1 && rows <= 1) e->matrixMember = false;
}

void Cell::SpillMatrix(const Matrix& matrix) {
  Sheet* sheet = GetSheet();
  int32_t width = matrix.Columns();
  int32_t height = matrix.Rows();
  if (!sheet || width < 1 || height < 1) return;
  RetractSpill(width, height);
  int32_t row = GetRowIndex();
  int32_t column = GetColumnIndex();
  bool conflict = false;
  for (int32_t i = 0; i < width; ++i) {
    for (int32_t j = 0; j < height; ++j) {
      if (i == 0 && j == 0) continue;
      Cell* target = sheet->GetCellDirect(row + j, column + i);
      CellExtra& te = target->MakeExtra();
      if (!te.matrixMember) {
        te.matrixBlocked = true;
        te.matrixColumn = i;
        te.matrixRow = j;
        if (target->HasFormula() || !IsBlank(ValueAtReference(target->value_))) conflict = true;
      } else if (te.matrixColumn != i || te.matrixRow != j) {
        conflict = true;
      }
    }
  }
  if (conflict) {
    StoreValue(NewError(u"Matrix Error"), true);
    return;
  }
  Formula* formula = GetFormula();
  for (int32_t i = 0; i < width; ++i) {
    for (int32_t j = 0; j < height; ++j) {
      Cell* target = i == 0 && j == 0 ? this : sheet->GetCellDirect(row + j, column + i);
      target->StoreValue(matrix.GetAt(i, j), true);
      CellExtra& te = target->MakeExtra();
      if (target != this) {
        te.formula = formula;
        te.ownsFormula = false;
      }
      te.matrixMember = true;
      te.matrixColumn = i;
      te.matrixRow = j;
    }
  }
}

// --- Comments, listeners, merging ---

CommentRecord* Cell::GetComment() const {
  CellExtra* e = Extra();
  return e ? e->comment : nullptr;
}

void Cell::SetComment(CommentRecord* record) {
  CommentRecord* old = GetComment();
  if (old) {
    if (Sheet* sheet = GetSheet()) sheet->RemoveCommentObject(old);
  }
  if (record) {
    MakeExtra().comment = record;
  } else if (CellExtra* e = Extra()) {
    e->comment = nullptr;
    ReleaseExtraIfUnused();
  }
}

void Cell::AddListener(void* userData, CellListener callback) { MakeExtra().listeners.emplace_back(userData, callback); }

void Cell::RemoveListener(void* userData) {
  CellExtra* e = Extra();
  if (!e) return;
  std::erase_if(e->listeners, [&](const auto& l) { return l.first == userData; });
  ReleaseExtraIfUnused();
}

int32_t Cell::GetColumnSpan() const {
  CellExtra* e = Extra();
  return e ? e->columnSpan : 1;
}

int32_t Cell::GetRowSpan() const {
  CellExtra* e = Extra();
  return e ? e->rowSpan : 1;
}

void Cell::SetSpan(int32_t columnSpan, int32_t rowSpan) {
  if (columnSpan == 1 && rowSpan == 1 && !Extra()) return;
  CellExtra& e = MakeExtra();
  e.columnSpan = columnSpan;
  e.rowSpan = rowSpan;
  ReleaseExtraIfUnused();
}

Cell* Cell::GetMergeMaster() const {
  CellExtra* e = Extra();
  return e ? e->mergeMaster : nullptr;
}

void Cell::SetMergeMaster(Cell* master) {
  if (!master && !Extra()) return;
  MakeExtra().mergeMaster = master;
  ReleaseExtraIfUnused();
}

// --- The formula engine's side ---
// Until formulas compile, a formula is kept as the text that was typed and the
// cell shows "Syntax Error", as for a text that does not parse: it has no
// tree to evaluate and reads no cells or ranges.

void Cell::CompileFormula(std::u16string_view text, std::u16string_view language) {
  (void)language;
  CellExtra& e = MakeExtra();
  e.hasFormulaText = true;
  e.formulaText = text.substr(1);
}

bool Cell::HasCompiledFormula() const { return GetFormula() != nullptr; }

std::unique_ptr<Matrix> Cell::EvaluateFormula() { return nullptr; }

void Cell::CollectReferencedCells(std::vector<Cell*>& cells) const { (void)cells; }

void Cell::CollectReferencedRanges(std::vector<Range*>& ranges) const { (void)ranges; }

std::u16string Cell::FormulaText(std::u16string_view language) const {
  (void)language;
  CellExtra* e = Extra();
  return e ? e->formulaText : std::u16string();
}

std::u16string Cell::ShiftedFormulaText(int32_t columnOffset, int32_t rowOffset, std::u16string_view language) const {
  (void)columnOffset;
  (void)rowOffset;
  return FormulaText(language);
}

void Cell::CollectNamedRanges(std::u16string_view text, std::vector<std::unique_ptr<Range>>& ranges) const {
  (void)text;
  (void)ranges;
}

void Cell::ReleaseFormula() {}

}  // namespace quadrell
