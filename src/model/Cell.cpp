#include "model/Cell.h"

#include <algorithm>
#include <exception>
#include <unordered_set>
#include <new>
#include <utility>

#include "context/ApplicationContext.h"
#include "formula/FileTranslation.h"
#include "formula/FormulaRange.h"
#include "formula/FormulaValue.h"
#include "model/Column.h"
#include "model/Host.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "model/collection/BlockPool.h"
#include "model/collection/SmallList.h"
#include "value/NumberText.h"

namespace quadrell {

// The fields of merged, commented, watched or pointing cells: rarer still.
struct CellRare {
  std::vector<std::unique_ptr<Range>> referenceRanges;
  std::vector<std::pair<void*, CellListener>> listeners;  // newest last
  CommentRecord* comment = nullptr;
  Cell* mergeMaster = nullptr;
  int32_t columnSpan = 1;
  int32_t rowSpan = 1;
  // The place in a spilled result (matrixMember) or in the area one would
  // spill over (matrixBlocked).
  int32_t matrixColumn = 0;
  int32_t matrixRow = 0;
  bool matrixMember = false;
  bool matrixBlocked = false;

  bool Unused() const {
    return referenceRanges.empty() && listeners.empty() && !comment && !mergeMaster && columnSpan == 1 &&
           rowSpan == 1 && matrixColumn == 0 && matrixRow == 0 && !matrixMember && !matrixBlocked;
  }
};

// Every formula cell and every cell a formula reads has one, so it is kept
// to what recalculation needs; the rest waits in CellRare.
struct CellExtra {
  // The cell's own formula (owned) or, in a spilled result, the anchor's (borrowed).
  Formula* formula = nullptr;
  SmallList<Cell*> dependents;  // newest last
  std::unique_ptr<CellRare> rare;
  uint64_t cycleStamp = 0;
  uint64_t waveStamp = 0;
  uint64_t doneStamp = 0;  // the wave in which the cell was last recalculated
  uint32_t order = 0;  // its place among the deferred formulas while they are computed
  bool ownsFormula = false;
  // The formula was rejected as a cycle: it keeps "Cycle Found" and has no links.
  bool cycle = false;
  // Waits in the list of formulas to compute when a load ends.
  bool deferred = false;

  CellRare& Rare() {
    if (!rare) rare = std::make_unique<CellRare>();
    return *rare;
  }
  // Nothing kept but at most one dependent, which the cell can hold itself.
  bool Unused() const {
    return !formula && dependents.size() <= 1 && !rare && !deferred;
  }
  int32_t MatrixColumn() const { return rare ? rare->matrixColumn : 0; }
  int32_t MatrixRow() const { return rare ? rare->matrixRow : 0; }
  bool MatrixMember() const { return rare && rare->matrixMember; }
  bool MatrixBlocked() const { return rare && rare->matrixBlocked; }

  static void* operator new(size_t size);
  static void operator delete(void* pointer);
};

namespace {

bool IsBlank(const Value* v) {
  return !v || v->Kind() == ValueKind::Empty || (v->Kind() == ValueKind::Text && v->Text().empty());
}

uint64_t gStamp = 0;

// Results larger than this do not spill: the anchor shows "Matrix Error".
constexpr int64_t kMaxSpillValues = int64_t{1} << 16;

}  // namespace

// Recalculation runs in waves: a changed cell's readers, and theirs, are put
// in dependency order once and each recalculates once, after all of its
// inputs; cells changed from outside that order (spilled results, or a cell
// changed again after it was recalculated) start a further pass. Nothing
// recurses, however long the chains.
class CellPropagation {
 public:
  static void Changed(Cell* cell) {
    if (deferring_ > 0) return;
    if (running_) {
      CellExtra* e = cell->Extra();
      if (!e || e->waveStamp != stamp_ || e->doneStamp == stamp_) pending_.push_back(cell);
      return;
    }
    if (batching_ > 0) {
      batched_.push_back(cell);
      return;
    }
    Run({cell});
  }

  // Cells changed together (the values of a spill) start one wave when the
  // batch ends: a wave each would recalculate their readers once per cell.
  static void BeginBatch() { ++batching_; }
  static void EndBatch(bool run) {
    if (--batching_ > 0) return;
    std::vector<Cell*> roots;
    roots.swap(batched_);
    if (run && !roots.empty()) Run(std::move(roots));
  }

  static bool Running() { return running_; }
  static bool Deferring() { return deferring_ > 0; }

  // A formula stored while a load runs: computed when the load ends.
  static void Defer(Cell* cell) {
    CellExtra& e = cell->MakeExtra();
    if (e.deferred) return;
    e.deferred = true;
    deferred_.push_back(cell);
  }
  static void Forget(Cell* cell) {
    auto found = std::find(deferred_.begin(), deferred_.end(), cell);
    if (found != deferred_.end()) deferred_.erase(found);
  }
  static void BeginDeferring() { ++deferring_; }
  static void EndDeferring() {
    if (--deferring_ > 0 || running_) return;
    std::vector<Cell*> cells;
    cells.swap(deferred_);
    RunDeferred(std::move(cells));
  }

