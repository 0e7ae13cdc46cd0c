#include "shell/toolbar/ToolbarGadget.h"

#include <algorithm>
#include <array>

#include "context/ApplicationContext.h"
#include "model/Cell.h"
#include "model/Font.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Style.h"
#include "model/collection/ArrayList.h"
#include "shell/Application.h"
#include "shell/commands/Commands.h"
#include "shell/commands/StyleCommands.h"
#include "shell/popups/BorderGadget.h"
#include "shell/popups/ColorGadget.h"
#include "shell/popups/FilterGadget.h"
#include "shell/toolbar/FontGadgets.h"
#include "shell/toolbar/ToolbarDropdown.h"
#include "shell/toolbar/ToolbarIcon.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"

namespace quadrell {

namespace {

constexpr std::array<std::string_view, kToolbarLastItem + 1> kKeys = {
    "toolbar:separator",     "toolbar:start",       "toolbar:new",          "toolbar:open",
    "toolbar:save",          "toolbar:cut",         "toolbar:copy",         "toolbar:paste",
    "toolbar:undo",          "toolbar:redo",        "toolbar:bold",         "toolbar:italic",
    "toolbar:underline",     "toolbar:stroke",      "toolbar:haligntop",    "toolbar:halignmiddle",
    "toolbar:halignbottom",  "toolbar:valignleft",  "toolbar:valigncenter", "toolbar:valignright",
    "toolbar:togglefilter",  "toolbar:fill",        "toolbar:textcolor",    "toolbar:fixview",
    "toolbar:textflow",      "toolbar:textflowhide", "toolbar:textflowshow", "toolbar:textflowlinebreak",
    "toolbar:split",         "toolbar:fontsize",    "toolbar:border",       "toolbar:font",
    "toolbar:search",        "toolbar:image",       "toolbar:format",       "toolbar:percent",
    "toolbar:comment",       "toolbar:textflowdropwdown", "toolbar:diagram", "toolbar:link",
    "toolbar:combine",       "toolbar:formulaview", "toolbar:pivot",
};

constexpr Colour kHover = 0xEEEEEE;
// A pressed toggle: a light blue ground with a blue frame.
constexpr Colour kActiveGround = 0xECD8C8;  // 0xBBGGRR
constexpr Colour kActiveFrame = 0xA46534;

// The items served by a control of their own rather than a picture.
bool IsBox(int id) { return id == kItemFontSize || id == kItemBorder || id == kItemFont || id == kItemTextFlowMenu; }

}  // namespace

std::string_view ToolbarItemKey(int id) {
  return id >= 0 && id <= kToolbarLastItem ? kKeys[static_cast<size_t>(id)] : std::string_view();
}

int ToolbarItemWidth(int id) {
  switch (id) {
    case kToolbarSeparator:
      return 0;
    case kItemStart:
      return 60;
    case kItemFont:
      return 100;
    case kItemFontSize:
    case kItemBorder:
    case kItemTextFlowMenu:
      return 40;
    default:
      return 20;
  }
}

std::vector<int> RepairToolbarItems(const std::vector<int64_t>& items) {
  std::vector<int> repaired{kItemStart};
  std::array<bool, kToolbarLastItem + 1> seen{};
  seen[kItemStart] = true;
  for (int64_t item : items) {
    if (item < 0 || item > kToolbarLastItem) continue;
    int id = static_cast<int>(item);
    if (id != kToolbarSeparator) {
      if (seen[static_cast<size_t>(id)]) continue;
      seen[static_cast<size_t>(id)] = true;
    }
    repaired.push_back(id);
  }
  return repaired;
}

// A 16 x 16 item picture: shows its state (pressed for an active toggle) and
// the pointer over it, and runs its procedure when clicked.
class ToolbarGadget::Picture : public CanvasEvents {
 public:
  Picture(Window& window, int id, const Rect& bounds, std::function<void()> procedure)
      : id_(id), procedure_(std::move(procedure)) {
    canvas_ = CreateCanvasControl(window, bounds, *this);
    canvas_->SetToolTip(Text(ToolbarItemKey(id)));
    Paint();
  }
  int Id() const { return id_; }
  CanvasControl& Canvas() const { return *canvas_; }
  bool IsActive() const { return active_; }
  void SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    Paint();
  }
  void SetProcedure(const std::function<void()>& procedure) { procedure_ = procedure; }

 private:
  void Paint() {
    quadrell::Canvas& c = canvas_->Surface();
    c.ClearClip();
    c.FillBox(0, 0, 16, 16, active_ ? kActiveGround : hovered_ ? kHover : kWhite);
    if (active_) c.FrameBox(0, 0, 16, 16, kActiveFrame);
    c.SetDrawMode(DrawMode::AlphaBlend);
    c.DrawImage(ToolbarIcon(id_), 0, 0);
  }
  void OnMouseMove(int, int) override {
    if (hovered_) return;
    hovered_ = true;
    Paint();
  }
  void OnMouseLeave() override {
    hovered_ = false;
    Paint();
  }
  void OnClick(int, int) override {
    // The procedure may close the window and this picture with it.
    std::function<void()> procedure = procedure_;
    if (procedure) procedure();
  }

