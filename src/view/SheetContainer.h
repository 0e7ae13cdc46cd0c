#pragma once
// The content of a sheet window: the workbook it shows, and the places of the
// toolbar, the formula bar, the grid views, the sheet tabs and the status field.
#include <memory>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "shell/Container.h"

namespace quadrell {

class Application;
class Workbook;

// Where the parts of a sheet window go for a client area of width x height.
struct SheetWindowLayout {
  Rect sheetTabs;
  Rect statusField;
  Rect formulaIcon;
  Rect formulaBar;
  std::vector<Rect> views;      // left to right
  std::vector<Rect> splitters;  // one between each two views
};
// The toolbar takes toolbarHeight at the top; the first of viewCount views
// gets splitRatio of the width.
SheetWindowLayout LayOutSheetWindow(int width, int height, int toolbarHeight, float splitRatio, int viewCount);

class SheetContainer : public Container {
 public:
  explicit SheetContainer(Application& application);
  ~SheetContainer() override;

  void Resize(int width, int height) override;
  void ClipboardChanged() override;
  void Cut() override;
  void Copy() override;
  void Paste() override;
  void EmergencySave() override;
  void SelectAll() override;

  Workbook& GetWorkbook() const { return *workbook_; }
  // Shows another workbook in the window (a file opened into it); the window's
  // undo and redo lists, which refer to the old one, are emptied.
  void SetWorkbook(std::unique_ptr<Workbook> workbook);
  const SheetWindowLayout& GetLayout() const { return layout_; }

  // The window's Return and Tab while the formula bar edits: the text goes to the grid.
  void EnterFromFormulaBar(int key);
  // Delete with a sheet object selected removes the object; false when none is.
  bool DeleteSelectedObject();
  void ClearFormulaBar();

 private:
  Application& application_;
  std::unique_ptr<Workbook> workbook_;
  float splitRatio_ = 1.0f;
  SheetWindowLayout layout_;
};

// The file a recovery copy is written to: the settings folder, then the local
// time as yyyymmddhhmmss, "-", a random number in upper-case hexadecimal, ".xlsx".
std::string RecoveryCopyPath();

}  // namespace quadrell