  // The cells whose formulas read the cell: its links, newest consumed first,
  // and the readers of the registered ranges over its position.
  static void AppendReaders(Cell* cell, std::vector<Cell*>& out) {
    if (CellExtra* e = cell->Extra()) {
      out.insert(out.end(), e->dependents.begin(), e->dependents.end());
    } else if (Cell* single = cell->SingleDependent()) {
      out.push_back(single);
    }
    Sheet* sheet = cell->GetSheet();
    if (sheet && !sheet->GetRangeDependencies().Empty()) {
      sheet->GetRangeDependencies().CollectReaders(cell->GetRowIndex(), cell->GetColumnIndex(), out);
    }
  }

  static bool HasReaders(const Cell* cell) {
    CellExtra* e = cell->Extra();
    if ((e && !e->dependents.empty()) || cell->SingleDependent()) return true;
    Sheet* sheet = cell->GetSheet();
    return sheet && !sheet->GetRangeDependencies().Empty() &&
           sheet->GetRangeDependencies().HasReaders(cell->GetRowIndex(), cell->GetColumnIndex());
  }

 private:
  // A cycle that only spilled results close would otherwise run without end.
  static constexpr int kMaxPasses = 16;

  static void Run(std::vector<Cell*> roots) {
    running_ = true;
    RunPasses(std::move(roots), 0);
  }

  static void RunPasses(std::vector<Cell*> roots, int firstPass) {
    std::vector<Cell*> order;
    for (int pass = firstPass; pass < kMaxPasses && !roots.empty(); ++pass) {
      stamp_ = Cell::NewCycleStamp();
      Plan(roots, order);
      for (size_t i = order.size(); i-- > 0;) {
        order[i]->RecalculateOnce();
        if (CellExtra* e = order[i]->Extra()) e->doneStamp = stamp_;
      }
      roots.swap(pending_);
      pending_.clear();
    }
    pending_.clear();
    running_ = false;
  }

