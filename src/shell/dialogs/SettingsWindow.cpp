#include "shell/dialogs/SettingsWindow.h"

#include <algorithm>

#include "context/ApplicationContext.h"
#include "platform/Dialogs.h"
#include "shell/toolbar/ToolbarGadget.h"
#include "shell/toolbar/ToolbarIcon.h"
#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

constexpr int kStartItem = 1;
constexpr Colour kNavigationGround = RgbColour(0xF4, 0xFC, 0xF3);

std::unique_ptr<SettingsWindow>& Slot() {
  static auto* slot = new std::unique_ptr<SettingsWindow>();
  return *slot;
}

std::vector<ListItem> ItemsOf(const std::vector<int>& ids) {
  std::vector<ListItem> items;
  for (int id : ids) items.push_back(ListItem{Text(ToolbarItemKey(id)), &ToolbarIcon(id)});
  return items;
}

}  // namespace

SettingsWindow* SettingsWindow::Current() { return Slot().get(); }

void OpenSettingsWindow() {
  if (SettingsWindow* open = SettingsWindow::Current()) {
    open->GetWindow().Activate();
    return;
  }
  Slot() = std::make_unique<SettingsWindow>();
  Slot()->GetWindow().Show();
  Slot()->Navigation().Focus();
}

SettingsWindow::SettingsWindow() {
  FillLists();
  WindowOptions options;
  options.kind = WindowKind::Tool;
  options.title = Text("settings:title");
  options.width = 500;
  options.height = 290;
  options.stayOnTop = true;
  window_ = CreateWindow(options, *this);
  Window& w = *window_;
  // Made in the order Tab visits them.
  navigation_ = CreateListBox(w, Rect{0, 0, 150, 290},
                              ListBoxOptions{.onSelected = [this](int row) { ShowPage(row); },
                                             .onActivated = nullptr,
                                             .background = kNavigationGround});
  navigation_->SetItems({ListItem{Text("settings:general")}, ListItem{Text("settings:toolbar")}});
  navigation_->SetSelected(0);
  BuildGeneralPage();
  BuildToolbarPage();
  ok_ = CreateButton(w, Rect{200, 260, 100, 20}, Text("ok"), [this] { Ok(); });
  cancel_ = CreateButton(w, Rect{320, 260, 100, 20}, Text("cancel"), [this] { Cancel(); });

  layout_ = CreateGridLayout(w);
  layout_->Add(*navigation_, 0, 0);
  layout_->Add(*generalPage_, 0, 1);
  layout_->Add(*toolbarPage_, 0, 1);
  layout_->SetColumnMinimumWidth(0, 150);
  layout_->SetColumnStretch(1, 1);
  layout_->SetRowStretch(0, 1);
  buttons_ = CreateInnerGridLayout();
  buttons_->SetColumnStretch(0, 1);
  buttons_->Add(*ok_, 0, 1);
  buttons_->Add(*cancel_, 0, 2);
  layout_->AddLayout(*buttons_, 1, 0, 1, 2);
  SetDialogKeys(w, ok_.get());
  // Sized while both pages count, so that either fits.
  FitToLayout(w);
  ShowPage(0);
}

