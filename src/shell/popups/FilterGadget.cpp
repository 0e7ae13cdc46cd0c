#include "shell/popups/FilterGadget.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>

#include "context/ApplicationContext.h"
#include "formula/TextCase.h"
#include "model/Action.h"
#include "model/Cell.h"
#include "model/Font.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "platform/Desktop.h"
#include "platform/Keys.h"
#include "shell/Application.h"
#include "shell/commands/Commands.h"
#include "shell/toolbar/ToolbarIcon.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"
#include "view/SheetWindowParts.h"

namespace quadrell {

namespace {

constexpr Colour kFrame = 0xDDDDDD;
constexpr Colour kLink = RgbColour(0, 0, 0xFF);
constexpr Colour kGrey = 0x888888;
constexpr Colour kHover = 0xEEEEEE;
constexpr int kButtonTop = 325;

std::unique_ptr<FilterGadget>& Current() {
  static auto* dropdown = new std::unique_ptr<FilterGadget>();
  return *dropdown;
}

const FontRecord* TextFont() { return GetFont(u"Arial", 10, 0); }

// The column's filter settings and shown order, before and after "apply".
class FilterApplyAction final : public Action {
 public:
  FilterApplyAction(Sheet* sheet, Filter* filter, int32_t column) : sheet_(sheet), filter_(filter), column_(column) {
    if (ColumnFilterSettings* settings = filter->GetColumnSettings(column)) beforeSettings_ = *settings;
    beforeEntries_ = filter->GetEntries();
  }
  void Done() {
    if (ColumnFilterSettings* settings = filter_->GetColumnSettings(column_)) afterSettings_ = *settings;
    afterEntries_ = filter_->GetEntries();
  }
  void Undo() override { Put(beforeSettings_, beforeEntries_); }
  void Redo() override { Put(afterSettings_, afterEntries_); }

 private:
  // A filter taken off or replaced since is left alone.
  void Put(const ColumnFilterSettings& settings, const std::vector<FilterRowEntry>& entries) {
    if (sheet_->GetFilter() != filter_ || entries.size() != filter_->GetEntries().size()) return;
    ColumnFilterSettings* record = filter_->GetColumnSettings(column_);
    if (!record) return;
    *record = settings;
    filter_->SetEntries(entries);
  }

