#include "shell/Startup.h"

#include <cstdio>
#include <memory>
#include <string>

#include "context/ApplicationContext.h"
#include "model/Font.h"
#include "platform/CrashHandler.h"
#include "platform/WindowSystem.h"
#include "shell/Application.h"

namespace quadrell {

namespace {

const char* gProgram = "quadrell";

void ReportNoDisplay(const std::string& reason) {
  std::fprintf(stderr, "quadrell: %s; run it under a virtual display: xvfb-run -a %s [file.xlsx]\n", reason.c_str(),
               gProgram);
}

}  // namespace

int RunProgram(int argc, char** argv, StartupOptions options) {
  if (argc > 0 && argv[0]) gProgram = argv[0];
  // Runtime services: the display, the font back end and the off-screen drawing.
  if (!StartWindowSystem(argc, argv, ReportNoDisplay)) return 1;
  // The style and font tables, measured with the real fonts.
  GetDefaultFont();
  // The settings and the interface texts of the chosen language.
  GetContext();
  Application& first = Application::Create(kKindSheet);
  if (options.quitWhenPainted) {
    bool painted = WaitUntilPainted(first.GetWindow(), 10000);
    StopWindowSystem();
    return painted ? 0 : 1;
  }
  InstallCrashHandler(EmergencySaveAllWindows);
  int status = RunEventLoop();
  StopWindowSystem();
  return status;
}

}  // namespace quadrell
