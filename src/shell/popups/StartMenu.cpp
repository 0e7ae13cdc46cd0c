#include "shell/popups/StartMenu.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>

#include "context/ApplicationContext.h"
#include "context/EmbeddedResources.h"
#include "model/Font.h"
#include "object/Image.h"
#include "object/ImageCodec.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/Keys.h"
#include "shell/Application.h"
#include "shell/commands/FileCommands.h"
#include "shell/dialogs/InfoWindow.h"
#include "shell/dialogs/SettingsWindow.h"
#include "shell/toolbar/ToolbarGadget.h"
#include "value/Unicode.h"
#include "view/SheetContainer.h"
#include "shell/DocumentContainer.h"

namespace quadrell {

namespace {

constexpr Colour kLeftGround = RgbColour(0xF4, 0xFC, 0xF3);
constexpr Colour kHover = RgbColour(0xEE, 0xEE, 0xEE);
constexpr Colour kMissing = RgbColour(0x99, 0x99, 0x99);
constexpr int kGapRow = 5;
constexpr int kPanelMargin = 20;  // the right panel's text starts 10 in and keeps 10 free
constexpr auto kJustClosed = std::chrono::milliseconds(2000);

struct LeftItem {
  int row;
  const char* key;
  const char* picture;
};
constexpr LeftItem kLeftItems[] = {
    {0, "new", "startNew.png"},           {1, "startNewText", "startNewText.png"},
    {2, "open", "startOpen.png"},         {3, "save", "startSave.png"},
    {4, "saveas", "startSaveAs.png"},     {6, "settings", "startSettings.png"},
    {7, "about", "startAbout.png"},
};

const Bitmap& Picture(const char* name) {
  static std::map<std::string, Bitmap>* pictures = new std::map<std::string, Bitmap>();
  auto found = pictures->find(name);
  if (found != pictures->end()) return found->second;
  std::optional<PixelImage> pixels = DecodePng(GetEmbeddedResource(name));
  return pictures->emplace(name, pixels ? ToBitmap(*pixels) : Bitmap(22, 22)).first->second;
}

const FontRecord* ItemFont() { return GetFont(u"Arial", 12, 0); }
const FontRecord* PathFont() { return GetFont(u"Arial", 10, 0); }
const FontRecord* TitleFont() { return GetFont(u"Arial", 10, kFontFlagBold); }

bool FileExists(const std::u16string& path) {
  struct stat info {};
  return ::stat(Utf16ToUtf8(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Where the start item of the window is on the screen.
Rect StartItemRect(Application& application) {
  Control* item = nullptr;
  if (application.GetKind() == kKindSheet) {
    auto* toolbar = dynamic_cast<ToolbarGadget*>(static_cast<SheetContainer&>(application.GetContainer()).GetToolbar());
    if (toolbar) item = toolbar->GetControl(1);
  } else if (application.GetKind() == kKindTextDocument) {
    item = static_cast<DocumentContainer&>(application.GetContainer()).GetToolbar().GetControl(1);
  }
  if (item) return item->ScreenRect();
  Rect window = application.GetWindow().ScreenRect();
  return Rect{window.x, window.y, 60, 20};
}

}  // namespace

std::u16string ShortenPath(std::u16string_view text, int width,
                           const std::function<int(std::u16string_view)>& measure) {
  if (measure(text) <= width) return std::u16string(text);
  const size_t len = text.size();
  // The head: nine characters, one fewer when the ninth begins a pair.
  size_t head = std::min<size_t>(9, len);
  if (head < len && head > 0 && IsLowSurrogate(text[head])) --head;
  auto form = [&](size_t keptHead, size_t tail) {
    std::u16string result(text.substr(0, keptHead));
    result += u"[...]";
    if (tail > 0) {
      size_t from = len - tail;
      if (from < len && IsLowSurrogate(text[from])) ++from;  // never half a pair
      result += text.substr(from);
    }
    return result;
  };
  // Each round cuts at least one more character, so it ends with no tail left.
  size_t cut = 0;
  std::u16string result(text);
  int resultWidth = measure(result);
  while (resultWidth > width) {
    size_t available = len - head;
    if (cut >= available) break;
    size_t proportional = resultWidth > 0 ? static_cast<size_t>(static_cast<int64_t>(len) *
                                                                 (resultWidth - std::max(width, 0)) / resultWidth)
                                          : len;
    cut = std::max(proportional, cut + 1);
    size_t tail = cut >= available ? 0 : available - cut;
    result = form(head, tail);
    resultWidth = measure(result);
  }
  // Narrower than the nine first characters and "[...]": a shorter head, at last none.
  while (resultWidth > width && head > 0) {
    --head;
    if (head > 0 && IsLowSurrogate(text[head])) --head;
    result = form(head, 0);
    resultWidth = measure(result);
  }
  return resultWidth > width ? std::u16string() : result;
}

StartMenu::StartMenu(Application& application, RecentProcedure recentProcedure)
    : application_(application), recentProcedure_(recentProcedure) {
  for (const RecentFile* f = GetContext().GetRecentFiles(); f; f = f->next.get()) {
    recent_.push_back(f->path);
    missing_.push_back(!FileExists(f->path));
  }
  Window& window = application.GetWindow();
  width_ = std::min(window.Width(), 500);
  height_ = std::max(window.Height() - 20, kRecentTop + kRecentHeight);
  startItem_ = StartItemRect(application);
  popup_ = CreatePopupWindow(window, Rect{startItem_.x, startItem_.Bottom(), width_, height_}, *this, true);
  canvas_ = CreateCanvasControl(*popup_, Rect{0, 0, width_, height_}, *this, CanvasOptions{.takesFocus = true});
  Paint();
  popup_->Show();
  canvas_->Focus();
}

StartMenu::~StartMenu() {
  canvas_.reset();
  popup_.reset();
}

void StartMenu::SetHandler(int row, StartHandler handler) {
  if (row >= 0 && row < 10) handlers_[row] = handler;
}

bool StartMenu::WasJustClosed() const {
  return closedOnStartItem_ && std::chrono::steady_clock::now() - closedAt_ < kJustClosed;
}

bool StartMenu::IsOpen() const { return popup_ && popup_->IsOpen(); }

Rect StartMenu::ScreenRect() const { return popup_ ? popup_->ScreenRect() : Rect{}; }

std::u16string StartMenu::ShownPath(size_t index) const {
  if (index >= recent_.size()) return u"";
  const FontRecord* font = PathFont();
  return ShortenPath(recent_[index], width_ - kLeftWidth - kPanelMargin,
                     [font](std::u16string_view t) { return font->TextWidth(t); });
}

std::vector<int> StartMenu::Entries() const {
  std::vector<int> entries;
  for (int row = 0; row < kLeftRows; ++row) {
    if (handlers_[row]) entries.push_back(row);
  }
  for (size_t k = 0; k < recent_.size(); ++k) entries.push_back(kLeftRows + static_cast<int>(k));
  return entries;
}

void StartMenu::Paint() {
  Canvas& c = canvas_->Surface();
  c.ClearClip();
  int right = std::max(width_ - kLeftWidth, 0);
  c.FillBox(0, 0, kLeftWidth, height_, kLeftGround);
  c.FillBox(kLeftWidth, 0, right, height_, kWhite);
  c.FrameBox(0, 0, width_, height_, kHover);
  c.SetDrawMode(DrawMode::AlphaBlend);
  c.SetTextColour(kBlack);

  // Left panel: rows 28 high from y = 2; the pointer or the keys highlight one.
  int hoverRow = -1;
  if (pointerX_ >= 0 && pointerX_ < kLeftWidth && pointerY_ >= 2) hoverRow = (pointerY_ + 26) / kRowHeight - 1;
  if (highlighted_ >= 0 && highlighted_ < kLeftRows) hoverRow = highlighted_;
  if (hoverRow >= 0 && hoverRow < kLeftRows && hoverRow != kGapRow) {
    c.FillBox(1, 2 + kRowHeight * hoverRow, kLeftWidth - 1, kRowHeight, kHover);
  }
  c.SetFont(*ItemFont()->platformFont);
  for (const LeftItem& item : kLeftItems) {
    int top = 2 + kRowHeight * item.row;
    c.DrawImage(Picture(item.picture), 4, top + 3);
    c.DrawText(32, top + 6, Text(item.key));
  }

  // Right panel: the title, then one row per recent file.
  c.SetFont(*TitleFont()->platformFont);
  c.DrawText(kLeftWidth + 8, 8, Text("recentlyused"));
  c.SetFont(*PathFont()->platformFont);
  for (size_t k = 0; k < recent_.size(); ++k) {
    int y = kRecentTop + kRecentHeight * static_cast<int>(k);
    if (y >= height_) break;
    bool hover = pointerX_ >= kLeftWidth + 1 && pointerY_ > y && pointerY_ < y + kRecentHeight;
    if (hover || highlighted_ == kLeftRows + static_cast<int>(k)) c.FillBox(kLeftWidth, y, right, 16, kHover);
    c.SetTextColour(missing_[k] ? kMissing : kBlack);
    c.DrawText(kLeftWidth + 10, y, ShownPath(k));
  }
  c.SetTextColour(kBlack);
}

void StartMenu::OnMouseMove(int x, int y) {
  pointerX_ = x;
  pointerY_ = y;
  highlighted_ = -1;
  Paint();
}

void StartMenu::OnMouseLeave() {
  pointerX_ = pointerY_ = -1;
  Paint();
}

void StartMenu::OnClick(int x, int y) {
  if (x < kLeftWidth) {
    if (y < 2) return;
    int row = (y + 26) / kRowHeight - 1;
    if (row >= 0 && row < kLeftRows && handlers_[row]) Choose(row);
    return;
  }
  if (x < kLeftWidth + 1 || y <= kRecentTop) return;
  int k = (y - kRecentTop) / kRecentHeight;
  // The first pixel line of a row belongs to none.
  if ((y - kRecentTop) % kRecentHeight == 0) return;
  if (k >= 0 && k < static_cast<int>(recent_.size())) Choose(kLeftRows + k);
}

void StartMenu::OnKeyDown(int key) {
  std::vector<int> entries = Entries();
  if (entries.empty()) return;
  auto at = std::find(entries.begin(), entries.end(), highlighted_);
  int n = static_cast<int>(entries.size());
  int index = at == entries.end() ? -1 : static_cast<int>(at - entries.begin());
  if (key == kKeyDown) {
    index = index < 0 ? 0 : (index + 1) % n;
  } else if (key == kKeyUp) {
    index = index <= 0 ? n - 1 : index - 1;
  } else if (key == kKeyRight && !recent_.empty()) {
    index = static_cast<int>(std::find(entries.begin(), entries.end(), kLeftRows) - entries.begin());
  } else if (key == kKeyLeft) {
    index = 0;
  } else {
    return;
  }
  highlighted_ = entries[static_cast<size_t>(index)];
  pointerX_ = pointerY_ = -1;
  Paint();
}

void StartMenu::OnKeyUp(int key) {
  // On release, so that the key's release does not reach the window after.
  if (key == kKeyEscape) {
    Close(true);
  } else if (key == kKeyReturn && highlighted_ >= 0) {
    Choose(highlighted_);
  }
}

void StartMenu::OnDismissed() {
  closedAt_ = std::chrono::steady_clock::now();
  Point pointer = PointerPosition();
  closedOnStartItem_ = pointer.x >= startItem_.x && pointer.x < startItem_.Right() && pointer.y >= startItem_.y &&
                       pointer.y < startItem_.Bottom();
}

void StartMenu::Close(bool toOwner) {
  popup_->Close();
  closedAt_ = std::chrono::steady_clock::now();
  closedOnStartItem_ = false;
  if (toOwner) application_.GetWindow().Activate();
}

void StartMenu::Choose(int entry) {
  // What runs may replace this menu (a new one opened meanwhile): only copies
  // are used once it has closed.
  Application& application = application_;
  if (entry < kLeftRows) {
    StartHandler handler = handlers_[entry];
    Close(true);
    if (handler) handler(application);
    return;
  }
  size_t k = static_cast<size_t>(entry - kLeftRows);
  if (k >= recent_.size()) return;
  std::u16string path = recent_[k];
  RecentProcedure procedure = recentProcedure_;
  Close(true);
  if (!FileExists(path)) {
    // Gone since it was used: it leaves the list instead of failing later.
    GetContext().RemoveRecentFile(path);
    ShowMessage(&application.GetWindow(), Text("recentMissingTitle"), TextWithArgument("recentMissing", path));
    return;
  }
  if (procedure) procedure(application, path);
}

StartMenu* GetStartMenu(const Application& application) { return application.GetStartMenu(); }

void ToggleStartMenu(Application& application) {
  std::unique_ptr<StartMenu>& slot = application.StartMenuSlot();
  if (slot && slot->WasJustClosed()) {
    slot.reset();
    return;
  }
  slot.reset();
  auto menu = std::make_unique<StartMenu>(application, [](Application&, const std::u16string& path) { OpenFile(path); });
  menu->SetHandler(0, [](Application&) { NewWindow(); });
  menu->SetHandler(1, [](Application&) { NewTextDocument(); });
  menu->SetHandler(2, [](Application& a) { OpenWithDialog(a); });
  menu->SetHandler(3, [](Application& a) { Save(a); });
  menu->SetHandler(4, [](Application& a) { SaveAs(a); });
  menu->SetHandler(6, [](Application&) { OpenSettingsWindow(); });
  menu->SetHandler(7, [](Application&) { OpenInfoWindow(); });
  slot = std::move(menu);
}

}  // namespace quadrell
