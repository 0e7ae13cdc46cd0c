#pragma once
// The find and replace dialog of a sheet window: a search text, an optional
// replacement, Next (also Return) and Replace All. It stays open beside the
// window until its close box or Escape.
#include <memory>

#include "platform/Controls.h"
#include "platform/DialogParts.h"
#include "platform/Window.h"
#include "shell/Application.h"

namespace quadrell {

class FindWindow : public FindDialog, private WindowEvents {
 public:
  explicit FindWindow(Application& application);
  ~FindWindow() override;
  FindWindow(const FindWindow&) = delete;
  FindWindow& operator=(const FindWindow&) = delete;

  void BringToFront() override;
  // The next button (and Return).
  void Next();
  void ReplaceAllNow();

  Window& GetWindow() const { return *window_; }
  TextField& SearchField() const { return *search_; }
  TextField& ReplaceField() const { return *replace_; }
  CheckBox& ReplaceBox() const { return *replaceBox_; }
  Button& NextButton() const { return *next_; }
  Button& ReplaceAllButton() const { return *replaceAll_; }

 private:
  void OnCloseRequested() override;
  // Next and Replace All need a text to look for; Replace All and the
  // replacement need the check box.
  void UpdateButtons();

  Application& application_;
  std::unique_ptr<Window> window_;
  std::unique_ptr<GridLayout> layout_;
  std::unique_ptr<GridLayout> buttons_;
  std::unique_ptr<Label> searchLabel_;
  std::unique_ptr<TextField> search_;
  std::unique_ptr<CheckBox> replaceBox_;
  std::unique_ptr<TextField> replace_;
  std::unique_ptr<Button> replaceAll_;
  std::unique_ptr<Button> next_;
};

// The opener the window's Ctrl+F and search item use.
std::unique_ptr<FindDialog> OpenFindWindow(Application& application);

}  // namespace quadrell
