#pragma once
// The program from start-up to the end of its last window.

namespace quadrell {

struct StartupOptions {
  // Ends the program as soon as the first window has been painted (measuring start-up).
  bool quitWhenPainted = false;
};

// Returns the process's exit status.
int RunProgram(int argc, char** argv, StartupOptions options = {});

}  // namespace quadrell
