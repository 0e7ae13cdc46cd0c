#include "shell/DocumentContainer.h"

#include <utility>

#include "platform/Desktop.h"
#include "shell/Application.h"

namespace quadrell {

DocumentContainer::DocumentContainer(Application& application)
    : application_(application), document_(std::make_unique<Document>()) {
  toolbar_ = std::make_unique<ToolbarGadget>(application_, application_.GetWindow(), kKindTextDocument, [this] {
    ToolbarStates states;
    if (document_) states.fontFlags = document_->SelectionStyle()->font->flags;
    return states;
  });
  view_ = std::make_unique<DocumentGadget>(application_.GetWindow(), viewPlace_);
  view_->SetChangeListener([this] { ShowCaretFont(); });
  SetDocument(std::move(document_));
}

DocumentContainer::~DocumentContainer() {
  // The view shows the document: it goes first.
  view_.reset();
  document_.reset();
}

void DocumentContainer::Resize(int width, int height) {
  int toolbarHeight = toolbar_->Layout(width);
  viewPlace_ = Rect{0, toolbarHeight, width, height - toolbarHeight};
  view_->SetBounds(viewPlace_);
}

void DocumentContainer::SetDocument(std::unique_ptr<Document> document) {
  if (!document) return;
  application_.ClearUndoLists();
  document_ = std::move(document);
  document_->SetActionSink([this](std::unique_ptr<Action> action) { application_.AddAction(std::move(action)); });
  modified_ = false;
  view_->SetDocument(document_.get());
  ShowCaretFont();
}

void DocumentContainer::ShowCaretFont() {
  const FontRecord* font = document_->SelectionStyle()->font;
  toolbar_->ShowFont(font->face, font->size);
  toolbar_->RefreshStates();
}

void DocumentContainer::Edited() {
  view_->Refresh();
  ShowCaretFont();
}

void DocumentContainer::RefreshViews(bool) { Edited(); }

void DocumentContainer::BlinkCarets() { view_->ToggleCaret(); }

void DocumentContainer::Copy() {
  if (document_->HasSelection()) SetClipboardText(document_->SelectedText());
}

void DocumentContainer::Cut() {
  if (!document_->HasSelection()) return;
  SetClipboardText(document_->SelectedText());
  document_->DeleteSelection();
  Edited();
}

void DocumentContainer::Paste() {
  std::u16string text = ClipboardText();
  if (text.empty()) return;
  document_->InsertText(text);
  Edited();
}

void DocumentContainer::SelectAll() {
  document_->SelectAll();
  Edited();
}

void DocumentContainer::Enter() {
  document_->Enter();
  Edited();
}

void DocumentContainer::Tab() {
  document_->TypeCharacter(u'\t');
  Edited();
}

void DocumentContainer::DeleteForward() {
  document_->DeleteForward();
  Edited();
}

void DocumentContainer::ApplyStyle(const std::function<void(StyleRecord&)>& setter) {
  document_->ApplyStyle(setter);
  Edited();
}

}  // namespace quadrell
