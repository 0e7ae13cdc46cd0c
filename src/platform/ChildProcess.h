#pragma once
// Work done in a copy of the process, so that the user interface goes on at
// once: the copy sees the memory as it was at the fork and writes from it.
#include <functional>

namespace quadrell {

// Runs the work in a forked copy of the process, which ends with status 0
// when the work returns true, else 1. The copy must not touch the window
// system. Returns the copy's process id, or -1 when it could not be made.
int RunInChildProcess(const std::function<bool()>& work);
// True once the copy has ended (it is then reaped); success tells how.
bool ChildProcessEnded(int pid, bool* success = nullptr);
// Waits until the copy has ended and reaps it; true when its work succeeded.
bool WaitForChildProcess(int pid);
// Ends the copy at once and reaps it.
void StopChildProcess(int pid);
// True while a process with the id runs on this machine.
bool ProcessIsRunning(int pid);
int CurrentProcessId();

}  // namespace quadrell
