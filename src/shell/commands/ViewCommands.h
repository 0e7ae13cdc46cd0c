#pragma once
// How the window shows the workbook: frozen panes, the split screen, the
// formula view, the format painter and switching sheets.
namespace quadrell {

class Application;

// Freezes the rows above and the columns left of the active cell, or releases frozen panes.
void FixView(Application& application);
// Two views side by side, or one again.
void SplitScreen(Application& application);
void FormulaView(Application& application);
// The next cells the user paints over take the active cell's style.
void FormatPainter(Application& application);
// The sheet after (or before) the active one becomes active; nothing at the ends.
void NextSheet(Application& application);
void PreviousSheet(Application& application);

}  // namespace quadrell