  int id_;
  std::function<void()> procedure_;
  std::unique_ptr<CanvasControl> canvas_;
  bool active_ = false;
  bool hovered_ = false;
};

ToolbarGadget::ToolbarGadget(Application& application, Window& window, int kind,
                             std::function<ToolbarStates()> states)
    : application_(application), window_(window), states_(std::move(states)) {
  InstallColourCommands();
  InstallFilterDropdown();
  ArrayList<int64_t> list;
  if (kind == 0) {
    GetContext().GetDocumentToolbarItems(list);
  } else if (kind == 1) {
    GetContext().GetToolbarItems(list);
  }
  std::vector<int64_t> read;
  for (int64_t i = 0; i < list.Count(); ++i) read.push_back(list.Get(i));
  items_ = RepairToolbarItems(read);

  Application* app = &application_;
  start_ = CreateImageControl(window, Rect{0, 0, 60, 20}, ToolbarStartPicture(kind),
                              [app] { RunToolbarCommand(*app, kItemStart); });
  start_->SetToolTip(Text(ToolbarItemKey(kItemStart)));
  gadgets_[kItemStart] = start_.get();

  int x = 60;
  for (int id : items_) {
    if (id == kToolbarSeparator || id == kItemStart) continue;
    int w = ToolbarItemWidth(id);
    Rect box{x, 0, w, 20};
    switch (id) {
      case kItemFontSize:
        fontSizeBoxOwner_ = std::make_unique<FontSizeGadget>(
            window, box, [app](int32_t size) { SetFontSize(*app, size); });
        fontSizeBox_ = fontSizeBoxOwner_.get();
        gadgets_[id] = &fontSizeBox_->GetCanvas();
        break;
      case kItemFont:
        fontBoxOwner_ = std::make_unique<FontGadget>(
            window, box, [app](std::u16string_view face) { SetFontName(*app, face); });
        fontBox_ = fontBoxOwner_.get();
        gadgets_[id] = &fontBox_->GetCanvas();
        break;
      case kItemTextFlowMenu:
        textFlowBoxOwner_ = std::make_unique<ToolbarDropdown>(window, box);
        textFlowBox_ = textFlowBoxOwner_.get();
        for (int entry : {kItemTextFlowHide, kItemTextFlowShow, kItemTextFlowLineBreak}) {
          textFlowBox_->AddEntry(entry, Text(ToolbarItemKey(entry)));
          textFlowBox_->SetEntryCallback(entry, [this, app, entry] {
            RunToolbarCommand(*app, entry);
            RefreshStates();
          });
        }
        gadgets_[id] = &textFlowBox_->GetCanvas();
        break;
      case kItemBorder:
        borderBoxOwner_ = std::make_unique<BorderGadget>(window, box, application_);
        borderBox_ = borderBoxOwner_.get();
        gadgets_[id] = &borderBox_->GetCanvas();
        break;
      default: {
        auto picture = std::make_unique<Picture>(window, id, Rect{x + 2, 2, 16, 16}, [this, app, id] {
          RunToolbarCommand(*app, id);
          RefreshStates();
        });
        gadgets_[id] = &picture->Canvas();
        pictures_.push_back(std::move(picture));
        break;
      }
    }
    if (IsBox(id) && gadgets_.count(id)) gadgets_[id]->SetToolTip(Text(ToolbarItemKey(id)));
    x += w;
  }
  // Items without a control take no place in the layout.
  std::erase_if(items_, [this](int id) { return id != kToolbarSeparator && !gadgets_.count(id); });
  // The boxes show the default font until the grid reports the active cell's.
  if (fontBox_) fontBox_->SetFontName(GetDefaultFont()->face);
  if (fontSizeBox_) fontSizeBox_->SetFontSize(GetDefaultFont()->size);
  rows_ = 1;
  Arrange(window.Width());
  RefreshStates();
}

ToolbarGadget::~ToolbarGadget() {
  // A filter dropdown of this window would outlive the grid it works on.
  FilterGadget::CloseFor(window_);
  pictures_.clear();
  textFlowBoxOwner_.reset();
  borderBoxOwner_.reset();
  fontBoxOwner_.reset();
  fontSizeBoxOwner_.reset();
  start_.reset();
}

Control* ToolbarGadget::GetControl(int id) const {
  auto found = gadgets_.find(id);
  return found == gadgets_.end() ? nullptr : found->second;
}

