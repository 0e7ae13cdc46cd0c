#include "shell/commands/FileCommands.h"

#include <sys/stat.h>

#include <utility>

#include "context/ApplicationContext.h"
#include "loadsave/LoadSaveCsvTsv.h"
#include "loadsave/LoadSaveXlsx.h"
#include "loadsave/SavePdf.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "model/Workbook.h"
#include "platform/Dialogs.h"
#include "shell/RecoveryCopies.h"
#include "shell/commands/DocumentCommands.h"
#include "shell/commands/CommandSupport.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

enum Pattern : int { kPatternXlsx = 0, kPatternCsv = 1, kPatternTsv = 2, kPatternPdf = 3 };
// The open dialog's text-document pattern.
constexpr int kOpenPatternDocx = 3;

// The pattern an extension names, or -1.
int PatternOfExtension(std::u16string_view extension) {
  if (extension == u"xlsx") return kPatternXlsx;
  if (extension == u"csv") return kPatternCsv;
  if (extension == u"tsv") return kPatternTsv;
  if (extension == u"pdf") return kPatternPdf;
  return -1;
}

bool IsReadableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void ReportOpenError(const Application* application) {
  ShowError(application ? &application->GetWindow() : nullptr, Text("errorOpenFile"), Text("errorOpenFileMsg"));
}

void ReportSaveError(Application& application, const std::u16string& path, const std::string& reason) {
  std::u16string message = TextWithArgument("errorSaveFileMsg", FileNamePart(path));
  if (!reason.empty()) message += u"\n" + Utf8ToUtf16(reason);
  ShowError(&application.GetWindow(), Text("errorSaveFile"), message);
}

// The window now shows the file: its title, the recent files.
void BecomeWindowFile(Application& application, const std::u16string& path) {
  application.GetWindow().SetTitle(WindowTitle(path));
  GetContext().AddRecentFile(path);
}

}  // namespace

std::unique_ptr<Workbook> LoadWorkbookFile(const std::u16string& path, int patternHint, Host* host,
                                           std::string* reason, std::u16string* damage) {
  std::u16string partial;
  std::string file = Utf16ToUtf8(path);
  if (!IsReadableFile(file)) {
    if (reason) *reason = "no such file";
    return nullptr;
  }
  int pattern = PatternOfExtension(LowerExtension(path));
  if (pattern < 0 || pattern == kPatternPdf) pattern = patternHint;
  std::unique_ptr<Workbook> workbook;
  std::string error;
  int32_t type = kFileTypeXlsx;
  switch (pattern) {
    case kPatternCsv:
      workbook = LoadCsv(host, file, &error, &partial);
      type = kFileTypeCsv;
      break;
    case kPatternTsv:
      workbook = LoadTsv(host, file, &error, &partial);
      type = kFileTypeTsv;
      break;
    default:
      workbook = LoadXlsx(file, host, &partial);
      if (!workbook) error = "not a readable XLSX workbook";
      break;
  }
  if (!workbook || !error.empty()) {
    if (reason) *reason = error;
    return nullptr;
  }
  workbook->SetName(path);
  workbook->SetFileType(partial.empty() ? type : kFileTypeNone);
  workbook->SetModified(false);
  if (damage) *damage = partial;
  return workbook;
}

void ReportPartialRead(const Application* application, const std::u16string& damage) {
  if (damage.empty()) return;
  ShowMessage(application ? &application->GetWindow() : nullptr, Text("loadfile"), damage);
}

bool IsWorkbookFile(std::u16string_view path) {
  int pattern = PatternOfExtension(LowerExtension(path));
  return pattern >= kPatternXlsx && pattern <= kPatternTsv;
}

Application& NewWindow() { return Application::Create(kKindSheet); }

Application& NewTextDocument() { return Application::Create(kKindTextDocument); }

void OpenWithDialog(Application& application) {
  if (DocumentOf(application)) return OpenTextDocumentWithDialog(application);
  if (!SheetsOf(application)) return;
  if (!ConfirmDiscard(application)) return;
  FileChoice choice = AskOpenFile(&application.GetWindow(), Text("loadfile"), kOpenFilter, kPatternXlsx);
  if (choice.path.empty()) return;
  // A text document opens in a window of its own, beside the workbook.
  if (IsTextDocumentFile(choice.path) || (choice.pattern == kOpenPatternDocx && !IsWorkbookFile(choice.path))) {
    OpenTextDocument(choice.path);
    return;
  }
  OpenIntoWindow(application, choice.path, choice.pattern);
}

bool OpenIntoWindow(Application& application, const std::u16string& path, int patternHint) {
  if (IsTextDocumentFile(path)) {
    if (DocumentOf(application)) return OpenTextDocumentInto(application, path);
    return OpenTextDocument(path) != nullptr;
  }
  SheetContainer* sheets = SheetsOf(application);
  if (!sheets) return false;
  std::u16string damage;
  std::unique_ptr<Workbook> workbook = LoadWorkbookFile(path, patternHint, &application, nullptr, &damage);
  if (!workbook) {
    ReportOpenError(&application);
    return false;
  }
  DropRecoveryCopy(application);
  sheets->SetWorkbook(std::move(workbook));
  BecomeWindowFile(application, path);
  application.RefreshViews(true);
  ReportPartialRead(&application, damage);
  return true;
}

