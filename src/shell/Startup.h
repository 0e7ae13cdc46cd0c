#pragma once
// The program from start-up to the end of its last window.

#include <string>

namespace quadrell {

class Application;

struct StartupOptions {
  // Ends the program as soon as the first window has been painted (measuring start-up).
  bool quitWhenPainted = false;
};

// Loads the XLSX workbook into the sheet window, whose title stays; a file
// that cannot be read leaves the window as it was and says so on stderr.
bool OpenAtStart(Application& application, const std::string& path);

// Returns the process's exit status.
int RunProgram(int argc, char** argv, StartupOptions options = {});

}  // namespace quadrell
