#pragma once
// The commands behind the toolbar items, the start menu and the shortcuts,
// by toolbar item number; every caller reaches the same functions.
namespace quadrell {

class Application;

enum ToolbarItem : int {
  kItemStart = 1,
  kItemNew = 2,
  kItemOpen = 3,
  kItemSave = 4,
  kItemCut = 5,
  kItemCopy = 6,
  kItemPaste = 7,
  kItemUndo = 8,
  kItemRedo = 9,
  kItemBold = 10,
  kItemItalic = 11,
  kItemUnderline = 12,
  kItemStrikeOut = 13,
  kItemAlignTop = 14,
  kItemAlignMiddle = 15,
  kItemAlignBottom = 16,
  kItemAlignLeft = 17,
  kItemAlignCenter = 18,
  kItemAlignRight = 19,
  kItemToggleFilter = 20,
  kItemFill = 21,
  kItemTextColour = 22,
  kItemFixView = 23,
  kItemTextFlow = 24,
  kItemTextFlowHide = 25,
  kItemTextFlowShow = 26,
  kItemTextFlowLineBreak = 27,
  kItemSplit = 28,
  kItemFontSize = 29,
  kItemBorder = 30,
  kItemFont = 31,
  kItemSearch = 32,
  kItemImage = 33,
  kItemFormatPainter = 34,
  kItemPercent = 35,
  kItemComment = 36,
  kItemTextFlowMenu = 37,
  kItemChart = 38,
  kItemLink = 39,
  kItemMerge = 40,
  kItemFormulaView = 41,
  kItemPivot = 42,
};

// Runs the command of the item in the window; false for items whose controls
// serve themselves (the popups and dropdowns) or that this window lacks.
bool RunToolbarCommand(Application& application, int item);

// A menu of the formatting, view and insert commands at the pointer, so that
// each is reachable from the keyboard (F10) whatever the toolbar shows.
void ShowCommandMenu(Application& application);

// Gives the views the commands they offer in their own menus (the cell menu's
// comment and hyperlink). Called when a window opens; repeating it is harmless.
void InstallViewCommands();

// Commands that the parts built elsewhere provide (the start menu, the colour
// popups, the chart dialog, the pivot table): until installed, their items do nothing.
using ItemCommand = void (*)(Application& application, int item);
void SetItemCommand(int item, ItemCommand command);

}  // namespace quadrell