Application* OpenFile(const std::u16string& path) {
  if (IsTextDocumentFile(path)) return OpenTextDocument(path);
  Application& application = NewWindow();
  std::u16string damage;
  std::unique_ptr<Workbook> workbook = LoadWorkbookFile(path, kPatternXlsx, &application, nullptr, &damage);
  if (!workbook) {
    // A file that cannot be read leaves no window behind.
    application.Close();
    ReportOpenError(WindowMap().empty() ? nullptr : WindowMap().back().get());
    return nullptr;
  }
  SheetsOf(application)->SetWorkbook(std::move(workbook));
  BecomeWindowFile(application, path);
  application.RefreshViews(true);
  ReportPartialRead(&application, damage);
  return &application;
}

bool SaveTo(Application& application, const std::u16string& path, int pattern) {
  SheetContainer* sheets = SheetsOf(application);
  if (!sheets) return false;
  Workbook& workbook = sheets->GetWorkbook();
  Sheet* active = workbook.GetActiveSheet();
  std::string file = Utf16ToUtf8(path);
  std::string reason;
  bool written = false;
  switch (pattern) {
    case kPatternCsv:
    case kPatternTsv:
      if (workbook.GetSheetCount() > 1) {
        ShowMessage(&application.GetWindow(), Text("savefile"), Text("saveActiveSheetOnly"));
      }
      written = pattern == kPatternCsv ? SaveCsv(*active, file, &reason) : SaveTsv(*active, file, &reason);
      break;
    case kPatternPdf:
      written = SavePdf(active, file, &reason);
      if (!written) {
        std::u16string message = kPdfErrorMessage;
        if (!reason.empty()) message += u"\n" + Utf8ToUtf16(reason);
        ShowError(&application.GetWindow(), kPdfErrorTitle, message);
      }
      return written;
    default:
      written = SaveXlsx(workbook, file, &reason);
      break;
  }
  if (!written) {
    ReportSaveError(application, path, reason);
    return false;
  }
  workbook.SetName(path);
  workbook.SetFileType(pattern + 1);
  workbook.SetModified(false);
  DropRecoveryCopy(application);
  BecomeWindowFile(application, path);
  return true;
}

bool Save(Application& application) {
  if (DocumentOf(application)) return SaveTextDocument(application);
  SheetContainer* sheets = SheetsOf(application);
  if (!sheets) return false;
  sheets->CommitPendingEdits();
  Workbook& workbook = sheets->GetWorkbook();
  switch (workbook.GetFileType()) {
    case kFileTypeXlsx:
      return SaveTo(application, workbook.GetName(), kPatternXlsx);
    case kFileTypeCsv:
      return SaveTo(application, workbook.GetName(), kPatternCsv);
    case kFileTypeTsv:
      return SaveTo(application, workbook.GetName(), kPatternTsv);
    default:
      return SaveAs(application);
  }
}

bool SaveAs(Application& application) {
  if (DocumentOf(application)) return SaveTextDocumentAs(application);
  SheetContainer* sheets = SheetsOf(application);
  if (!sheets) return false;
  sheets->CommitPendingEdits();
  FileChoice choice = AskSaveFile(&application.GetWindow(), Text("savefile"), kSaveFilter, kPatternXlsx);
  if (choice.path.empty()) return false;
  // A name typed with one of our extensions is written as that type, whatever
  // pattern the dialog shows; otherwise the pattern's extension is added.
  int pattern = PatternOfExtension(LowerExtension(choice.path));
  std::u16string path = choice.path;
  if (pattern < 0) {
    pattern = choice.pattern >= kPatternXlsx && choice.pattern <= kPatternPdf ? choice.pattern : kPatternXlsx;
    path = AddDefaultExtension(path, 1, pattern);
  }
  if (IsReadableFile(Utf16ToUtf8(path)) &&
      !AskYesNo(&application.GetWindow(), Text("overridefiletitle"),
                TextWithArgument("overridefile", FileNamePart(path)))) {
    return false;
  }
  return SaveTo(application, path, pattern);
}

bool ConfirmDiscard(Application& application) {
  if (DocumentOf(application)) return ConfirmDiscardTextDocument(application);
  SheetContainer* sheets = SheetsOf(application);
  if (!sheets) return true;
  sheets->CommitPendingEdits();
  if (!sheets->GetWorkbook().IsModified()) return true;
  const Workbook& workbook = sheets->GetWorkbook();
  std::u16string name = workbook.GetFileType() == kFileTypeNone ? Text("unknownName")
                                                                : std::u16string(FileNamePart(workbook.GetName()));
  switch (AskYesNoCancel(&application.GetWindow(), Text("saveChangesTitle"), TextWithArgument("saveChanges", name))) {
    case Answer::Yes:
      return Save(application);
    case Answer::No:
      return true;
    default:
      return false;
  }
}

void RequestClose(Application& application) {
  if (!ConfirmDiscard(application)) return;
  DropRecoveryCopy(application);
  application.Close();
}

}  // namespace quadrell
