#pragma once
// Working with the data of a sheet: the filter over a block, and the block
// of data around a cell that the filter and the pivot table start from.
#include <cstdint>

namespace quadrell {

class Application;
class PivotTable;
class Sheet;

struct DataBlock {
  int32_t firstColumn, firstRow, lastColumn, lastRow;
};

// The block of filled cells around the cell: it grows on each side while the
// row or column just outside holds a filled cell next to the block (corners
// included), and stops at row 1, column A and the sheet's last row and column.
DataBlock DataRegion(const Sheet& sheet, int32_t row, int32_t column);

// Delete: the selected sheet object goes, or else what the cells of the
// selection hold (their inputs), as one step of the undo list.
void DeleteContents(Application& application);

// Removes the active sheet's filter, or puts one over the selection (a single
// cell's data block); nothing for whole rows, columns or the sheet.
void ToggleFilter(Application& application);

// A new sheet "Pivot" with a pivot table over the selection (a single cell's
// data block) and the pivot toolbox docked beside it; one undo step. Nothing
// for whole rows, columns or the sheet.
void NewPivotTable(Application& application);

// Builds the pivot table again. When its output would land on cells the user
// filled, asks first: No leaves everything as it was; Yes overwrites them as
// one step of the undo list. A database failure is said in a message and
// leaves the sheet as it was. True when the new output was written.
bool RebuildPivotTable(Application& application, PivotTable& pivot);

}  // namespace quadrell
