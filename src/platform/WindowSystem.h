#pragma once
// The connection to the display and the event loop. Start-up opens it before
// any window, font or canvas is made.
#include <string>

namespace quadrell {

class Window;

// Connects to the display and installs the real font back end and the
// off-screen drawing. When no display can be opened, onNoDisplay gets the
// reason in one line; then the result is false, or the process ends with
// status 1 when the toolkit cannot go on. argc and argv must live as long as
// the process.
bool StartWindowSystem(int& argc, char** argv, void (*onNoDisplay)(const std::string& reason));
// Runs the event loop until EndEventLoop; every handler runs inside it.
int RunEventLoop();
void EndEventLoop();
// Runs the events until the window has been painted on the screen at least
// once; false when that did not happen within the time.
bool WaitUntilPainted(const Window& window, int milliseconds);
// The toolkit's own texts (the buttons of the standard dialogs) in the language
// ("de"), where the system has its translation.
void UseToolkitLanguage(const std::string& language);
// Closes what is left and the connection to the display, before the process ends.
void StopWindowSystem();

}  // namespace quadrell
