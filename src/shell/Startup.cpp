#include "shell/Startup.h"

#include <cstdio>
#include <memory>
#include <string>

#include "context/ApplicationContext.h"
#include "document/Document.h"
#include "loadsave/LoadSaveDocx.h"
#include "loadsave/LoadSaveXlsx.h"
#include "model/Font.h"
#include "model/Workbook.h"
#include "platform/CrashHandler.h"
#include "platform/Dialogs.h"
#include "platform/WindowSystem.h"
#include "shell/Application.h"
#include "shell/RecoveryCopies.h"
#include "shell/commands/DocumentCommands.h"
#include "shell/commands/FileCommands.h"
#include "value/Unicode.h"
#include "view/SheetContainer.h"

namespace quadrell {

namespace {

const char* gProgram = "quadrell";

void ReportNoDisplay(const std::string& reason) {
  std::fprintf(stderr, "quadrell: %s; run it under a virtual display: xvfb-run -a %s [file.xlsx]\n", reason.c_str(),
               gProgram);
}

}  // namespace

bool OpenAtStart(Application& application, const std::string& path, bool reportFailure) {
  std::u16string file = Utf8ToUtf16(path);
  if (IsTextDocumentFile(file)) {
    if (!reportFailure) {
      // Without a user to tell, a file that cannot be read leaves the window empty.
      return DocumentOf(application) && LoadDocx(path) && OpenTextDocumentInto(application, file);
    }
    return OpenTextDocumentInto(application, file);
  }
  std::u16string damage;
  std::unique_ptr<Workbook> workbook = LoadWorkbookFile(file, 0, &application, nullptr, &damage);
  if (!workbook) {
    std::fprintf(stderr, "quadrell: %s could not be opened\n", path.c_str());
    if (reportFailure) ShowError(&application.GetWindow(), Text("errorOpenFile"), Text("errorOpenFileMsg"));
    return false;
  }
  // The file becomes the window's: its title shows it and Ctrl+S writes back to it.
  static_cast<SheetContainer&>(application.GetContainer()).SetWorkbook(std::move(workbook));
  application.GetWindow().SetTitle(WindowTitle(file));
  GetContext().AddRecentFile(file);
  application.RefreshViews(true);
  if (reportFailure) ReportPartialRead(&application, damage);
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
  UseToolkitLanguage(Utf16ToUtf8(GetContext().GetSetting(kSettingLanguage)));
  bool textDocument = argc > 1 && argv[1] && IsTextDocumentFile(Utf8ToUtf16(argv[1]));
  Application& first = Application::Create(textDocument ? kKindTextDocument : kKindSheet);
  // A workbook named on the command line opens in the first window, which keeps its title.
  if (argc > 1 && argv[1] && *argv[1]) OpenAtStart(first, argv[1], !options.quitWhenPainted);
  if (options.quitWhenPainted) {
    bool painted = WaitUntilPainted(first.GetWindow(), 10000);
    StopWindowSystem();
    return painted ? 0 : 1;
  }
  InstallCrashHandler(EmergencySaveAllWindows);
  // Work left behind by a program that did not end normally.
  OfferRecoveryCopies();
  int status = RunEventLoop();
  StopWindowSystem();
  return status;
}

}  // namespace quadrell
