#pragma once
// The content of a text-document window: its toolbar across the top and the
// document view below it.
#include <memory>

#include "shell/Container.h"
#include "shell/toolbar/ToolbarGadget.h"

namespace quadrell {

class Application;

class DocumentContainer : public Container {
 public:
  explicit DocumentContainer(Application& application);

  void Resize(int width, int height) override;
  // A text document has no clipboard block and no recovery copy.
  void ClipboardChanged() override {}
  void Cut() override {}
  void Copy() override {}
  void Paste() override {}
  void EmergencySave() override {}
  void SelectAll() override {}

  // Where the document view goes below a toolbar of that height.
  Rect ViewPlace() const { return viewPlace_; }
  ToolbarGadget& GetToolbar() const { return *toolbar_; }

 private:
  Application& application_;
  std::unique_ptr<ToolbarGadget> toolbar_;
  Rect viewPlace_{0, 20, 0, 0};
};

}  // namespace quadrell