  // Post-order of a depth-first walk over the readers; its reverse lists
  // every cell after all the cells it reads. The readers still to walk of
  // every frame on the stack lie in one buffer, each frame's above its parent's.
  static void Plan(const std::vector<Cell*>& roots, std::vector<Cell*>& order) {
    order.clear();
    struct Frame {
      Cell* cell;
      size_t begin;
      size_t next;  // readers[begin, next) are still to walk, from the end
    };
    std::vector<Frame> stack;
    std::vector<Cell*> readers;
    for (Cell* root : roots) {
      AppendReaders(root, readers);
      stack.push_back({root, 0, readers.size()});
      while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next > top.begin) {
          Cell* d = readers[--top.next];
          CellExtra& de = d->MakeExtra();
          if (de.waveStamp != stamp_) {
            de.waveStamp = stamp_;
            size_t begin = readers.size();
            AppendReaders(d, readers);
            stack.push_back({d, begin, readers.size()});
          }
          continue;
        }
        Cell* done = top.cell;
        readers.resize(top.begin);
        stack.pop_back();
        // A root recalculates only where it was reached as a reader (its own frame).
        if (!stack.empty()) order.push_back(done);
      }
    }
  }

  // Every formula stored during a load computed once, each after the
  // formulas it reads: a graph over those cells alone, the edges from a cell to
  // its readers, taken in order as their inputs are done. Cells left waiting
  // lie on a cycle or behind one: the cycles found among them (Tarjan's
  // strongly connected components) show "Cycle Found" and lose their links,
  // and the cells behind them follow. Changes outside the graph (spilled
  // results) run as further passes.
  static void RunDeferred(std::vector<Cell*> cells) {
    running_ = true;
    stamp_ = Cell::NewCycleStamp();
    // The graph's nodes take the places of the list they come from: both are
    // as long as the workbook's formulas.
    std::vector<Cell*>& nodes = cells;
    size_t kept = 0;
    for (Cell* c : cells) {
      CellExtra* e = c->Extra();
      if (!e || !e->deferred) continue;
      e->deferred = false;
      if (!e->ownsFormula || e->cycle || !c->HasCompiledFormula() || e->waveStamp == stamp_) {
        c->ReleaseExtraIfUnused();
        continue;
      }
      e->waveStamp = stamp_;
      e->order = static_cast<uint32_t>(kept);
      nodes[kept++] = c;
    }
    nodes.resize(kept);
    nodes.shrink_to_fit();
    const size_t n = nodes.size();
    std::vector<uint32_t> first(n + 1, 0);
    std::vector<uint32_t> edges;
    std::vector<uint32_t> waiting(n, 0);
    std::vector<Cell*> readers;
    for (size_t i = 0; i < n; ++i) {
      first[i] = static_cast<uint32_t>(edges.size());
      readers.clear();
      AppendReaders(nodes[i], readers);
      for (Cell* r : readers) {
        CellExtra* re = r->Extra();
        if (!re || re->waveStamp != stamp_) continue;
        edges.push_back(re->order);
        ++waiting[re->order];
      }
    }
    first[n] = static_cast<uint32_t>(edges.size());
    std::vector<uint8_t> done(n, 0);
    // Cells whose inputs became done, newest first; those waiting for nothing
    // from the start are taken in order by a cursor instead of being listed.
    std::vector<uint32_t> ready;
    size_t finished = 0;
    auto release = [&](uint32_t i) {
      done[i] = 1;
      ++finished;
      if (CellExtra* e = nodes[i]->Extra()) e->doneStamp = stamp_;
      for (size_t k = first[i]; k < first[i + 1]; ++k) {
        uint32_t r = edges[k];
        if (!done[r] && --waiting[r] == 0) ready.push_back(r);
      }
    };
    auto compute = [&](uint32_t i) {
      nodes[i]->RecalculateOnce();
      release(i);
    };
    auto drain = [&] {
      while (!ready.empty()) {
        uint32_t r = ready.back();
        ready.pop_back();
        if (!done[r]) compute(r);
      }
    };
    for (size_t i = 0; i < n; ++i) {
      if (done[i] || waiting[i] != 0) continue;
      compute(static_cast<uint32_t>(i));
      drain();
    }
    while (finished < n) {
      for (uint32_t i : CyclicCells(first, edges, done)) {
        Cell* c = nodes[i];
        c->UnlinkFormula();
        c->Extra()->cycle = true;
        c->RetractSpill(1, 1);
        c->StoreValue(NewError(u"Cycle Found"), true);
        if (Host* host = c->GetHost()) host->UpdateCellInViews(c->GetRowIndex(), c->GetColumnIndex());
        release(i);
      }
      drain();
    }
    std::vector<Cell*> roots;
    roots.swap(pending_);
    RunPasses(std::move(roots), 1);
  }

  // The cells not yet done that lie on a cycle among those not done.
  static std::vector<uint32_t> CyclicCells(const std::vector<uint32_t>& first, const std::vector<uint32_t>& edges,
                                           const std::vector<uint8_t>& done) {
    const uint32_t n = static_cast<uint32_t>(done.size());
    constexpr uint32_t kUnseen = UINT32_MAX;
    std::vector<uint32_t> index(n, kUnseen), low(n, 0);
    std::vector<uint8_t> onStack(n, 0);
    std::vector<uint32_t> stack, cyclic;
    struct Frame {
      uint32_t node;
      size_t next;
    };
    std::vector<Frame> frames;
    uint32_t counter = 0;
    for (uint32_t root = 0; root < n; ++root) {
      if (done[root] || index[root] != kUnseen) continue;
      frames.push_back({root, first[root]});
      index[root] = low[root] = counter++;
      stack.push_back(root);
      onStack[root] = 1;
      while (!frames.empty()) {
        Frame& f = frames.back();
        uint32_t v = f.node;
        if (f.next < first[v + 1]) {
          uint32_t w = edges[f.next++];
          if (done[w]) continue;
          if (index[w] == kUnseen) {
            index[w] = low[w] = counter++;
            stack.push_back(w);
            onStack[w] = 1;
            frames.push_back({w, first[w]});
          } else if (onStack[w]) {
            low[v] = std::min(low[v], index[w]);
          }
          continue;
        }
        frames.pop_back();
        if (!frames.empty()) low[frames.back().node] = std::min(low[frames.back().node], low[v]);
        if (low[v] != index[v]) continue;
        size_t top = stack.size();
        while (stack[top - 1] != v) --top;
        --top;
        bool selfRead = false;
        for (size_t k = first[v]; k < first[v + 1]; ++k) selfRead = selfRead || edges[k] == v;
        bool cycle = stack.size() - top > 1 || selfRead;
        for (size_t k = top; k < stack.size(); ++k) {
          onStack[stack[k]] = 0;
          if (cycle) cyclic.push_back(stack[k]);
        }
        stack.resize(top);
      }
    }
    return cyclic;
  }

  static inline bool running_ = false;
  static inline uint64_t stamp_ = 0;
  static inline std::vector<Cell*> pending_;
  static inline int deferring_ = 0;
  static inline std::vector<Cell*> deferred_;
  static inline int batching_ = 0;
  static inline std::vector<Cell*> batched_;
};

