#pragma once
// What the command units share: the sheet container of a sheet window and the
// window's active view, or null in other windows.
#include "shell/Application.h"
#include "view/SheetContainer.h"
#include "view/SheetGadget.h"

namespace quadrell {

inline SheetContainer* SheetsOf(Application& application) {
  return application.GetKind() == kKindSheet ? static_cast<SheetContainer*>(&application.GetContainer()) : nullptr;
}

inline SheetGadget* ActiveViewOf(Application& application) {
  SheetContainer* sheets = SheetsOf(application);
  return sheets ? sheets->GetActiveView() : nullptr;
}

}  // namespace quadrell
