#pragma once
// The program from start-up to the end of its last window.

#include <string>

namespace quadrell {

class Application;

struct StartupOptions {
  // Ends the program as soon as the first window has been painted (measuring start-up).
  bool quitWhenPainted = false;
};

// Opens the workbook file (XLSX, CSV or TSV by its extension) into the sheet
// window, whose file it becomes. A file that cannot be read leaves the window
// as it was, says so on stderr and, when asked to, in a message box.
bool OpenAtStart(Application& application, const std::string& path, bool reportFailure = true);

// Returns the process's exit status.
int RunProgram(int argc, char** argv, StartupOptions options = {});

}  // namespace quadrell
