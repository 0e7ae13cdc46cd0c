#include "shell/dialogs/InfoWindow.h"

#include <algorithm>

#include "context/ApplicationContext.h"
#include "shell/dialogs/LicenceTexts.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

std::vector<std::unique_ptr<InfoWindow>>& Windows() {
  static auto* windows = new std::vector<std::unique_ptr<InfoWindow>>();
  return *windows;
}

}  // namespace

const std::vector<std::unique_ptr<InfoWindow>>& OpenInfoWindows() { return Windows(); }

InfoWindow& OpenInfoWindow() {
  Windows().push_back(std::make_unique<InfoWindow>());
  InfoWindow& opened = *Windows().back();
  opened.GetWindow().Show();
  return opened;
}

InfoWindow::InfoWindow() {
  WindowOptions options;
  options.kind = WindowKind::Tool;
  options.title = u"About";
  options.width = 640;
  options.height = 480;
  options.stayOnTop = true;
  window_ = CreateWindow(options, *this);
  Window& w = *window_;
  product_ = CreateLabel(w, Rect{10, 10, 260, 16}, u"Quadrell " QUADRELL_VERSION);
  credits_.push_back(CreateLabel(w, Rect{10, 26, 300, 16}, Text("about:copyright")));
  credits_.push_back(CreateHyperlinkLabel(w, Rect{10, 42, 300, 16}, Text("about:qt"), u"https://www.qt.io/"));
  credits_.push_back(
      CreateHyperlinkLabel(w, Rect{10, 58, 300, 16}, Text("about:icons"), u"http://tango.freedesktop.org/"));
  tabs_ = CreateTabPanel(w, Rect{10, 80, 300, 200});
  for (const LicenceText& licence : quadrell::Licences()) {
    ControlParent& page = tabs_->AddTab(Utf8ToUtf16(licence.name));
    std::u16string text = Utf8ToUtf16(licence.text);
    auto field = CreateTextField(page, Rect{0, 0, 280, 170}, text, TextFieldOptions{.multiLine = true, .readOnly = true});
    field->FillParent();
    texts_.push_back(std::move(field));
  }
  ok_ = CreateButton(w, Rect{90, 260, 100, 20}, u"OK", [this] { Close(); });

  layout_ = CreateGridLayout(w);
  layout_->Add(*product_, 0, 0);
  int row = 1;
  for (auto& credit : credits_) layout_->Add(*credit, row++, 0, 1, 1, Alignment::Start);
  layout_->Add(*tabs_, row, 0);
  layout_->SetRowStretch(row++, 1);
  buttons_ = CreateInnerGridLayout();
  buttons_->SetColumnStretch(0, 1);
  buttons_->Add(*ok_, 0, 1);
  layout_->AddLayout(*buttons_, row, 0);
  SetDialogKeys(w, ok_.get());
  FitToLayout(w);
}

InfoWindow::~InfoWindow() {
  ok_.reset();
  texts_.clear();
  tabs_.reset();
  credits_.clear();
  product_.reset();
  window_.reset();
}

void InfoWindow::Close() {
  auto& windows = Windows();
  auto found = std::find_if(windows.begin(), windows.end(), [this](const auto& w) { return w.get() == this; });
  if (found == windows.end()) return;
  std::unique_ptr<InfoWindow> self = std::move(*found);
  windows.erase(found);
  self.reset();
}

}  // namespace quadrell