void SettingsWindow::BuildGeneralPage() {
  ApplicationContext& context = GetContext();
  generalPage_ = CreatePanel(*window_, Rect{150, 0, 350, 250});
  Panel& p = *generalPage_;
  userLabel_ = CreateLabel(p, Rect{5, 7, 150, 20}, Text("settings:username"));
  user_ = CreateTextField(p, Rect{165, 5, 170, 20}, context.GetSetting(kSettingUsername));
  scrollbarLabel_ = CreateLabel(p, Rect{5, 37, 150, 20}, Text("settings:scrollbar"));
  scrollbar_ = CreateTrackBar(p, Rect{165, 35, 145, 20}, 4, 30,
                              [this](int value) { scrollbarValue_->SetText(Utf8ToUtf16(IntegerText(value))); });
  int64_t width = std::clamp<int64_t>(context.GetSettingInt(kSettingScrollbarWidth), 4, 30);
  scrollbar_->SetValue(static_cast<int>(width));
  scrollbarValue_ = CreateLabel(p, Rect{310, 35, 30, 20}, Utf8ToUtf16(IntegerText(width)));
  languageLabel_ = CreateLabel(p, Rect{5, 67, 150, 20}, Text("settings:language"));
  language_ = CreateComboBox(p, Rect{165, 65, 145, 20},
                             {Text("settings:language:german"), Text("settings:language:english")});
  // The language whose texts are shown: any setting but "de" shows English.
  language_->SetSelected(context.GetSetting(kSettingLanguage) == u"de" ? 0 : 1);
  simpleFormulasLabel_ = CreateLabel(p, Rect{5, 97, 150, 20}, Text("settings:simpleFormulas"));
  simpleFormulas_ = CreateCheckBox(p, Rect{165, 97, 370, 16}, Text("settings:simpleFormulasDescription"), nullptr);
  simpleFormulas_->SetChecked(context.GetSettingInt(kSettingSimpleFormulas) != 0);

  generalLayout_ = CreateGridLayout(p);
  generalLayout_->Add(*userLabel_, 0, 0, 1, 1, Alignment::Start);
  generalLayout_->Add(*user_, 0, 1, 1, 2);
  generalLayout_->Add(*scrollbarLabel_, 1, 0, 1, 1, Alignment::Start);
  generalLayout_->Add(*scrollbar_, 1, 1);
  generalLayout_->Add(*scrollbarValue_, 1, 2);
  generalLayout_->Add(*languageLabel_, 2, 0, 1, 1, Alignment::Start);
  generalLayout_->Add(*language_, 2, 1, 1, 2);
  generalLayout_->Add(*simpleFormulasLabel_, 3, 0, 1, 1, Alignment::Start);
  generalLayout_->Add(*simpleFormulas_, 3, 1, 1, 2);
  generalLayout_->SetColumnStretch(1, 1);
  generalLayout_->SetColumnMinimumWidth(2, 24);
  generalLayout_->SetRowStretch(4, 1);
}

void SettingsWindow::BuildToolbarPage() {
  toolbarPage_ = CreatePanel(*window_, Rect{150, 0, 350, 250});
  Panel& p = *toolbarPage_;
  availableLabel_ = CreateLabel(p, Rect{0, 0, 130, 20}, Text("settings:availableItems"));
  available_ = CreateListBox(p, Rect{0, 20, 150, 230}, ListBoxOptions{.onSelected = nullptr,
                                                                      .onActivated = [this](int) { Add(); }});
  add_ = CreateButton(p, Rect{155, 100, 40, 40}, Text("settings:add"), [this] { Add(); });
  remove_ = CreateButton(p, Rect{155, 150, 40, 40}, Text("settings:remove"), [this] { Remove(); });
  currentLabel_ = CreateLabel(p, Rect{200, 0, 130, 20}, Text("settings:currentItems"));
  current_ = CreateListBox(p, Rect{200, 20, 150, 230}, ListBoxOptions{.onSelected = nullptr,
                                                                     .onActivated = [this](int) { Remove(); }});
  available_->SetItems(ItemsOf(availableItems_));
  available_->SetSelected(0);
  current_->SetItems(ItemsOf(currentItems_));
  current_->SetSelected(0);

  toolbarLayout_ = CreateGridLayout(p);
  toolbarLayout_->Add(*availableLabel_, 0, 0);
  toolbarLayout_->Add(*available_, 1, 0);
  moveButtons_ = CreateInnerGridLayout();
  moveButtons_->SetRowStretch(0, 1);
  moveButtons_->Add(*add_, 1, 0);
  moveButtons_->Add(*remove_, 2, 0);
  moveButtons_->SetRowStretch(3, 1);
  toolbarLayout_->AddLayout(*moveButtons_, 1, 1);
  toolbarLayout_->Add(*currentLabel_, 0, 2);
  toolbarLayout_->Add(*current_, 1, 2);
  toolbarLayout_->SetColumnStretch(0, 1);
  toolbarLayout_->SetColumnStretch(2, 1);
  toolbarLayout_->SetColumnMinimumWidth(0, 170);
  toolbarLayout_->SetColumnMinimumWidth(2, 170);
  toolbarLayout_->SetRowStretch(1, 1);
}