int ToolbarGadget::Arrange(int width) {
  // A minimised window or one narrower than nothing keeps its rows.
  if (width <= 0) return rows_ * 20;
  int total = 0;
  for (int id : items_) total += ToolbarItemWidth(id);
  int rows = std::min(2, total / width) + 1;
  bool measuring = rows < 3;
  for (;;) {
    if (rows == 3) {
      measuring = false;
      if (rows_ == 3) return 60;
    }
    int groupStart = 0;
    int maxX = 0;
    size_t k = 0;
    while (k < items_.size()) {
      size_t end = k;
      int groupWidth = 0;
      while (end < items_.size() && items_[end] != kToolbarSeparator) groupWidth += ToolbarItemWidth(items_[end++]);
      int budget = groupWidth / rows;
      int x = groupStart;
      int y = 0;
      for (size_t i = k; i < end; ++i) {
        int id = items_[i];
        int w = ToolbarItemWidth(id);
        if (!measuring) {
          if (Control* control = GetControl(id)) {
            Rect bounds = control->Bounds();
            if (w == 20) {
              control->SetBounds(Rect{x + 2, y + 2, 16, 16});
            } else {
              control->SetBounds(Rect{x, y, bounds.width, bounds.height});
            }
          }
        }
        x += w;
        maxX = std::max(maxX, x);
        if (x > groupStart + budget) {
          y += 20;
          x = groupStart;
        }
      }
      groupStart = maxX;
      k = end + 1;
    }
    if (measuring) {
      if (width < maxX) {
        ++rows;
        measuring = rows < 3;
        continue;
      }
      if (rows == rows_) return rows * 20;
      measuring = false;
      continue;
    }
    rows_ = rows;
    return rows * 20;
  }
}

void ToolbarGadget::ShowFont(std::u16string_view face, int32_t size) {
  if (fontBox_) fontBox_->SetFontName(face);
  if (fontSizeBox_) fontSizeBox_->SetFontSize(size);
  RefreshStates();
}

void ToolbarGadget::SetItemCallback(int id, const std::function<void()>& procedure) {
  for (auto& picture : pictures_) {
    if (picture->Id() == id) picture->SetProcedure(procedure);
  }
  if (textFlowBox_) textFlowBox_->SetEntryCallback(id, procedure);
}

bool ToolbarGadget::IsItemActive(int id) const {
  for (const auto& picture : pictures_) {
    if (picture->Id() == id) return picture->IsActive();
  }
  return false;
}

void ToolbarGadget::RefreshStates() {
  if (!states_) return;
  ToolbarStates s = states_();
  for (auto& picture : pictures_) {
    bool active = false;
    switch (picture->Id()) {
      case kItemBold:
        active = (s.fontFlags & kFontFlagBold) != 0;
        break;
      case kItemItalic:
        active = (s.fontFlags & kFontFlagItalic) != 0;
        break;
      case kItemUnderline:
        active = (s.fontFlags & kFontFlagUnderline) != 0;
        break;
      case kItemStrikeOut:
        active = (s.fontFlags & kFontFlagStrikeOut) != 0;
        break;
      case kItemAlignTop:
        active = s.verticalAlignment == 2;
        break;
      case kItemAlignMiddle:
        active = s.verticalAlignment == 1;
        break;
      case kItemAlignBottom:
        active = s.verticalAlignment == 0;
        break;
      case kItemAlignLeft:
        active = s.horizontalAlignment == 1;
        break;
      case kItemAlignCenter:
        active = s.horizontalAlignment == 2;
        break;
      case kItemAlignRight:
        active = s.horizontalAlignment == 3;
        break;
      case kItemToggleFilter:
        active = s.filter;
        break;
      case kItemFixView:
        active = s.fixedView;
        break;
      case kItemSplit:
        active = s.split;
        break;
      case kItemFormulaView:
        active = s.formulaView;
        break;
      default:
        break;
    }
    picture->SetActive(active);
  }
}

}  // namespace quadrell

namespace quadrell {

ToolbarStates SheetToolbarStates(const SheetContainer& container) {
  ToolbarStates s;
  SheetGadget* view = container.GetActiveView();
  Sheet* sheet = view ? view->GetSheet() : nullptr;
  if (!sheet) return s;
  const StyleRecord* style = sheet->GetStyle() ? sheet->GetStyle() : GetDefaultStyle();
  if (Row* row = sheet->FindRow(view->GetActiveRow())) {
    if (Cell* cell = row->FindCell(view->GetActiveColumn())) style = cell->GetStyle();
  }
  s.fontFlags = style->font ? style->font->flags : 0;
  s.verticalAlignment = style->verticalAlignment;
  s.horizontalAlignment = style->horizontalAlignment;
  s.filter = sheet->GetFilter() != nullptr;
  s.fixedView = view->GetFrozenRange().has_value();
  s.formulaView = view->IsFormulaView();
  s.split = container.GetViews().size() > 1;
  return s;
}

}  // namespace quadrell
