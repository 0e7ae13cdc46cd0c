#pragma once
// The content of a text-document window: its toolbar across the top, the
// document view below it, the document itself with its file and whether it
// has unsaved changes.
#include <functional>
#include <memory>
#include <string>

#include "document/Document.h"
#include "shell/Container.h"
#include "shell/toolbar/ToolbarGadget.h"
#include "view/DocumentGadget.h"

namespace quadrell {

class Application;

class DocumentContainer : public Container {
 public:
  explicit DocumentContainer(Application& application);
  ~DocumentContainer() override;

  void Resize(int width, int height) override;
  void ClipboardChanged() override {}
  // Plain text to and from the system clipboard.
  void Cut() override;
  void Copy() override;
  void Paste() override;
  // A text document keeps no recovery copy.
  void EmergencySave() override {}
  void SelectAll() override;
  void RefreshViews(bool full) override;
  void BlinkCarets() override;

  // Where the document view goes below a toolbar of that height.
  Rect ViewPlace() const { return viewPlace_; }
  ToolbarGadget& GetToolbar() const { return *toolbar_; }
  DocumentGadget& GetView() const { return *view_; }
  Document& GetDocument() const { return *document_; }

  // Shows another document; the window's undo lists are emptied, as their
  // records belong to the old one.
  void SetDocument(std::unique_ptr<Document> document);
  // The file the document was read from or last written to (empty: none yet).
  const std::u16string& GetFileName() const { return fileName_; }
  // A file read only in part is not written over: Save asks for a new name.
  void SetFileName(const std::u16string& path, bool writable = true) {
    fileName_ = path;
    writable_ = writable;
  }
  bool HasWritableFile() const { return writable_ && !fileName_.empty(); }
  bool IsModified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

  // The keys the window takes as shortcuts.
  void Enter();
  void Tab();
  void DeleteForward();
  // The setter changes the selection's styles, or the style of what is typed next.
  void ApplyStyle(const std::function<void(StyleRecord&)>& setter);

 private:
  // The toolbar shows the font at the caret.
  void ShowCaretFont();
  void Edited();

  Application& application_;
  std::unique_ptr<ToolbarGadget> toolbar_;
  std::unique_ptr<Document> document_;
  std::unique_ptr<DocumentGadget> view_;
  std::u16string fileName_;
  bool writable_ = false;
  bool modified_ = false;
  Rect viewPlace_{0, 20, 0, 0};
};

}  // namespace quadrell
