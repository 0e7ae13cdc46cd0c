#include "view/SheetContainer.h"

#include <cmath>
#include <cstdio>
#include <random>

#include "context/ApplicationContext.h"
#include "loadsave/LoadSaveXlsx.h"
#include "model/Workbook.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "shell/Application.h"

namespace quadrell {

SheetWindowLayout LayOutSheetWindow(int width, int height, int toolbarHeight, float splitRatio, int viewCount) {
  SheetWindowLayout layout;
  layout.sheetTabs = Rect{0, height - 20, width - 130, 20};
  layout.statusField = Rect{width - 130, height - 20, 130, 20};
  layout.formulaIcon = Rect{0, toolbarHeight, 40, 20};
  layout.formulaBar = Rect{40, toolbarHeight, width - 40, 20};
  int top = toolbarHeight + 20;
  int bandHeight = height - toolbarHeight - 40;
  int x = 0;
  int w = static_cast<int>(std::lround(width * static_cast<double>(splitRatio)));
  for (int i = 0; i < viewCount; ++i) {
    bool another = i + 1 < viewCount;
    if (another) {
      w -= 2;
      layout.splitters.push_back(Rect{w, top, 3, bandHeight});
    }
    layout.views.push_back(Rect{x, top, w, bandHeight});
    x += w + (another ? 3 : 0);
    w = width - x;
  }
  return layout;
}

SheetContainer::SheetContainer(Application& application)
    : application_(application), workbook_(std::make_unique<Workbook>(Text("unknownName"), &application)) {}

SheetContainer::~SheetContainer() = default;

void SheetContainer::Resize(int width, int height) {
  // The toolbar reports its height once it is laid out across the width.
  layout_ = LayOutSheetWindow(width, height, 0, splitRatio_, 1);
}

void SheetContainer::SetWorkbook(std::unique_ptr<Workbook> workbook) {
  if (!workbook) return;
  // The window's undo records point into the workbook that goes.
  application_.ClearUndoLists();
  workbook_ = std::move(workbook);
}

// The clipboard block of the grid views: copied ranges are theirs.
void SheetContainer::ClipboardChanged() {}
void SheetContainer::Cut() {}
void SheetContainer::Copy() {}
void SheetContainer::Paste() {}
void SheetContainer::SelectAll() {}
void SheetContainer::EnterFromFormulaBar(int) {}
bool SheetContainer::DeleteSelectedObject() { return false; }
void SheetContainer::ClearFormulaBar() {}

void SheetContainer::EmergencySave() {
  MakeFolders(GetContext().Folder());
  SaveXlsx(*workbook_, RecoveryCopyPath());
}

std::string RecoveryCopyPath() {
  LocalTime t = CurrentLocalTime();
  static std::mt19937 random{std::random_device{}()};
  unsigned number = std::uniform_int_distribution<unsigned>(0, 2147483647u)(random);
  char name[64];
  std::snprintf(name, sizeof name, "%04d%02d%02d%02d%02d%02d-%X.xlsx", t.year, t.month, t.day, t.hour, t.minute,
                t.second, number);
  return GetContext().Folder() + name;
}

}  // namespace quadrell
