#pragma once
// One top-level window of the program with the container of its document, its
// undo and redo lists, its docked toolboxes and its keyboard shortcuts. The
// program's windows are kept in the window map; the program ends with the last.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/Action.h"
#include "model/Host.h"
#include "platform/Desktop.h"
#include "platform/Window.h"
#include "shell/Container.h"

namespace quadrell {

enum ApplicationKind : int32_t { kKindTextDocument = 0, kKindSheet = 1, kKindPresentation = 2 };

// The menu events of the window's keyboard shortcuts.
enum MenuEvent : int {
  kEventReturn = 0,
  kEventTab = 1,
  kEventPaste = 2,
  kEventCopy = 3,
  kEventCut = 4,
  kEventFind = 5,
  kEventDelete = 6,
  kEventUndo = 7,
  kEventRedo = 8,
  kEventSelectAll = 9,
  kEventSave = 10,
  // Beyond the eleven of the design: the shortcuts users reach for first.
  kEventNew = 11,
  kEventOpen = 12,
  kEventSaveAs = 13,
  kEventBold = 14,
  kEventItalic = 15,
  kEventUnderline = 16,
  kEventNextSheet = 17,
  kEventPreviousSheet = 18,
  kEventCommandMenu = 19,
};

class StartMenu;

// The open find dialog of a sheet window (the dialogs module makes it).
class FindDialog {
 public:
  virtual ~FindDialog() = default;
  virtual void BringToFront() = 0;
};

class Application : public Host, private WindowEvents {
 public:
  // A new window of the kind, entered in the window map; it opens at once.
  static Application& Create(ApplicationKind kind);
  ~Application() override;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  Window& GetWindow() const { return *window_; }
  std::u16string GetLanguage() const;
  void UpdateCellInViews(int32_t row, int32_t column) override;
  void RefreshViews(bool full);
  void RedrawViewsWithObjects();
  void AddAction(std::unique_ptr<Action>&& action) override;
  Container& GetContainer() const { return *container_; }
  // Docks the toolbox at the right edge and lays the window out.
  void AddToolbox(std::unique_ptr<Toolbox> toolbox);
  // Undocks it and hands it back (null when it was not docked).
  std::unique_ptr<Toolbox> RemoveToolbox(Toolbox* toolbox);

  ApplicationKind GetKind() const { return kind_; }
  void Undo();
  void Redo();
  void Find();
  void Delete();
  // Closes the window and frees the application, without asking; the last one
  // ends the event loop. The close box asks about unsaved work first.
  void Close();

  // When the document is replaced: its records must not outlive it.
  void ClearUndoLists();
  size_t UndoCount() const { return history_.UndoCount(); }
  size_t RedoCount() const { return history_.RedoCount(); }
  FindDialog* GetFindDialog() const { return findDialog_.get(); }
  // The find dialog tells its window when it closes.
  void FindDialogClosed() { findDialog_.reset(); }
  // The window's start menu (open or recently closed), kept by the start item's command.
  std::unique_ptr<StartMenu>& StartMenuSlot() { return startMenu_; }
  StartMenu* GetStartMenu() const { return startMenu_.get(); }

  // Host
  std::u16string_view FormulaLanguage() const override;
  void Refresh() override { RefreshViews(true); }
  void RedrawObjects() override { RedrawViewsWithObjects(); }

 private:
  explicit Application(ApplicationKind kind);
  void Layout();
  void MarkModified();
  void OnMenuEvent(int event) override;
  void OnResize(int, int) override { Layout(); }
  void OnCloseRequested() override;
  void OnTimer() override;
  void OnFilesDropped(const std::vector<std::u16string>& paths, Point at) override;

  ApplicationKind kind_;
  std::unique_ptr<Window> window_;
  std::unique_ptr<Container> container_;
  std::unique_ptr<FindDialog> findDialog_;
  std::unique_ptr<StartMenu> startMenu_;
  std::unique_ptr<ClipboardWatch> clipboardWatch_;
  UndoHistory history_;
  std::vector<std::unique_ptr<Toolbox>> toolboxes_;
  int toolboxWidth_ = 0;
  mutable std::u16string language_;
};

// The open windows, oldest first.
const std::vector<std::unique_ptr<Application>>& WindowMap();

// "Book.xlsx - quadrell 0.56" for a path; a window without a file shows the
// localised "unknown".
std::u16string WindowTitle(std::u16string_view path);

// The find dialog's opener, which the dialogs provide.
using FindDialogOpener = std::unique_ptr<FindDialog> (*)(Application& application);
void SetFindDialogOpener(FindDialogOpener opener);

// Writes the recovery copies of every open window; installed as the crash procedure.
void EmergencySaveAllWindows();

}  // namespace quadrell