namespace {

// A batch for the scope; one left by an exception starts no wave.
class PropagationBatch {
 public:
  PropagationBatch() : exceptions_(std::uncaught_exceptions()) { CellPropagation::BeginBatch(); }
  ~PropagationBatch() { CellPropagation::EndBatch(std::uncaught_exceptions() == exceptions_); }
  PropagationBatch(const PropagationBatch&) = delete;
  PropagationBatch& operator=(const PropagationBatch&) = delete;

 private:
  int exceptions_;
};

}  // namespace

DeferredRecalculation::DeferredRecalculation() { CellPropagation::BeginDeferring(); }

DeferredRecalculation::~DeferredRecalculation() { CellPropagation::EndDeferring(); }

void* Cell::operator new(size_t size) { return PooledNew<Cell>(size); }
void Cell::operator delete(void* pointer) { PooledDelete<Cell>(pointer); }
void* CellExtra::operator new(size_t size) { return PooledNew<CellExtra>(size); }
void CellExtra::operator delete(void* pointer) { PooledDelete<CellExtra>(pointer); }

size_t Cell::PooledBytes() { return BlockPool<Cell>::Instance().Bytes(); }

uint64_t Cell::NewCycleStamp() { return ++gStamp; }

Cell::Cell(int32_t row, int32_t column, Sheet* sheet) : row_(sheet->GetRow(row)), column_(sheet->GetColumn(column)) {}

Cell::Cell(Row* row, Column* column) : row_(row), column_(column) {}

Cell::~Cell() {
  if (CellExtra* e = Extra()) {
    if (e->deferred) CellPropagation::Forget(this);
    ReleaseFormula();
    delete e;
  }
}

CellExtra& Cell::MakeExtra() {
  CellExtra* e = Extra();
  if (!e) {
    Cell* single = SingleDependent();
    e = new CellExtra();
    if (single) e->dependents.push_back(single);
    tagged_ = reinterpret_cast<uintptr_t>(e) | (tagged_ & kInputNotEmpty);
  }
  return *e;
}

void Cell::ReleaseExtraIfUnused() {
  CellExtra* e = Extra();
  if (e && e->rare && e->rare->Unused()) e->rare.reset();
  if (e && e->Unused()) {
    uintptr_t single = e->dependents.empty() ? 0 : reinterpret_cast<uintptr_t>(e->dependents[0]) | kSingleDependent;
    delete e;
    tagged_ = single | (tagged_ & kInputNotEmpty);
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
  NoteUsage();
}

void Cell::NoteUsage() const {
  if (!row_ || !column_) return;
  if (Sheet* sheet = row_->GetSheet()) sheet->NoteCellUsage(GetRowIndex(), GetColumnIndex(), IsUsed());
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

ValueRecord Cell::GetValueCopy() const { return CopyValue(GetValue()); }

std::u16string Cell::GetText() const { return DisplayText(ValueAtReference(value_)); }

void Cell::SetValue(const Value* value) { StoreValue(value, true); }

void Cell::SetValueAsInput(const Value* value) {
  DropFormula();
  SetInputEmpty(!value || value->Kind() == ValueKind::Empty);
  StoreValue(value, true);
}

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
  if (value != old) {
    NoteUsage();
    NotifyChanged(notifyDependents);
  }
}

void Cell::NotifyChanged(bool notifyDependents) {
  // Every value change reaches the ranges over the cell, also when no recalculation follows.
  bool rangeReaders = false;
  Sheet* sheet = GetSheet();
  if (sheet && !sheet->GetRangeDependencies().Empty()) {
    rangeReaders = sheet->GetRangeDependencies().ValueChangedAt(GetRowIndex(), GetColumnIndex());
  }
  CellExtra* e = Extra();
  if (notifyDependents && (rangeReaders || (e && !e->dependents.empty()) || SingleDependent())) {
    CellPropagation::Changed(this);
  }
  if (sheet) sheet->ValueChanged(GetRowIndex(), GetColumnIndex());
  e = Extra();
  if (!e || !e->rare || e->rare->listeners.empty()) return;
  // Callbacks may add or remove listeners: call those still registered, newest first.
  auto listeners = e->rare->listeners;
  for (size_t i = listeners.size(); i-- > 0;) {
    CellExtra* now = Extra();
    if (!now || !now->rare) break;
    const auto& current = now->rare->listeners;
    if (std::find(current.begin(), current.end(), listeners[i]) == current.end()) continue;
    listeners[i].second(listeners[i].first, this);
  }
}

// --- Input ---

std::u16string Cell::GetInput() const {
  if (HasFormula()) return u"=" + FormulaText(Language());
  return DisplayText(ValueAtReference(value_));
}

const Value* Cell::WithStyleFormat(const Value* value, bool computed) {
  if (!value || value->Kind() != ValueKind::Number) return value;
  // Typed text that carries a format (50%, 1.5.2024) keeps it; a computed
  // number shows as the cell is formatted, whatever its operands carried.
  if (!computed && value->Format() != kFormatGeneral) return value;
  FormatId format = GetStyle()->numberFormatId;
  if (format == kFormatGeneral) return value;
  return WithFormat(value, format);
}

void Cell::SetInput(std::u16string_view text) { SetInput(text, Language()); }

void Cell::SetInput(std::u16string_view text, std::u16string_view language) {
  if (IsMatrixMember()) TakeDownSpill();
  UnlinkFormula();
  SetInputEmpty(text.empty());
  std::u16string simple;
  if (IsSimpleFormula(text) && GetContext().GetSettingInt(kSettingSimpleFormulas) != 0) {
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
      ApplyCompiledFormula();
    }
  } else {
    StoreValue(WithStyleFormat(ParseInput(text), false), true);
    DropFormula();
  }
  CellExtra* e = Extra();
  if (text.empty() && e && e->MatrixBlocked()) {
    Sheet* sheet = GetSheet();
    Cell* anchor = sheet->GetCellDirect(GetRowIndex() - e->MatrixRow(), GetColumnIndex() - e->MatrixColumn());
    if (anchor != this) anchor->Recalculate();
  }
  ReleaseExtraIfUnused();
}

