#include "shell/Startup.h"

#include <cstdio>
#include <memory>
#include <string>

#include "context/ApplicationContext.h"
#include "loadsave/LoadSaveXlsx.h"
#include "model/Font.h"
#include "model/Workbook.h"
#include "platform/CrashHandler.h"
#include "platform/WindowSystem.h"
#include "shell/Application.h"
#include "view/SheetContainer.h"

namespace quadrell {

namespace {

const char* gProgram = "quadrell";

void ReportNoDisplay(const std::string& reason) {
  std::fprintf(stderr, "quadrell: %s; run it under a virtual display: xvfb-run -a %s [file.xlsx]\n", reason.c_str(),
               gProgram);
}

}  // namespace

bool OpenAtStart(Application& application, const std::string& path) {
  std::unique_ptr<Workbook> workbook = LoadXlsx(path, &application);
  if (!workbook) {
    std::fprintf(stderr, "quadrell: %s could not be read as an XLSX workbook\n", path.c_str());
    return false;
  }
  static_cast<SheetContainer&>(application.GetContainer()).SetWorkbook(std::move(workbook));
  application.RefreshViews(true);
  return true;
}

int RunProgram(int argc, char** argv, StartupOptions options) {
  if (argc > 0 && argv[0]) gProgram = argv[0];
  // Runtime services: the display, the font back end and the off-screen drawing.
  if (!StartWindowSystem(argc, argv, ReportNoDisplay)) return 1;
  // The style and font tables, measured with the real fonts.
  GetDefaultFont();
  // The settings and the interface texts of the chosen language.
  GetContext();
  Application& first = Application::Create(kKindSheet);
  // A workbook named on the command line opens in the first window, which keeps its title.
  if (argc > 1 && argv[1] && *argv[1]) OpenAtStart(first, argv[1]);
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
