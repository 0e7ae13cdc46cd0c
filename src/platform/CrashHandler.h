#pragma once
// The last word of a dying process: on a fatal signal (SIGSEGV, SIGBUS, SIGFPE,
// SIGILL, SIGABRT) the installed procedure runs once, on a stack of its own so
// that a stack overflow reaches it too; then the process ends with the
// original signal. A fatal signal inside the procedure does not run it again:
// the process then ends at once, again with the original signal.
namespace quadrell {

using CrashProcedure = void (*)();

// Installs the handler for the rest of the process; a later call replaces the procedure.
bool InstallCrashHandler(CrashProcedure procedure);

}  // namespace quadrell
