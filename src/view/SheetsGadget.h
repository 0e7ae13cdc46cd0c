#pragma once
// The strip of sheet tabs below the grid: one tab per sheet in workbook order,
// the active one highlighted. A click switches sheets, the "+" button adds one,
// a double click renames a tab in place, and each tab has a menu to rename,
// colour or delete it. The strip scrolls with two arrow buttons when the tabs
// are wider than the space.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Controls.h"
#include "view/SheetWindowParts.h"

namespace quadrell {

class Application;
struct MenuEntry;
class Sheet;
class SheetContainer;
class SheetGadget;
class Workbook;

// The language key of what is wrong with the name for the sheet, or "" when
// the sheet may take it: a name is 1 to 31 characters, free of the characters
// [ ] : * ? / and backslash, and no other sheet of the workbook has it, whatever
// the case.
std::string_view SheetNameProblem(const Workbook& workbook, const Sheet* sheet, std::u16string_view name);

// The name a sheet added with the "+" button gets: the interface text "sheet"
// and the first number from the sheet count + 1 on that no sheet has.
std::u16string NewSheetName(const Workbook& workbook);

class SheetsGadget : public SheetTabs, private CanvasEvents {
 public:
  static constexpr int kHeight = 20;
  static constexpr int kAddWidth = 20;
  static constexpr int kScrollWidth = 15;
  // How far one press of an arrow button scrolls.
  static constexpr int kScrollStep = 50;

  // Takes its place at the bottom of the window; view is the grid view that
  // follows the tabs.
  SheetsGadget(Application& application, SheetGadget& view, SheetContainer& container, const Rect& bounds);
  ~SheetsGadget() override;
  SheetsGadget(const SheetsGadget&) = delete;
  SheetsGadget& operator=(const SheetsGadget&) = delete;

  // SheetTabs
  void SetBounds(const Rect& bounds) override;
  void Repaint() override;
  void SelectNextSheet() override;
  void SelectPreviousSheet() override;

  CanvasControl& GetCanvas() const { return *canvas_; }
  ImageControl& GetAddButton() const { return *addButton_; }
  ImageControl& GetScrollLeftButton() const { return *scrollLeftButton_; }
  ImageControl& GetScrollRightButton() const { return *scrollRightButton_; }

  // The tab under canvas x (a boundary pixel belongs to neither tab), or null.
  Sheet* TabAt(int x) const;
  // The canvas x where the sheet's tab starts, as last painted.
  std::optional<int> TabLeft(const Sheet* sheet) const;
  int TabWidth(const Sheet* sheet) const;
  int64_t GetScrollOffset() const { return scrollOffset_; }
  int64_t GetTabsWidth() const { return tabsWidth_; }
  Sheet* GetRenaming() const { return renaming_; }
  const std::u16string& GetRenameText() const { return renameText_; }

  // What the buttons and the tab menu do.
  void Switch(Sheet* sheet);
  void AddSheet();
  void ScrollBy(int64_t delta);
  void StartRename(Sheet* sheet);
  // Stores the typed name when it is a valid one, else tells the user why.
  void FinishRename();
  void CancelRename();
  void ChooseTabColour(Sheet* sheet);
  void DeleteSheet(Sheet* sheet);

  // The tab menu: rename, colour and delete, each called with (strip, sheet).
  static std::vector<MenuEntry> TabMenu();

 private:
  static void SheetChanged(void* strip, Sheet* sheet);
  // Follows the container's workbook (a file opened into the window replaces it).
  void Attach();
  Workbook& GetWorkbook() const;
  void Paint();
  void ClampScroll();
  // Scrolls so that the sheet's tab is wholly visible.
  void ScrollIntoView(const Sheet* sheet);
  void ReturnFocusToView();

  void OnCharacter(char16_t character) override;
  void OnKeyDown(int key) override;
  void OnKeyUp(int key) override;
  void OnClick(int x, int y) override;
  void OnLeftDoubleClick(int x, int y) override;
  void OnRightClick(int x, int y) override;
  void OnFocusLost() override;

  Application& application_;
  SheetGadget& view_;
  SheetContainer& container_;
  Workbook* workbook_ = nullptr;  // the one the listener is registered with
  std::unique_ptr<ImageControl> addButton_;
  std::unique_ptr<CanvasControl> canvas_;
  std::unique_ptr<ImageControl> scrollRightButton_;
  std::unique_ptr<ImageControl> scrollLeftButton_;
  Sheet* renaming_ = nullptr;
  std::u16string renameText_;
  std::unordered_map<const Sheet*, int> tabWidths_;
  int64_t scrollOffset_ = 0;
  int64_t tabsWidth_ = 0;
  int canvasWidth_ = 0;
};

}  // namespace quadrell