void Cell::ApplyCompiledFormula() {
  if (CellPropagation::Deferring()) {
    LinkFormula();
    CellPropagation::Defer(this);
    return;
  }
  EvaluateAndStore(true);
  if (FormsCycle()) {
    Extra()->cycle = true;
    RetractSpill(1, 1);
    StoreValue(NewError(u"Cycle Found"), true);
  } else {
    LinkFormula();
  }
}

void Cell::SetFileFormula(std::u16string_view text, const Value* cached) {
  if (IsMatrixMember()) TakeDownSpill();
  UnlinkFormula();
  SetInputEmpty(text.empty());
  DropFormula();
  CompileFormula(NormalizeFileFormula(text), u"xlsx");
  CellExtra& e = *Extra();
  if (e.formula->KeepsText() || !ComputableFromFile(*e.formula)) {
    // The file's own text, not a partial tree, stands for the formula.
    delete e.formula;
    e.formula = new Formula(text.empty() ? text : text.substr(1), nullptr);
    StoreValue(cached ? cached : EmptyValue(), true);
  } else {
    ApplyCompiledFormula();
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
  return e && e->formula;
}

Formula* Cell::GetFormula() const {
  CellExtra* e = Extra();
  return e ? e->formula : nullptr;
}

std::u16string Cell::GetEnglishFormulaText() const { return u"=" + FormulaText(u"en"); }

std::u16string Cell::GetFileFormulaText() const { return u"=" + FormulaText(u"xlsx"); }

void Cell::SetReferenceRanges(std::u16string_view text) {
  CellExtra* e = Extra();
  if (e && e->rare) e->rare->referenceRanges.clear();
  if (!text.empty() && text[0] == u'=') {
    std::vector<std::unique_ptr<Range>> ranges;
    CollectNamedRanges(text, ranges);
    if (!ranges.empty()) MakeExtra().Rare().referenceRanges = std::move(ranges);
  }
  ReleaseExtraIfUnused();
}

const std::vector<std::unique_ptr<Range>>& Cell::GetReferenceRanges() const {
  static const std::vector<std::unique_ptr<Range>> none;
  CellExtra* e = Extra();
  return e && e->rare ? e->rare->referenceRanges : none;
}

// --- Formula links ---

namespace {

// Applies a cell's formula's references: links to single cells, and the
// ranges registered with the sheet.
template <typename CellFn, typename RangeFn>
class ReferenceWalk final : public ReferenceVisitor {
 public:
  ReferenceWalk(CellFn cellFn, RangeFn rangeFn) : cellFn_(cellFn), rangeFn_(rangeFn) {}
  void OnCell(Cell* cell) override { cellFn_(cell); }
  void OnRange(FormulaRange& range) override {
    if (range.GetRange()) rangeFn_(range);
  }

 private:
  CellFn cellFn_;
  RangeFn rangeFn_;
};

template <typename CellFn, typename RangeFn>
void WalkReferences(Formula* formula, CellFn cellFn, RangeFn rangeFn) {
  if (!formula || !formula->GetRoot()) return;
  ReferenceWalk<CellFn, RangeFn> walk(cellFn, rangeFn);
  formula->GetRoot()->VisitReferences(walk);
}

}  // namespace

// Ranges register with the sheet they lie on, which may be another one.
void Cell::LinkFormula() {
  WalkReferences(
      GetFormula(), [&](Cell* c) { c->AddDependent(this); },
      [&](FormulaRange& r) { r.GetSheet()->RegisterRangeDependency(this, r.GetRange()); });
}

void Cell::UnlinkFormula() {
  CellExtra* e = Extra();
  if (!e || !e->ownsFormula || e->cycle || !HasCompiledFormula()) return;
  WalkReferences(
      e->formula, [&](Cell* c) { c->RemoveDependent(this); },
      [&](FormulaRange& r) { r.GetSheet()->UnregisterRangeDependency(this, r.GetRange()); });
}

void Cell::Detach() { UnlinkFormula(); }

void Cell::DropFormula() {
  CellExtra* e = Extra();
  if (!e) return;
  ReleaseFormula();
  e->formula = nullptr;
  e->ownsFormula = false;
  e->cycle = false;
}

void Cell::AddDependent(Cell* cell) {
  if ((tagged_ & ~kInputNotEmpty) == 0) {
    tagged_ = reinterpret_cast<uintptr_t>(cell) | kSingleDependent | (tagged_ & kInputNotEmpty);
    return;
  }
  MakeExtra().dependents.push_back(cell);
}

bool Cell::RemoveDependent(Cell* cell) {
  if (Cell* single = SingleDependent()) {
    if (single != cell) return false;
    tagged_ &= kInputNotEmpty;
    return true;
  }
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

namespace {

struct Block {
  int32_t firstRow, firstColumn, lastRow, lastColumn;
  const Sheet* sheet = nullptr;
  bool Holds(const Cell* c) const {
    if (c->GetSheet() != sheet) return false;
    int32_t row = c->GetRowIndex(), column = c->GetColumnIndex();
    return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn && IsOnSheet(c);
  }
};

// The cells and blocks a formula reads.
struct FormulaReads {
  std::vector<Cell*> cells;
  std::vector<Block> blocks;
  std::unordered_set<const Cell*> cellSet;  // for formulas that name many cells

  explicit FormulaReads(Formula* formula) {
    WalkReferences(
        formula, [&](Cell* c) { cells.push_back(c); },
        [&](FormulaRange& r) {
          Block b;
          b.sheet = r.GetSheet();
          if (r.Bounds(b.firstRow, b.firstColumn, b.lastRow, b.lastColumn)) blocks.push_back(b);
        });
    if (cells.size() > 16) cellSet.insert(cells.begin(), cells.end());
  }
  bool Reads(const Cell* c) const {
    if (!cellSet.empty()) {
      if (cellSet.count(c)) return true;
    } else if (std::find(cells.begin(), cells.end(), c) != cells.end()) {
      return true;
    }
    for (const Block& b : blocks) {
      if (b.Holds(c)) return true;
    }
    return false;
  }
};

}  // namespace

bool Cell::DependsOn(Cell* target, uint64_t stamp) {
  std::vector<Cell*> stack{this};
  while (!stack.empty()) {
    Cell* c = stack.back();
    stack.pop_back();
    if (c == target) return true;
    CellExtra* e = c->Extra();
    if (!e || e->cycleStamp == stamp) continue;
    e->cycleStamp = stamp;
    if (!c->HasCompiledFormula()) continue;
    bool found = false;
    WalkReferences(
        e->formula,
        [&](Cell* r) {
          if (r == c) found = true;
          stack.push_back(r);
        },
        [&](FormulaRange& range) {
          Block b;
          b.sheet = range.GetSheet();
          if (!range.Bounds(b.firstRow, b.firstColumn, b.lastRow, b.lastColumn)) return;
          if (b.Holds(c) || b.Holds(target)) found = true;
          // Only stored cells with a formula can lead further.
          CellBlock block(range.GetSheet(), b.firstRow, b.firstColumn, b.lastRow, b.lastColumn);
          if (block.Count() > kMaxRangePositions) return;
          for (int32_t i = 0; i < block.Columns(); ++i) {
            for (int32_t j = 0; j < block.Rows(); ++j) {
              Cell* r = block.At(i, j);
              if (r && r->HasFormula()) stack.push_back(r);
            }
          }
        });
    if (found) return true;
  }
  return false;
}

// The search runs from this cell through the cells that read it (and the
// cells its spilled results fill), as far as the links go: a cycle exists
// when one of them is a cell the new formula reads. Typing a formula into a
// cell nothing reads yet costs nothing, however long the chain it ends.
bool Cell::FormsCycle() {
  CellExtra* own = Extra();
  bool anchor = own && own->MatrixMember() && own->MatrixColumn() == 0 && own->MatrixRow() == 0;
  if (!anchor && !CellPropagation::HasReaders(this)) {
    bool self = false;
    WalkReferences(
        GetFormula(), [&](Cell* c) { self = self || c == this; },
        [&](FormulaRange& r) {
          Block b;
          b.sheet = r.GetSheet();
          self = self || (r.Bounds(b.firstRow, b.firstColumn, b.lastRow, b.lastColumn) && b.Holds(this));
        });
    return self;
  }
  FormulaReads reads(GetFormula());
  if (reads.Reads(this)) return true;
  uint64_t stamp = NewCycleStamp();
  std::vector<Cell*> stack;
  auto downstream = [&](Cell* c) {
    CellPropagation::AppendReaders(c, stack);
    CellExtra* e = c->Extra();
    if (e && e->MatrixMember() && e->MatrixColumn() == 0 && e->MatrixRow() == 0) {
      for (Cell* m : c->SpillMembers()) {
        if (m != c) stack.push_back(m);
      }
    }
  };
  downstream(this);
  while (!stack.empty()) {
    Cell* c = stack.back();
    stack.pop_back();
    CellExtra& e = c->MakeExtra();
    if (e.cycleStamp == stamp) continue;
    e.cycleStamp = stamp;
    if (c == this || reads.Reads(c)) return true;
    downstream(c);
  }
  return false;
}

// --- Recalculation ---

void Cell::StoreResult(std::unique_ptr<Matrix> result, bool notifyDependents) {
  if (!result) return;
  int64_t count = result->ValueCount();
  if (count == 1) {
    RetractSpill(1, 1);
    const Value* v = result->GetAt(0, 0);
    StoreValue(v ? WithStyleFormat(v, true) : EmptyValue(), notifyDependents);
  } else if (count < 1 || count > kMaxSpillValues) {
    RetractSpill(1, 1);
    StoreValue(NewError(u"Matrix Error"), notifyDependents);
  } else {
    SpillMatrix(*result);
  }
}

// Operators, literals and references give one value: no matrix is built for them.
void Cell::EvaluateAndStore(bool notifyDependents) {
  FormulaNode* root = GetFormula()->GetRoot();
  switch (root->Kind()) {
    case FormulaNodeKind::Value:
    case FormulaNodeKind::Constant:
    case FormulaNodeKind::Unary:
    case FormulaNodeKind::Binary:
      RetractSpill(1, 1);
      StoreValue(WithStyleFormat(root->EvaluateValue(), true), notifyDependents);
      break;
    default:
      StoreResult(root->Evaluate(), notifyDependents);
  }
}

void Cell::RecalculateOnce() {
  CellExtra* e = Extra();
  if (e && e->ownsFormula && !e->cycle && HasCompiledFormula()) EvaluateAndStore(true);
  if (Host* host = GetHost()) host->UpdateCellInViews(GetRowIndex(), GetColumnIndex());
}

void Cell::Recalculate() {
  if (CellPropagation::Deferring()) {
    if (HasCompiledFormula()) CellPropagation::Defer(this);
    return;
  }
  if (CellPropagation::Running()) {
    RecalculateOnce();
    CellPropagation::Changed(this);
    return;
  }
  CellExtra* e = Extra();
  if (e && e->ownsFormula && !e->cycle && HasCompiledFormula()) EvaluateAndStore(false);
  CellPropagation::Changed(this);
  if (Host* host = GetHost()) host->UpdateCellInViews(GetRowIndex(), GetColumnIndex());
}

// --- Spilled results ---

bool Cell::IsMatrixMember() const {
  CellExtra* e = Extra();
  return e && e->MatrixMember();
}

bool Cell::IsMatrixBlocked() const {
  CellExtra* e = Extra();
  return e && e->MatrixBlocked();
}

int32_t Cell::GetMatrixColumnOffset() const {
  CellExtra* e = Extra();
  return e ? e->MatrixColumn() : 0;
}

int32_t Cell::GetMatrixRowOffset() const {
  CellExtra* e = Extra();
  return e ? e->MatrixRow() : 0;
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
    return e && e->MatrixMember() && e->MatrixColumn() == i && e->MatrixRow() == j ? c : nullptr;
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
  bool editingAnchor = e->MatrixColumn() < 1 && e->MatrixRow() < 1;
  Cell* anchor = this;
  if (!editingAnchor) {
    anchor = GetSheet()->GetCellDirect(GetRowIndex() - e->MatrixRow(), GetColumnIndex() - e->MatrixColumn());
  }
  PropagationBatch batch;
  for (Cell* c : anchor->SpillMembers()) {
    CellExtra& ce = *c->Extra();
    ce.Rare().matrixMember = false;
    if (editingAnchor) {
      ce.Rare().matrixBlocked = false;
      ce.Rare().matrixColumn = 0;
      ce.Rare().matrixRow = 0;
    } else {
      ce.Rare().matrixBlocked = true;
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
  if (!e || !e->MatrixMember() || e->MatrixColumn() != 0 || e->MatrixRow() != 0) return;
  PropagationBatch batch;
  for (Cell* c : SpillMembers()) {
    CellExtra& ce = *c->Extra();
    if (c == this || (ce.MatrixColumn() < columns && ce.MatrixRow() < rows)) continue;
    ce.Rare().matrixMember = false;
    ce.Rare().matrixBlocked = false;
    ce.Rare().matrixColumn = 0;
    ce.Rare().matrixRow = 0;
    ce.formula = nullptr;
    ce.ownsFormula = false;
    c->StoreValue(nullptr, true);
    c->ReleaseExtraIfUnused();
  }
  if (columns <= 1 && rows <= 1) e->Rare().matrixMember = false;
}

void Cell::SpillMatrix(const Matrix& matrix) {
  Sheet* sheet = GetSheet();
  int32_t width = matrix.Columns();
  int32_t height = matrix.Rows();
  if (!sheet || width < 1 || height < 1) return;
  PropagationBatch batch;
  RetractSpill(width, height);
  int32_t row = GetRowIndex();
  int32_t column = GetColumnIndex();
  bool conflict = false;
  // A result may not spill over the cells its own formula reads: each spill
  // would change its input and call for the next.
  FormulaReads reads(HasCompiledFormula() ? GetFormula() : nullptr);
  for (int32_t i = 0; i < width; ++i) {
    for (int32_t j = 0; j < height; ++j) {
      if (i == 0 && j == 0) continue;
      Cell* target = sheet->GetCellDirect(row + j, column + i);
      if (reads.Reads(target)) conflict = true;
      CellExtra& te = target->MakeExtra();
      if (!te.MatrixMember()) {
        te.Rare().matrixBlocked = true;
        te.Rare().matrixColumn = i;
        te.Rare().matrixRow = j;
        if (target->HasFormula() || !IsBlank(ValueAtReference(target->value_))) conflict = true;
      } else if (te.MatrixColumn() != i || te.MatrixRow() != j) {
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
      te.Rare().matrixMember = true;
      te.Rare().matrixColumn = i;
      te.Rare().matrixRow = j;
    }
  }
}

// --- Comments, listeners, merging ---

CommentRecord* Cell::GetComment() const {
  CellExtra* e = Extra();
  return e && e->rare ? e->rare->comment : nullptr;
}

void Cell::SetComment(CommentRecord* record) {
  CommentRecord* old = GetComment();
  if (old) {
    if (Sheet* sheet = GetSheet()) sheet->RemoveCommentObject(old);
  }
  if (record) {
    MakeExtra().Rare().comment = record;
  } else if (CellExtra* e = Extra(); e && e->rare) {
    e->rare->comment = nullptr;
    ReleaseExtraIfUnused();
  }
}

void Cell::AddListener(void* userData, CellListener callback) { MakeExtra().Rare().listeners.emplace_back(userData, callback); }

void Cell::RemoveListener(void* userData) {
  CellExtra* e = Extra();
  if (!e || !e->rare) return;
  std::erase_if(e->rare->listeners, [&](const auto& l) { return l.first == userData; });
  ReleaseExtraIfUnused();
}

int32_t Cell::GetColumnSpan() const {
  CellExtra* e = Extra();
  return e && e->rare ? e->rare->columnSpan : 1;
}

int32_t Cell::GetRowSpan() const {
  CellExtra* e = Extra();
  return e && e->rare ? e->rare->rowSpan : 1;
}

void Cell::SetSpan(int32_t columnSpan, int32_t rowSpan) {
  if (columnSpan == 1 && rowSpan == 1 && !Extra()) return;
  CellRare& rare = MakeExtra().Rare();
  rare.columnSpan = columnSpan;
  rare.rowSpan = rowSpan;
  ReleaseExtraIfUnused();
}

Cell* Cell::GetMergeMaster() const {
  CellExtra* e = Extra();
  return e && e->rare ? e->rare->mergeMaster : nullptr;
}

void Cell::SetMergeMaster(Cell* master) {
  if (!master && !Extra()) return;
  MakeExtra().Rare().mergeMaster = master;
  ReleaseExtraIfUnused();
}

// --- The formula engine's side ---

void Cell::CompileFormula(std::u16string_view text, std::u16string_view language) {
  CellExtra& e = MakeExtra();
  e.formula = quadrell::CompileFormula(text, GetSheet(), language).release();
  e.ownsFormula = true;
  e.cycle = false;
}

bool Cell::HasCompiledFormula() const {
  Formula* f = GetFormula();
  return f && f->GetRoot();
}

std::u16string Cell::FormulaText(std::u16string_view language) const {
  Formula* f = GetFormula();
  return f ? f->ToText(language) : std::u16string();
}

std::u16string Cell::ShiftedFormulaText(int32_t columnOffset, int32_t rowOffset, std::u16string_view language) const {
  Formula* f = GetFormula();
  return f ? f->CopyShifted(columnOffset, rowOffset)->ToText(language) : std::u16string();
}

void Cell::CollectNamedRanges(std::u16string_view text, std::vector<std::unique_ptr<Range>>& ranges) const {
  ranges = ReferencedRanges(text, GetSheet(), Language());
}

void Cell::ReleaseFormula() {
  CellExtra* e = Extra();
  if (!e) return;
  if (e->ownsFormula) delete e->formula;
  e->formula = nullptr;
  e->ownsFormula = false;
}

}  // namespace quadrell