  Sheet* sheet_;
  Filter* filter_;
  int32_t column_;
  ColumnFilterSettings beforeSettings_;
  ColumnFilterSettings afterSettings_;
  std::vector<FilterRowEntry> beforeEntries_;
  std::vector<FilterRowEntry> afterEntries_;
};

class FilterPopups : public GridPopups {
 public:
  void OpenFilterDropdown(SheetGadget& view, int32_t column) override {
    Filter* filter = view.GetSheet() ? view.GetSheet()->GetFilter() : nullptr;
    if (!filter) return;
    // Below the button at the right end of the header cell.
    Rect box = view.CellBox(filter->GetHeaderRow(), column);
    Rect screen = view.GetCanvas().ScreenRect();
    FilterGadget::Open(view, column, Point{screen.x + box.Right() - 15, screen.y + box.y + 1 + 14});
  }
  void EditChart(SheetGadget&, void*) override {}
};

}  // namespace

std::vector<FilterValue> FilterColumnValues(Filter& filter, int32_t column) {
  std::vector<FilterValue> found;
  const AreaRange* area = filter.GetRange();
  if (!area) return found;
  const double none = std::numeric_limits<double>::quiet_NaN();
  // Each text once before anything else, so repeated values cost no folding or sorting.
  std::unordered_set<std::u16string> seen;
  auto add = [&](std::u16string text, const Value* value) {
    if (!seen.insert(text).second) return;
    double number = text.empty() ? none : value && value->IsNumeric() ? value->Number() : ParseNumber(text);
    std::u16string folded = LowerCase(text);
    found.push_back({std::move(text), number, std::move(folded)});
  };
  for (int32_t r = filter.GetHeaderRow() + 1; r <= area->GetLastRow(); ++r) {
    Row* row = filter.GetShownRow(r);
    if (!row) continue;
    const Cell* cell = row->FindCell(column);
    add(cell ? cell->GetText() : std::u16string(), cell ? cell->GetValue() : nullptr);
  }
  if (const ColumnFilterSettings* settings = filter.GetColumnSettings(column)) {
    for (const auto& entry : settings->selected) add(entry.first, nullptr);
  }
  auto rank = [](const FilterValue& v) { return v.text.empty() ? 2 : std::isnan(v.number) ? 1 : 0; };
  std::sort(found.begin(), found.end(), [&](const FilterValue& a, const FilterValue& b) {
    int ra = rank(a), rb = rank(b);
    if (ra != rb) return ra < rb;
    if (ra == 0 && a.number != b.number) return a.number < b.number;
    if (int byKey = a.folded.compare(b.folded); byKey != 0) return byKey < 0;
    return a.text < b.text;
  });
  // The empty value is searched by its label.
  if (!found.empty() && found.back().text.empty()) found.back().folded = LowerCase(Text("filter:empty"));
  return found;
}

FilterGadget::FilterGadget(SheetGadget& view, Filter& filter, int32_t column)
    : application_(view.GetApplication()), view_(view), sheet_(view.GetSheet()), filter_(&filter), column_(column) {
  values_ = FilterColumnValues(filter, column);
  ColumnFilterSettings settings;
  if (const ColumnFilterSettings* current = filter.GetColumnSettings(column)) settings = *current;
  checked_.resize(values_.size());
  listed_.resize(values_.size());
  for (size_t i = 0; i < values_.size(); ++i) {
    bool on = settings.showAll;
    if (!on) {
      auto found = settings.selected.find(values_[i].text);
      on = found != settings.selected.end() && found->second;
    }
    checked_[i] = on;
    listed_[i] = static_cast<int32_t>(i);
  }
}

FilterGadget::~FilterGadget() {
  canvas_.reset();
  popup_.reset();
}

FilterGadget* FilterGadget::OpenDropdown() { return Current().get(); }

void FilterGadget::CloseFor(const Window& owner) {
  if (Current() && Current()->owner_ == &owner) Current()->Close();
}

FilterGadget* FilterGadget::Open(SheetGadget& view, int32_t column, Point at) {
  Current().reset();
  Sheet* sheet = view.GetSheet();
  Filter* filter = sheet ? sheet->GetFilter() : nullptr;
  if (!filter || !filter->GetColumnSettings(column)) return nullptr;
  std::unique_ptr<FilterGadget> dropdown(new FilterGadget(view, *filter, column));
  FilterGadget& d = *dropdown;
  Current() = std::move(dropdown);
  Window& owner = view.GetApplication().GetWindow();
  d.owner_ = &owner;
  Rect work = DesktopWorkArea();
  if (work.width > 0 && work.height > 0) {
    at.x = std::clamp(at.x, work.x, std::max(work.x, work.Right() - kWidth));
    at.y = std::clamp(at.y, work.y, std::max(work.y, work.Bottom() - kHeight));
  }
  d.popup_ = CreatePopupWindow(owner, Rect{at.x, at.y, kWidth, kHeight}, d, true);
  d.canvas_ = CreateCanvasControl(*d.popup_, Rect{0, 0, kWidth, kHeight}, d, CanvasOptions{.takesFocus = true});
  d.Paint();
  d.popup_->Show();
  d.canvas_->Focus();
  return &d;
}

bool FilterGadget::StillValid() const { return sheet_ && sheet_->GetFilter() == filter_; }

bool FilterGadget::CanApply() const {
  return std::any_of(listed_.begin(), listed_.end(), [&](int32_t i) { return checked_[static_cast<size_t>(i)] != 0; });
}

void FilterGadget::Thumb(int& top, int& height) const {
  int64_t total = ListTotal();
  height = static_cast<int>(std::max<int64_t>(int64_t{kListHeight} * kListHeight / std::max<int64_t>(total, 1), 12));
  int64_t range = total - kListHeight;
  int travel = kListHeight - height;
  top = kListTop + (range > 0 ? static_cast<int>(-scroll_ * travel / range) : 0);
}

void FilterGadget::ClampScroll() {
  scroll_ = std::min<int64_t>(scroll_, 0);
  scroll_ = std::max<int64_t>(scroll_, std::min<int64_t>(kListHeight - ListTotal(), 0));
}

void FilterGadget::Paint() {
  if (!canvas_) return;
  Canvas& c = canvas_->Surface();
  c.ClearClip();
  c.FillBox(0, 0, kWidth, kHeight, kWhite);
  c.FrameBox(0, 0, kWidth, kHeight, kFrame);
  c.SetDrawMode(DrawMode::TransparentText);
  c.SetFont(*TextFont()->platformFont);
  c.SetTextColour(kBlack);
  c.DrawText(5, 5, Text("filter:sortAscending"));
  c.DrawText(5, 25, Text("filter:sortDescending"));
  c.DrawText(5, 45, Text("filter:byValues"));

  // The search field: what was typed, or a grey hint, and the caret at its end.
  c.FrameBox(5, 65, 240, 20, kBlack);
  c.SetClip(6, 66, 218, 18);
  if (search_.empty()) {
    c.SetTextColour(kGrey);
    c.DrawText(9, 67, Text("filter:search"));
  } else {
    c.SetTextColour(kBlack);
    int width = c.TextWidth(search_);
    int x = std::min(9, 220 - width);  // a long search shows its end
    c.DrawText(x, 67, search_);
    if (canvas_->HasFocus()) c.VerticalLine(x + width + 1, 68, 14, kBlack);
  }
  if (search_.empty() && canvas_->HasFocus()) c.VerticalLine(8, 68, 14, kBlack);
  c.ClearClip();
  c.SetDrawMode(DrawMode::AlphaBlend);
  c.DrawImage(ToolbarIcon(kItemSearch), 227, 67);
  c.SetDrawMode(DrawMode::TransparentText);

  c.SetFont(*GetFont(u"Arial", 8, kFontFlagUnderline)->platformFont);
  c.SetTextColour(kLink);
  allWidth_ = c.TextWidth(Text("filter:all"));
  noneWidth_ = c.TextWidth(Text("filter:none"));
  c.DrawText(5, 87, Text("filter:all"));
  c.DrawText(65, 87, Text("filter:none"));

  // The list: only the rows in sight are drawn, whatever its length.
  c.SetClip(1, kListTop, kWidth - 2, kListHeight);
  c.SetFont(*TextFont()->platformFont);
  const FontRecord* italic = GetFont(u"Arial", 10, kFontFlagItalic);
  int textRight = HasScrollBar() ? kWidth - kScrollBarWidth - 4 : kWidth - 4;
  for (int64_t k = -scroll_ / kRowHeight; k < static_cast<int64_t>(listed_.size()); ++k) {
    int y = static_cast<int>(kListTop + scroll_ + kRowHeight * k);
    if (y >= kListTop + kListHeight) break;
    const FilterValue& value = values_[static_cast<size_t>(listed_[static_cast<size_t>(k)])];
    c.FrameBox(5, y + 2, 12, 12, kBlack);
    if (checked_[static_cast<size_t>(listed_[static_cast<size_t>(k)])]) {
      c.DrawLine(5, y + 2, 17, y + 14, kBlack);
      c.DrawLine(16, y + 2, 4, y + 14, kBlack);
    }
    c.SetClip(1, std::max(y, kListTop), textRight, std::min(kListTop + kListHeight, y + kRowHeight) - std::max(y, kListTop));
    c.SetTextColour(kBlack);
    if (value.text.empty()) {
      c.SetFont(*italic->platformFont);
      c.DrawText(25, y, Text("filter:empty"));
      c.SetFont(*TextFont()->platformFont);
    } else {
      c.DrawText(25, y, value.text);
    }
    c.SetClip(1, kListTop, kWidth - 2, kListHeight);
  }
  c.ClearClip();
  if (HasScrollBar()) {
    int top, height;
    Thumb(top, height);
    c.FillBox(kWidth - kScrollBarWidth - 2, kListTop, kScrollBarWidth, kListHeight, 0xF6F6F6);
    c.FillBox(kWidth - kScrollBarWidth - 1, top, kScrollBarWidth - 2, height, dragging_ ? 0xAAAAAA : 0xCCCCCC);
  }
  c.HorizontalLine(1, kListTop - 1, kWidth - 2, kHover);
  c.HorizontalLine(1, kListTop + kListHeight, kWidth - 2, kHover);

  bool enabled = CanApply();
  c.FrameBox(5, kButtonTop, 115, 20, enabled ? kBlack : 0xBBBBBB);
  c.FrameBox(130, kButtonTop, 115, 20, kBlack);
  c.SetTextColour(enabled ? kBlack : 0xAAAAAA);
  c.DrawText(8, kButtonTop + 2, Text("filter:apply"));
  c.SetTextColour(kBlack);
  c.DrawText(133, kButtonTop + 2, Text("filter:cancel"));
}

void FilterGadget::SetSearch(std::u16string text) {
  search_ = std::move(text);
  std::u16string needle = LowerCase(search_);
  listed_.clear();
  for (size_t i = 0; i < values_.size(); ++i) {
    if (needle.empty() || values_[i].folded.find(needle) != std::u16string::npos) listed_.push_back(static_cast<int32_t>(i));
  }
  scroll_ = 0;
  Paint();
}

void FilterGadget::SetListed(bool checked) {
  for (int32_t i : listed_) checked_[static_cast<size_t>(i)] = checked;
  Paint();
}

void FilterGadget::SortColumn(bool descending) {
  if (!StillValid()) return;
  auto sort = std::make_unique<FilterSortAction>(sheet_, column_, kSortIgnoreCase | (descending ? kSortDescending : 0));
  sort->Do();
  application_.AddAction(std::move(sort));
  application_.RefreshViews(true);
}

void FilterGadget::Apply() {
  if (!CanApply()) return;
  if (!StillValid()) {
    Cancel();
    return;
  }
  // Every value is named: rows whose text the settings leave out would keep
  // their state, and what the list showed unchecked must hide. Values the
  // search left out of the list are hidden too.
  std::vector<char> shown(values_.size(), 0);
  for (int32_t i : listed_) shown[static_cast<size_t>(i)] = checked_[static_cast<size_t>(i)];
  ColumnFilterSettings settings;
  settings.showAll = std::all_of(shown.begin(), shown.end(), [](char on) { return on != 0; });
  for (size_t i = 0; i < values_.size(); ++i) settings.selected[values_[i].text] = shown[i] != 0;
  auto action = std::make_unique<FilterApplyAction>(sheet_, filter_, column_);
  filter_->ApplyColumnFilter(settings, column_);
  action->Done();
  Application& application = application_;
  Window* owner = owner_;
  Close();  // this is gone from here on
  application.AddAction(std::move(action));
  application.RefreshViews(true);
  if (owner) owner->Activate();
}

void FilterGadget::Cancel() {
  Window* owner = owner_;
  bool focused = canvas_ && canvas_->HasFocus();
  Close();
  if (focused && owner) owner->Activate();
}

void FilterGadget::Close() {
  if (Current().get() != this) return;
  std::unique_ptr<FilterGadget> self = std::move(Current());
  self.reset();
}

void FilterGadget::OnCharacter(char16_t c) { SetSearch(search_ + c); }

void FilterGadget::OnKeyDown(int key) {
  switch (key) {
    case kKeyBackspace:
      if (!search_.empty()) SetSearch(search_.substr(0, search_.size() - 1));
      return;
    case kKeyUp:
    case kKeyDown:
    case kKeyPageUp:
    case kKeyPageDown: {
      int step = key == kKeyUp || key == kKeyDown ? kRowHeight : kListHeight - kRowHeight;
      scroll_ += key == kKeyUp || key == kKeyPageUp ? step : -step;
      ClampScroll();
      Paint();
      return;
    }
    default:
      return;
  }
}

// On release, so that the key's release does not reach the grid after.
void FilterGadget::OnKeyUp(int key) {
  if (key == kKeyEscape) {
    Cancel();
  } else if (key == kKeyReturn) {
    Apply();
  }
}

void FilterGadget::OnWheel(int steps) {
  scroll_ += int64_t{steps} * 3 * kRowHeight;
  ClampScroll();
  Paint();
}

void FilterGadget::OnLeftDown(int x, int y) {
  dragged_ = false;
  if (!HasScrollBar() || x < kWidth - kScrollBarWidth - 2 || y < kListTop || y >= kListTop + kListHeight) return;
  int top, height;
  Thumb(top, height);
  if (y >= top && y < top + height) {
    dragging_ = true;
    dragY_ = y;
  } else {
    // A press on the track turns a page towards it.
    scroll_ += y < top ? kListHeight - kRowHeight : -(kListHeight - kRowHeight);
    ClampScroll();
    dragged_ = true;  // the release is no click on the list
  }
  Paint();
}

void FilterGadget::OnMouseMove(int, int y) {
  if (!dragging_) return;
  int top, height;
  Thumb(top, height);
  int travel = kListHeight - height;
  int64_t range = ListTotal() - kListHeight;
  int dy = y - dragY_;
  if (dy == 0 || travel <= 0) return;
  dragged_ = true;
  int newTop = std::clamp(top + dy - kListTop, 0, travel);
  dragY_ += newTop - (top - kListTop);
  scroll_ = -int64_t{newTop} * range / travel;
  ClampScroll();
  Paint();
}

void FilterGadget::OnLeftUp(int, int) {
  if (dragging_) {
    dragging_ = false;
    dragged_ = true;
    Paint();
  }
}

void FilterGadget::OnClick(int x, int y) {
  if (dragged_) {
    dragged_ = false;
    return;
  }
  if (y >= 5 && y < 25) {
    SortColumn(false);
  } else if (y >= 25 && y < 45) {
    SortColumn(true);
  } else if (y >= 87 && y < 103 && x >= 5 && x <= 5 + allWidth_) {
    SetListed(true);
  } else if (y >= 87 && y < 103 && x >= 65 && x <= 65 + noneWidth_) {
    SetListed(false);
  } else if (y >= kListTop && y < kListTop + kListHeight && x >= 1 &&
             x < (HasScrollBar() ? kWidth - kScrollBarWidth - 2 : kWidth - 1)) {
    // The box and the label toggle alike.
    int64_t k = (y - kListTop - scroll_) / kRowHeight;
    if (k < 0 || k >= static_cast<int64_t>(listed_.size())) return;
    char& on = checked_[static_cast<size_t>(listed_[static_cast<size_t>(k)])];
    on = !on;
    Paint();
  } else if (y >= kButtonTop && y <= kButtonTop + 20 && x >= 5 && x < 120) {
    Apply();
  } else if (y >= kButtonTop && y <= kButtonTop + 20 && x >= 130 && x < 245) {
    Cancel();
  }
}

void InstallFilterDropdown() {
  if (!dynamic_cast<FilterPopups*>(GetGridPopups())) SetGridPopups(std::make_unique<FilterPopups>());
}

}  // namespace quadrell
