#include "shell/commands/Commands.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/Font.h"
#include "model/Style.h"
#include "context/ApplicationContext.h"
#include "shell/Application.h"
#include "shell/commands/DataCommands.h"
#include "shell/commands/FileCommands.h"
#include "shell/commands/InsertCommands.h"
#include "shell/commands/StyleCommands.h"
#include "shell/commands/ViewCommands.h"
#include "shell/dialogs/FindWindow.h"
#include "shell/popups/PopupMenu.h"
#include "shell/popups/StartMenu.h"
#include "shell/dialogs/ChartDialogs.h"
#include "view/SheetGadget.h"

namespace quadrell {

namespace {

std::array<ItemCommand, kItemPivot + 1>& InstalledCommands() {
  static std::array<ItemCommand, kItemPivot + 1> commands{};
  return commands;
}

template <int Item>
void RunItem(void* application, intptr_t) {
  RunToolbarCommand(*static_cast<Application*>(application), Item);
}

// The item's text key in the language files.
const char* TextKeyOf(int item) {
  static constexpr std::pair<int, const char*> kKeys[] = {
      {kItemStrikeOut, "toolbar:stroke"},
      {kItemAlignTop, "toolbar:haligntop"},
      {kItemAlignMiddle, "toolbar:halignmiddle"},
      {kItemAlignBottom, "toolbar:halignbottom"},
      {kItemAlignLeft, "toolbar:valignleft"},
      {kItemAlignCenter, "toolbar:valigncenter"},
      {kItemAlignRight, "toolbar:valignright"},
      {kItemToggleFilter, "toolbar:togglefilter"},
      {kItemFixView, "toolbar:fixview"},
      {kItemTextFlow, "toolbar:textflow"},
      {kItemTextFlowHide, "toolbar:textflowhide"},
      {kItemTextFlowShow, "toolbar:textflowshow"},
      {kItemTextFlowLineBreak, "toolbar:textflowlinebreak"},
      {kItemSplit, "toolbar:split"},
      {kItemImage, "toolbar:image"},
      {kItemFormatPainter, "toolbar:format"},
      {kItemPercent, "toolbar:percent"},
      {kItemComment, "toolbar:comment"},
      {kItemLink, "toolbar:link"},
      {kItemMerge, "toolbar:combine"},
      {kItemFormulaView, "toolbar:formulaview"},
      {kItemChart, "toolbar:diagram"},
      {kItemPivot, "toolbar:pivot"},
  };
  for (const auto& [id, key] : kKeys) {
    if (id == item) return key;
  }
  return "";
}

template <int... Items>
std::vector<MenuEntry> MenuOf() {
  return {MenuEntry{Text(TextKeyOf(Items)), &RunItem<Items>}...};
}

}  // namespace

void InstallViewCommands() {
  SetCellMenuCommands([](SheetGadget& view) { InsertComment(view.GetApplication()); },
                      [](SheetGadget& view) { InsertHyperlink(view.GetApplication()); });
  SetFindDialogOpener(&OpenFindWindow);
  InstallChartCommands();
}

void ShowCommandMenu(Application& application) {
  if (application.GetKind() != kKindSheet) return;
  std::vector<MenuEntry> entries =
      MenuOf<kItemStrikeOut, kItemAlignTop, kItemAlignMiddle, kItemAlignBottom, kItemAlignLeft, kItemAlignCenter,
             kItemAlignRight, kItemTextFlow, kItemTextFlowHide, kItemTextFlowShow, kItemTextFlowLineBreak,
             kItemPercent, kItemFormatPainter, kItemMerge, kItemToggleFilter, kItemFixView, kItemSplit,
             kItemFormulaView, kItemComment, kItemLink, kItemImage, kItemChart, kItemPivot>();
  ShowPopupMenu(application.GetWindow(), entries, &application, 0);
}

void SetItemCommand(int item, ItemCommand command) {
  if (item >= 0 && item <= kItemPivot) InstalledCommands()[static_cast<size_t>(item)] = command;
}

bool RunToolbarCommand(Application& application, int item) {
  if (item >= 0 && item <= kItemPivot) {
    if (ItemCommand installed = InstalledCommands()[static_cast<size_t>(item)]) {
      installed(application, item);
      return true;
    }
  }
  switch (item) {
    case kItemStart:
      ToggleStartMenu(application);
      return true;
    case kItemNew:
      if (application.GetKind() == kKindTextDocument) {
        NewTextDocument();
      } else {
        NewWindow();
      }
      return true;
    case kItemOpen:
      OpenWithDialog(application);
      return true;
    case kItemSave:
      Save(application);
      return true;
    case kItemCut:
      application.GetContainer().Cut();
      return true;
    case kItemCopy:
      application.GetContainer().Copy();
      return true;
    case kItemPaste:
      application.GetContainer().Paste();
      return true;
    case kItemUndo:
      application.Undo();
      return true;
    case kItemRedo:
      application.Redo();
      return true;
    case kItemBold:
      ToggleFontFlag(application, kFontFlagBold);
      return true;
    case kItemItalic:
      ToggleFontFlag(application, kFontFlagItalic);
      return true;
    case kItemUnderline:
      ToggleFontFlag(application, kFontFlagUnderline);
      return true;
    case kItemStrikeOut:
      ToggleFontFlag(application, kFontFlagStrikeOut);
      return true;
    case kItemAlignTop:
      SetVerticalAlignment(application, kVerticalTop);
      return true;
    case kItemAlignMiddle:
      SetVerticalAlignment(application, kVerticalMiddle);
      return true;
    case kItemAlignBottom:
      SetVerticalAlignment(application, kVerticalBottom);
      return true;
    case kItemAlignLeft:
      SetHorizontalAlignment(application, kHorizontalLeft);
      return true;
    case kItemAlignCenter:
      SetHorizontalAlignment(application, kHorizontalCenter);
      return true;
    case kItemAlignRight:
      SetHorizontalAlignment(application, kHorizontalRight);
      return true;
    case kItemToggleFilter:
      ToggleFilter(application);
      return true;
    case kItemFixView:
      FixView(application);
      return true;
    case kItemTextFlow:
      SetTextFlow(application, -1);
      return true;
    case kItemTextFlowHide:
      SetTextFlow(application, kTextFlowHide);
      return true;
    case kItemTextFlowShow:
      SetTextFlow(application, kTextFlowOverflow);
      return true;
    case kItemTextFlowLineBreak:
      SetTextFlow(application, kTextFlowLineBreak);
      return true;
    case kItemSplit:
      SplitScreen(application);
      return true;
    case kItemSearch:
      application.Find();
      return true;
    case kItemImage:
      InsertImage(application);
      return true;
    case kItemFormatPainter:
      FormatPainter(application);
      return true;
    case kItemPercent:
      PercentFormat(application);
      return true;
    case kItemComment:
      InsertComment(application);
      return true;
    case kItemLink:
      InsertHyperlink(application);
      return true;
    case kItemMerge:
      MergeCells(application);
      return true;
    case kItemFormulaView:
      FormulaView(application);
      return true;
    case kItemChart:
      OpenChartCreation(application);
      return true;
    case kItemPivot:
      NewPivotTable(application);
      return true;
    default:
      return false;
  }
}

}  // namespace quadrell
