#include "shell/Application.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "context/ApplicationContext.h"
#include "model/Action.h"
#include "model/Cell.h"
#include "model/Range.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Util.h"
#include "model/Workbook.h"
#include "platform/Keys.h"
#include "value/Value.h"
#include "platform/WindowSystem.h"
#include "shell/DocumentContainer.h"
#include "shell/RecoveryCopies.h"
#include "shell/commands/Commands.h"
#include "shell/commands/DataCommands.h"
#include "shell/commands/DocumentCommands.h"
#include "shell/commands/FileCommands.h"
#include "shell/commands/ViewCommands.h"
#include "shell/popups/StartMenu.h"
#include "view/SheetContainer.h"

namespace quadrell {

namespace {

constexpr int kCaretBlinkMilliseconds = 750;

std::vector<std::unique_ptr<Application>>& Windows() {
  static auto* windows = new std::vector<std::unique_ptr<Application>>();
  return *windows;
}

FindDialogOpener gFindDialogOpener = nullptr;

// A window of a kind that shows nothing.
class PresentationContainer : public Container {
 public:
  void Resize(int, int) override {}
  void ClipboardChanged() override {}
  void Cut() override {}
  void Copy() override {}
  void Paste() override {}
  void EmergencySave() override {}
  void SelectAll() override {}
};

struct Shortcut {
  int key;
  bool control;
  bool shift;
  MenuEvent event;
};

constexpr Shortcut kShortcuts[] = {
    {kKeyReturn, false, false, kEventReturn},
    {kKeyTab, false, false, kEventTab},
    {'V', true, false, kEventPaste},
    {'C', true, false, kEventCopy},
    {'X', true, false, kEventCut},
    {'F', true, false, kEventFind},
    {kKeyDelete, false, false, kEventDelete},
    {'Z', true, false, kEventUndo},
    {'Y', true, false, kEventRedo},
    {'A', true, false, kEventSelectAll},
    {'S', true, false, kEventSave},
    {'N', true, false, kEventNew},
    {'O', true, false, kEventOpen},
    {'S', true, true, kEventSaveAs},
    {'B', true, false, kEventBold},
    {'I', true, false, kEventItalic},
    {'U', true, false, kEventUnderline},
    {kKeyPageDown, true, false, kEventNextSheet},
    {kKeyPageUp, true, false, kEventPreviousSheet},
    {kKeyF1 + 9, false, false, kEventCommandMenu},
};

}  // namespace

const std::vector<std::unique_ptr<Application>>& WindowMap() { return Windows(); }

std::u16string WindowTitle(std::u16string_view path) {
  std::u16string_view name = FileNamePart(path);
  std::u16string title = name.empty() ? Text("unknownName") : std::u16string(name);
  title += u" - quadrell " QUADRELL_VERSION;
  return title;
}

void SetFindDialogOpener(FindDialogOpener opener) { gFindDialogOpener = opener; }

Application& Application::Create(ApplicationKind kind) {
  Windows().push_back(std::unique_ptr<Application>(new Application(kind)));
  Application& created = *Windows().back();
  created.RefreshViews(true);
  return created;
}

Application::Application(ApplicationKind kind) : kind_(kind) {
  WindowOptions options;
  options.kind = WindowKind::Main;
  options.title = WindowTitle(u"");
  options.width = 500;
  options.height = 400;
  window_ = CreateWindow(options, *this);
  switch (kind) {
    case kKindSheet:
      InstallViewCommands();
      container_ = std::make_unique<SheetContainer>(*this);
      break;
    case kKindTextDocument:
      container_ = std::make_unique<DocumentContainer>(*this);
      break;
    default:
      container_ = std::make_unique<PresentationContainer>();
      break;
  }
  clipboardWatch_ = WatchClipboard([this] { container_->ClipboardChanged(); });
  for (const Shortcut& s : kShortcuts) window_->AddShortcut(s.key, s.control, s.shift, s.event);
  if (kind == kKindSheet || kind == kKindTextDocument) window_->AcceptFileDrops();
  window_->StartTimer(kCaretBlinkMilliseconds);
  window_->Show();
  Layout();
}

Application::~Application() {
  // The document and its views go before the window they are placed in.
  findDialog_.reset();
  startMenu_.reset();
  toolboxes_.clear();
  history_.Clear();  // its records point into the document
  container_.reset();
}

std::u16string Application::GetLanguage() const { return GetContext().GetSetting(kSettingLanguage); }

std::u16string_view Application::FormulaLanguage() const {
  language_ = GetLanguage();
  return language_;
}

void Application::UpdateCellInViews(int32_t row, int32_t column) { container_->UpdateCellInViews(row, column); }

void Application::RefreshViews(bool full) { container_->RefreshViews(full); }

void Application::RedrawViewsWithObjects() { container_->RedrawViewsWithObjects(); }

void Application::AddAction(std::unique_ptr<Action>&& action) {
  history_.AddAction(std::move(action));
  MarkModified();
}

void Application::MarkModified() {
  if (kind_ == kKindSheet) static_cast<SheetContainer&>(*container_).GetWorkbook().SetModified(true);
  if (kind_ == kKindTextDocument) static_cast<DocumentContainer&>(*container_).SetModified(true);
}

void Application::ClearUndoLists() { history_.Clear(); }

void Application::Undo() {
  if (!history_.Undo()) return;
  MarkModified();
  RefreshViews(true);
}

void Application::Redo() {
  if (!history_.Redo()) return;
  MarkModified();
  RefreshViews(true);
}

void Application::Find() {
  if (kind_ != kKindSheet) return;
  if (findDialog_) {
    findDialog_->BringToFront();
  } else if (gFindDialogOpener) {
    findDialog_ = gFindDialogOpener(*this);
  }
}

void Application::Delete() {
  if (kind_ == kKindTextDocument) return static_cast<DocumentContainer&>(*container_).DeleteForward();
  DeleteContents(*this);
}

void Application::AddToolbox(std::unique_ptr<Toolbox> toolbox) {
  if (!toolbox) return;
  toolboxWidth_ += toolbox->GetWidth();
  toolboxes_.push_back(std::move(toolbox));
  Layout();
}

std::unique_ptr<Toolbox> Application::RemoveToolbox(Toolbox* toolbox) {
  auto found = std::find_if(toolboxes_.begin(), toolboxes_.end(), [&](const auto& t) { return t.get() == toolbox; });
  if (found == toolboxes_.end()) return nullptr;
  std::unique_ptr<Toolbox> removed = std::move(*found);
  toolboxes_.erase(found);
  toolboxWidth_ -= removed->GetWidth();
  Layout();
  return removed;
}

void Application::Layout() {
  int width = window_->Width();
  int height = window_->Height();
  container_->Resize(width - toolboxWidth_, height);
  int x = width - toolboxWidth_;
  for (const auto& toolbox : toolboxes_) {
    toolbox->Resize(x, 0, toolbox->GetWidth(), height);
    x += toolbox->GetWidth();
  }
}

void Application::OnTimer() {
  container_->BlinkCarets();
  RecoveryTick(*this);
}

void Application::OnCloseRequested() { RequestClose(*this); }

void Application::OnFilesDropped(const std::vector<std::u16string>& paths, Point at) {
  // Workbook and text files open in windows of their own; pictures land on the sheet.
  std::vector<std::u16string> pictures;
  for (const std::u16string& path : paths) {
    if (IsWorkbookFile(path) || IsTextDocumentFile(path)) {
      OpenFile(path);
    } else {
      pictures.push_back(path);
    }
  }
  if (!pictures.empty() && kind_ == kKindSheet) container_->FilesDropped(pictures, at);
}

void Application::OnMenuEvent(int event) {
  // While the formula bar has the focus, the editing shortcuts act on its text, not on the cells.
  if (kind_ == kKindSheet && static_cast<SheetContainer&>(*container_).FormulaBarHandlesShortcut(event)) return;
  switch (event) {
    case kEventReturn:
    case kEventTab:
      if (kind_ == kKindSheet) {
        static_cast<SheetContainer&>(*container_).EnterFromFormulaBar(event == kEventReturn ? kKeyReturn : kKeyTab);
      } else if (kind_ == kKindTextDocument) {
        auto& document = static_cast<DocumentContainer&>(*container_);
        if (event == kEventReturn) {
          document.Enter();
        } else {
          document.Tab();
        }
      }
      break;
    case kEventPaste:
      container_->Paste();
      break;
    case kEventCopy:
      container_->Copy();
      break;
    case kEventCut:
      container_->Cut();
      break;
    case kEventFind:
      Find();
      break;
    case kEventDelete:
      Delete();
      break;
    case kEventUndo:
      Undo();
      break;
    case kEventRedo:
      Redo();
      break;
    case kEventSelectAll:
      container_->SelectAll();
      break;
    case kEventSave:
      RunToolbarCommand(*this, kItemSave);
      break;
    case kEventNew:
      RunToolbarCommand(*this, kItemNew);
      break;
    case kEventOpen:
      RunToolbarCommand(*this, kItemOpen);
      break;
    case kEventSaveAs:
      SaveAs(*this);
      break;
    case kEventBold:
      RunToolbarCommand(*this, kItemBold);
      break;
    case kEventItalic:
      RunToolbarCommand(*this, kItemItalic);
      break;
    case kEventUnderline:
      RunToolbarCommand(*this, kItemUnderline);
      break;
    case kEventNextSheet:
      NextSheet(*this);
      break;
    case kEventPreviousSheet:
      PreviousSheet(*this);
      break;
    case kEventCommandMenu:
      ShowCommandMenu(*this);
      break;
    default:
      break;
  }
}

void Application::Close() {
  auto& windows = Windows();
  auto found = std::find_if(windows.begin(), windows.end(), [&](const auto& a) { return a.get() == this; });
  if (found == windows.end()) return;
  std::unique_ptr<Application> self = std::move(*found);
  windows.erase(found);
  clipboardWatch_.reset();
  DropRecoveryCopy(*this);
  bool last = windows.empty();
  if (last) EndRecoverySession();
  self.reset();  // closes the window
  if (last) EndEventLoop();
}

void EmergencySaveAllWindows() {
  for (const auto& application : Windows()) application->GetContainer().EmergencySave();
}

}  // namespace quadrell
