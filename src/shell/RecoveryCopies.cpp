#include "shell/RecoveryCopies.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "context/ApplicationContext.h"
#include "loadsave/LoadSaveXlsx.h"
#include "model/Workbook.h"
#include "platform/ChildProcess.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "shell/Application.h"
#include "shell/commands/CommandSupport.h"
#include "value/Unicode.h"
#include "view/SheetContainer.h"

namespace quadrell {

namespace {

constexpr int kTicksBetweenCopies = 400;  // 400 ticks of 750 ms: five minutes
constexpr const char* kSessionPrefix = "session-";

struct Keeper {
  std::string path;  // the copy's full path, "" before the first
  int child = -1;    // the process writing it
  int ticks = 0;
};

std::map<const Application*, Keeper>& Keepers() {
  static auto* keepers = new std::map<const Application*, Keeper>();
  return *keepers;
}

std::string SessionFile(int pid) { return GetContext().Folder() + kSessionPrefix + std::to_string(pid); }

// "yyyymmddhhmmss-HEX.xlsx", as the crash handler names its copies too.
bool IsRecoveryCopyName(const std::string& name) {
  if (name.size() < 21 || name.compare(name.size() - 5, 5, ".xlsx") != 0 || name[14] != '-') return false;
  for (size_t i = 0; i < 14; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  }
  for (size_t i = 15; i + 5 < name.size(); ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  }
  return name.size() > 20;
}

std::string NameOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Lists this program's copies in its session file (written before a copy exists).
void WriteSessionFile() {
  std::string list;
  for (const auto& [application, keeper] : Keepers()) {
    if (!keeper.path.empty()) list += NameOf(keeper.path) + "\n";
  }
  std::string file = SessionFile(CurrentProcessId());
  if (list.empty()) {
    RemoveFile(file);
  } else {
    MakeFolders(GetContext().Folder());
    WriteFileAtomically(file, list);
  }
}

void StopWriting(Keeper& keeper) {
  if (keeper.child > 0 && !ChildProcessEnded(keeper.child)) StopChildProcess(keeper.child);
  keeper.child = -1;
}

// A killed writer may leave its temporary file beside the copy.
void RemoveCopyAndLeftovers(const std::string& path) {
  RemoveFile(path);
  std::string folder = GetContext().Folder();
  std::string prefix = NameOf(path) + ".tmp-";
  for (const std::string& name : ListFiles(folder)) {
    if (name.compare(0, prefix.size(), prefix) == 0) RemoveFile(folder + name);
  }
}

}  // namespace

void RecoveryTick(Application& application) {
  Keeper& keeper = Keepers()[&application];
  if (++keeper.ticks < kTicksBetweenCopies) return;
  keeper.ticks = 0;
  KeepRecoveryCopy(application);
}

bool KeepRecoveryCopy(Application& application) {
  SheetContainer* sheets = SheetsOf(application);
  if (!sheets || !sheets->GetWorkbook().IsModified()) return false;
  Keeper& keeper = Keepers()[&application];
  // The previous copy is still being written: the next tick tries again.
  if (keeper.child > 0 && !ChildProcessEnded(keeper.child)) return false;
  keeper.child = -1;
  if (keeper.path.empty()) {
    keeper.path = RecoveryCopyPath();
    WriteSessionFile();
  }
  MakeFolders(GetContext().Folder());
  Workbook* workbook = &sheets->GetWorkbook();
  std::string path = keeper.path;
  keeper.child = RunInChildProcess([workbook, path] { return SaveXlsx(*workbook, path); });
  return keeper.child > 0;
}

void FinishRecoveryCopy(Application& application) {
  auto found = Keepers().find(&application);
  if (found == Keepers().end() || found->second.child <= 0) return;
  WaitForChildProcess(found->second.child);
  found->second.child = -1;
}

std::string RecoveryCopyOf(const Application& application) {
  auto found = Keepers().find(&application);
  return found == Keepers().end() ? std::string() : found->second.path;
}

void DropRecoveryCopy(Application& application) {
  auto found = Keepers().find(&application);
  if (found == Keepers().end()) return;
  StopWriting(found->second);
  if (!found->second.path.empty()) RemoveCopyAndLeftovers(found->second.path);
  Keepers().erase(found);
  WriteSessionFile();
}

void EndRecoverySession() { RemoveFile(SessionFile(CurrentProcessId())); }

std::vector<std::string> OrphanedRecoveryCopies() {
  const std::string folder = GetContext().Folder();
  std::vector<std::string> files = ListFiles(folder);
  std::set<std::string> claimed;
  for (const std::string& name : files) {
    if (name.compare(0, std::char_traits<char>::length(kSessionPrefix), kSessionPrefix) != 0) continue;
    int pid = std::atoi(name.c_str() + std::char_traits<char>::length(kSessionPrefix));
    if (pid == CurrentProcessId() || !ProcessIsRunning(pid)) {
      if (pid != CurrentProcessId()) RemoveFile(folder + name);  // its program is gone
      continue;
    }
    if (std::optional<std::string> list = ReadWholeFile(folder + name)) {
      size_t start = 0;
      while (start < list->size()) {
        size_t end = list->find('\n', start);
        if (end == std::string::npos) end = list->size();
        claimed.insert(list->substr(start, end - start));
        start = end + 1;
      }
    }
  }
  for (const auto& [application, keeper] : Keepers()) {
    if (!keeper.path.empty()) claimed.insert(NameOf(keeper.path));
  }
  std::vector<std::string> orphans;
  for (const std::string& name : files) {
    if (IsRecoveryCopyName(name) && !claimed.count(name)) orphans.push_back(folder + name);
  }
  std::sort(orphans.begin(), orphans.end());
  return orphans;
}

int OfferRecoveryCopies() {
  std::vector<std::string> orphans = OrphanedRecoveryCopies();
  if (orphans.empty()) return 0;
  const Window* owner = WindowMap().empty() ? nullptr : &WindowMap().front()->GetWindow();
  if (!AskYesNo(owner, Text("recoveryTitle"), TextWithArgument("recoveryFound", Utf8ToUtf16(std::to_string(orphans.size()))),
                /*yesIsDefault=*/true)) {
    for (const std::string& path : orphans) RemoveFile(path);
    return 0;
  }
  int opened = 0;
  for (const std::string& path : orphans) {
    Application& application = Application::Create(kKindSheet);
    std::unique_ptr<Workbook> workbook = LoadXlsx(path, &application);
    if (!workbook) {
      application.Close();
      ShowError(owner, Text("errorOpenFile"), Text("errorOpenFileMsg"));
      continue;
    }
    // Recovered work is unsaved work: it keeps its copy until saved or given up.
    workbook->SetName(Text("unknownName"));
    workbook->SetFileType(kFileTypeNone);
    workbook->SetModified(true);
    static_cast<SheetContainer&>(application.GetContainer()).SetWorkbook(std::move(workbook));
    Keepers()[&application].path = path;
    WriteSessionFile();
    application.RefreshViews(true);
    ++opened;
  }
  return opened;
}

}  // namespace quadrell
