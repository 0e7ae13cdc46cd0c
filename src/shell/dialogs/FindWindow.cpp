#include "shell/dialogs/FindWindow.h"

#include "context/ApplicationContext.h"
#include "shell/commands/FindCommands.h"

namespace quadrell {

FindWindow::FindWindow(Application& application) : application_(application) {
  WindowOptions options;
  options.kind = WindowKind::Tool;
  options.title = Text("search:title");
  options.width = 320;
  options.height = 140;
  options.owner = &application.GetWindow();
  window_ = CreateWindow(options, *this);
  Window& w = *window_;
  // Made in the order Tab visits them.
  searchLabel_ = CreateLabel(w, Rect{30, 10, 280, 20}, Text("search:search"));
  search_ = CreateTextField(w, Rect{30, 30, 280, 20}, u"");
  replaceBox_ = CreateCheckBox(w, Rect{10, 60, 200, 20}, Text("search:replace"), [this](bool) { UpdateButtons(); });
  replace_ = CreateTextField(w, Rect{30, 80, 280, 20}, u"");
  replaceAll_ = CreateButton(w, Rect{70, 110, 100, 20}, Text("search:replaceall"), [this] { ReplaceAllNow(); });
  next_ = CreateButton(w, Rect{190, 110, 100, 20}, Text("search:next"), [this] { Next(); });
  search_->SetEditedProcedure([this] { UpdateButtons(); });

  layout_ = CreateGridLayout(w);
  layout_->Add(*searchLabel_, 0, 0, 1, 1, Alignment::Start);
  layout_->Add(*search_, 0, 1);
  layout_->Add(*replaceBox_, 1, 0, 1, 1, Alignment::Start);
  layout_->Add(*replace_, 1, 1);
  layout_->SetColumnStretch(1, 1);
  layout_->SetColumnMinimumWidth(1, 220);
  layout_->SetRowStretch(2, 1);
  buttons_ = CreateInnerGridLayout();
  buttons_->SetColumnStretch(0, 1);
  buttons_->Add(*replaceAll_, 0, 1);
  buttons_->Add(*next_, 0, 2);
  layout_->AddLayout(*buttons_, 3, 0, 1, 2);
  SetDialogKeys(w, next_.get());
  UpdateButtons();
  FitToLayout(w);
  w.Show();
  search_->Focus();
}

FindWindow::~FindWindow() {
  layout_.reset();
  buttons_.reset();
  next_.reset();
  replaceAll_.reset();
  replace_.reset();
  replaceBox_.reset();
  search_.reset();
  searchLabel_.reset();
  window_.reset();
}

void FindWindow::UpdateButtons() {
  bool text = !search_->Text().empty();
  bool replacing = replaceBox_->IsChecked();
  replace_->SetEnabled(replacing);
  next_->SetEnabled(text);
  replaceAll_->SetEnabled(text && replacing);
}

void FindWindow::BringToFront() {
  window_->Activate();
  search_->Focus();
}

void FindWindow::Next() {
  std::u16string search = search_->Text();
  if (search.empty()) return;
  FindNext(application_, search, replaceBox_->IsChecked(), replace_->Text());
}

void FindWindow::ReplaceAllNow() {
  std::u16string search = search_->Text();
  if (search.empty() || !replaceBox_->IsChecked()) return;
  ReplaceAll(application_, search, replace_->Text());
}

void FindWindow::OnCloseRequested() {
  // The window forgets its dialog, which frees this; nothing of it is used after.
  Application& application = application_;
  application.FindDialogClosed();
  application.GetWindow().Activate();
}

std::unique_ptr<FindDialog> OpenFindWindow(Application& application) {
  return std::make_unique<FindWindow>(application);
}

}  // namespace quadrell
