#pragma once
// The settings dialog: the general page (user name, scrollbar width, language,
// simple formulas) and the toolbar page, which moves items between the list of
// available items and the list of the sheet toolbar's items. OK writes the
// settings and toolbar files; Cancel, Escape and the close box write nothing.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Controls.h"
#include "platform/DialogParts.h"
#include "platform/Window.h"

namespace quadrell {

class SettingsWindow : private WindowEvents {
 public:
  // The dialog of the process, or null while it is not open.
  static SettingsWindow* Current();

  SettingsWindow();
  ~SettingsWindow() override;
  SettingsWindow(const SettingsWindow&) = delete;
  SettingsWindow& operator=(const SettingsWindow&) = delete;

  // 0 general, 1 toolbar.
  void ShowPage(int page);
  int Page() const { return page_; }
  void Add();
  void Remove();
  void Ok();
  void Cancel();

  Window& GetWindow() const { return *window_; }
  ListBox& Navigation() const { return *navigation_; }
  TextField& UserField() const { return *user_; }
  TrackBar& ScrollbarBar() const { return *scrollbar_; }
  Label& ScrollbarValue() const { return *scrollbarValue_; }
  ComboBox& LanguageBox() const { return *language_; }
  CheckBox& SimpleFormulasBox() const { return *simpleFormulas_; }
  ListBox& AvailableList() const { return *available_; }
  ListBox& CurrentList() const { return *current_; }
  Button& AddButton() const { return *add_; }
  Button& RemoveButton() const { return *remove_; }
  Button& OkButton() const { return *ok_; }
  Button& CancelButton() const { return *cancel_; }
  const std::vector<int>& CurrentItems() const { return currentItems_; }
  const std::vector<int>& AvailableItems() const { return availableItems_; }

 private:
  void OnCloseRequested() override { Cancel(); }
  void BuildGeneralPage();
  void BuildToolbarPage();
  void FillLists();
  // Frees the dialog (it is the process's one): nothing of it is used after.
  void Close();

  std::vector<int> currentItems_;
  std::vector<int> availableItems_;
  int page_ = 0;
  std::unique_ptr<Window> window_;
  std::unique_ptr<GridLayout> layout_;
  std::unique_ptr<ListBox> navigation_;
  std::unique_ptr<Panel> generalPage_;
  std::unique_ptr<GridLayout> generalLayout_;
  std::unique_ptr<Label> userLabel_;
  std::unique_ptr<TextField> user_;
  std::unique_ptr<Label> scrollbarLabel_;
  std::unique_ptr<TrackBar> scrollbar_;
  std::unique_ptr<Label> scrollbarValue_;
  std::unique_ptr<Label> languageLabel_;
  std::unique_ptr<ComboBox> language_;
  std::unique_ptr<Label> simpleFormulasLabel_;
  std::unique_ptr<CheckBox> simpleFormulas_;
  std::unique_ptr<Panel> toolbarPage_;
  std::unique_ptr<GridLayout> toolbarLayout_;
  std::unique_ptr<GridLayout> moveButtons_;
  std::unique_ptr<Label> availableLabel_;
  std::unique_ptr<ListBox> available_;
  std::unique_ptr<Button> add_;
  std::unique_ptr<Button> remove_;
  std::unique_ptr<Label> currentLabel_;
  std::unique_ptr<ListBox> current_;
  std::unique_ptr<GridLayout> buttons_;
  std::unique_ptr<Button> ok_;
  std::unique_ptr<Button> cancel_;
};

// The start menu's "settings": brings the open dialog to the front, or opens it.
void OpenSettingsWindow();

}  // namespace quadrell
