#pragma once
// Recovery copies of unsaved work: every few minutes each modified workbook is
// written into the settings folder (by a copy of the process, so typing goes
// on), and removed again when the workbook is saved or its window closed
// normally. Copies left by a program that did not end normally are offered at
// the next start. A session file per running program lists its own copies, so
// that a second running program never takes them for orphans.
#include <string>
#include <vector>

namespace quadrell {

class Application;

// The window's 750 ms tick; every five minutes a copy of a modified workbook is written.
void RecoveryTick(Application& application);
// Writes the copy now when the workbook is modified (in the background); false
// when nothing was started.
bool KeepRecoveryCopy(Application& application);
// Waits until the copy being written is complete (tests, orderly ends).
void FinishRecoveryCopy(Application& application);
// The window's copy, "" when it has none.
std::string RecoveryCopyOf(const Application& application);
// The workbook was saved, replaced or its window closes normally: its copy goes.
void DropRecoveryCopy(Application& application);
// The program ends normally: the session file goes.
void EndRecoverySession();

// Recovery copies in the settings folder that no running program claims.
std::vector<std::string> OrphanedRecoveryCopies();
// At start: offers the orphaned copies; Yes opens each in its own window (as
// unsaved work), No removes them. The number of windows opened.
int OfferRecoveryCopies();

}  // namespace quadrell