SettingsWindow::~SettingsWindow() {
  // The controls go before the pages and the window they are placed in.
  ok_.reset();
  cancel_.reset();
  current_.reset();
  currentLabel_.reset();
  remove_.reset();
  add_.reset();
  available_.reset();
  availableLabel_.reset();
  simpleFormulas_.reset();
  simpleFormulasLabel_.reset();
  language_.reset();
  languageLabel_.reset();
  scrollbarValue_.reset();
  scrollbar_.reset();
  scrollbarLabel_.reset();
  user_.reset();
  userLabel_.reset();
  toolbarPage_.reset();
  generalPage_.reset();
  navigation_.reset();
  window_.reset();
}

void SettingsWindow::FillLists() {
  // From the saved configuration each time, so an edit that was cancelled
  // never comes back with a later OK.
  ArrayList<int64_t> configured;
  GetContext().GetToolbarItems(configured);
  std::vector<int64_t> read;
  configured.ForEach([&](int64_t item) { read.push_back(item); });
  currentItems_ = RepairToolbarItems(read);
  availableItems_ = {kToolbarSeparator};
  for (int id = kToolbarSeparator + 1; id <= kToolbarLastItem; ++id) {
    if (id == kStartItem) continue;
    if (std::find(currentItems_.begin(), currentItems_.end(), id) == currentItems_.end()) availableItems_.push_back(id);
  }
}

void SettingsWindow::ShowPage(int page) {
  page_ = page == 1 ? 1 : 0;
  generalPage_->SetVisible(page_ == 0);
  toolbarPage_->SetVisible(page_ == 1);
  if (navigation_->Selected() != page_) navigation_->SetSelected(page_);
}

void SettingsWindow::Add() {
  int a = available_->Selected();
  if (a < 0 || a >= static_cast<int>(availableItems_.size())) return;
  int item = availableItems_[static_cast<size_t>(a)];
  int c = current_->Selected();
  size_t at = c < 0 ? currentItems_.size() : std::min(static_cast<size_t>(c) + 1, currentItems_.size());
  currentItems_.insert(currentItems_.begin() + static_cast<std::ptrdiff_t>(at), item);
  // The separator stays available for further use.
  if (item != kToolbarSeparator) availableItems_.erase(availableItems_.begin() + a);
  current_->SetItems(ItemsOf(currentItems_));
  current_->SetSelected(static_cast<int>(at));
  available_->SetItems(ItemsOf(availableItems_));
  available_->SetSelected(std::min(a, static_cast<int>(availableItems_.size()) - 1));
}

void SettingsWindow::Remove() {
  int c = current_->Selected();
  if (c < 0 || c >= static_cast<int>(currentItems_.size())) return;
  int item = currentItems_[static_cast<size_t>(c)];
  if (item == kStartItem) return;  // every toolbar keeps its start item
  currentItems_.erase(currentItems_.begin() + c);
  if (item != kToolbarSeparator) {
    int a = available_->Selected();
    size_t at = a < 0 ? availableItems_.size() : std::min(static_cast<size_t>(a) + 1, availableItems_.size());
    availableItems_.insert(availableItems_.begin() + static_cast<std::ptrdiff_t>(at), item);
    available_->SetItems(ItemsOf(availableItems_));
    available_->SetSelected(static_cast<int>(at));
  }
  current_->SetItems(ItemsOf(currentItems_));
  current_->SetSelected(std::min(c, static_cast<int>(currentItems_.size()) - 1));
}

void SettingsWindow::Ok() {
  ApplicationContext& context = GetContext();
  ArrayList<int64_t> items;
  for (int item : currentItems_) items.Add(item);
  context.SetToolbarItems(items);
  context.SetSetting(kSettingUsername, user_->Text());
  context.SetSettingInt(kSettingScrollbarWidth, scrollbar_->Value());
  std::u16string before = context.GetSetting(kSettingLanguage);
  std::u16string language = language_->Selected() == 1 ? u"en" : u"de";
  context.SetSetting(kSettingLanguage, language);
  context.SetSettingInt(kSettingSimpleFormulas, simpleFormulas_->IsChecked() ? 1 : 0);
  context.SaveSettings();
  bool languageChanged = (language == u"de") != (before == u"de");
  Window* owner = window_.get();
  if (languageChanged) ShowMessage(owner, Text("settings:title"), Text("settings:languageNextStart"));
  Close();
}

void SettingsWindow::Cancel() { Close(); }

void SettingsWindow::Close() {
  if (Slot().get() == this) Slot().reset();
}

}  // namespace quadrell
