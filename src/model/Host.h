#pragma once
// What the model asks of the program that shows a workbook: the window program's
// Application, the converter's plain host, or a test double. A workbook without a
// host reads formulas in English and drops repaints and undo actions.
#include <cstdint>
#include <memory>
#include <string_view>

namespace quadrell {

class Action;  // an undo action; defined with the undo lists

class Host {
 public:
  virtual ~Host() = default;
  // "de" or "en": function names and argument separator of typed formulas.
  virtual std::u16string_view FormulaLanguage() const = 0;
  // Repaints one cell in every view of the workbook.
  virtual void UpdateCellInViews(int32_t row, int32_t column) = 0;
  // Appends an action to the undo list (and empties the redo list). The host
  // takes the action by moving from the reference; an action it leaves there
  // stays with the caller.
  virtual void AddAction(std::unique_ptr<Action>&& action) = 0;
  // Redraws the views after a change that touched more than single cells.
  virtual void Refresh() = 0;
  // Repaints the sheet objects (a chart rendered anew) in every view.
  virtual void RedrawObjects() { Refresh(); }
};

}  // namespace quadrell
