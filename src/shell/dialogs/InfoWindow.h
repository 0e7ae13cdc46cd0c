#pragma once
// The about dialog: the product name and version, credits with links that
// open the browser, and a tab per licence: the program's own, then those of
// the libraries it links and the icons it embeds.
#include <memory>
#include <vector>

#include "platform/Controls.h"
#include "platform/DialogParts.h"
#include "platform/Window.h"

namespace quadrell {

class InfoWindow : private WindowEvents {
 public:
  InfoWindow();
  ~InfoWindow() override;
  InfoWindow(const InfoWindow&) = delete;
  InfoWindow& operator=(const InfoWindow&) = delete;

  Window& GetWindow() const { return *window_; }
  TabPanel& Licences() const { return *tabs_; }
  // Closes and frees the dialog.
  void Close();

 private:
  void OnCloseRequested() override { Close(); }

  std::unique_ptr<Window> window_;
  std::unique_ptr<GridLayout> layout_;
  std::unique_ptr<GridLayout> buttons_;
  std::unique_ptr<Label> product_;
  std::vector<std::unique_ptr<Control>> credits_;
  std::unique_ptr<TabPanel> tabs_;
  std::vector<std::unique_ptr<TextField>> texts_;
  std::unique_ptr<Button> ok_;
};

// The start menu's "about": a new about window each time.
InfoWindow& OpenInfoWindow();
// The about windows that are open, oldest first.
const std::vector<std::unique_ptr<InfoWindow>>& OpenInfoWindows();

}  // namespace quadrell
