#pragma once
// The ordered sheets of one open spreadsheet document, with its file name and
// type, the active sheet and the listeners that follow sheet changes.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quadrell {

class Host;
class Sheet;

using SheetListener = void (*)(void* userData, Sheet* sheet);

enum WorkbookFileType : int32_t { kFileTypeNone = 0, kFileTypeXlsx = 1, kFileTypeCsv = 2, kFileTypeTsv = 3 };

class Workbook {
 public:
  // Creates the first sheet and makes it active. The host may be null.
  Workbook(std::u16string_view name, Host* host);
  ~Workbook();
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  const std::u16string& GetName() const { return name_; }
  void SetName(std::u16string_view name) { name_ = name; }
  int32_t GetFileType() const { return fileType_; }
  void SetFileType(int32_t type) { fileType_ = type; }
  // Set by every change the user can take back, cleared by a successful save
  // or load: closing or replacing the workbook asks first while it is set.
  bool IsModified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  Sheet* GetActiveSheet() const { return active_; }
  // A listed sheet becomes active; the listeners hear of the given sheet in every case.
  void SetActiveSheet(Sheet* sheet);
  void ResetSheets() { cursor_ = 0; }
  // The next sheet in order, null at the end.
  Sheet* NextSheet();
  // Appends a new sheet (the active sheet stays) and tells the listeners.
  Sheet* AddSheet();
  Sheet* AddSheet(std::u16string_view name);
  // Puts a sheet taken out by RemoveSheet back at the 0-based position
  // (clamped to the list) and tells the listeners. Null for a sheet that is
  // listed already or not this workbook's.
  Sheet* InsertSheet(Sheet* sheet, int32_t position);
  int32_t GetSheetCount() const { return static_cast<int32_t>(sheets_.size()); }
  // Takes the sheet out of the list when more than one is listed; it stays
  // alive (for undo) until the workbook goes. The first sheet becomes active
  // when the active one was removed; the listeners hear of the active sheet.
  void RemoveSheet(Sheet* sheet);
  void AddSheetListener(SheetListener callback, void* userData);
  // Removes every listener with the user data (views that go before the workbook).
  void RemoveSheetListener(void* userData);

  Sheet* GetSheet(int32_t position) const;
  // 0-based position, -1 when not listed.
  int32_t IndexOfSheet(const Sheet* sheet) const;
  Host* GetHost() const { return host_; }
  // What the reader of a file could not keep as it was (charts of other
  // kinds), for the window to say once; empty otherwise.
  const std::u16string& GetLoadNotice() const { return loadNotice_; }
  void SetLoadNotice(std::u16string notice) { loadNotice_ = std::move(notice); }

 private:
  struct Listener {
    SheetListener callback;
    void* userData;
  };
  void Notify(Sheet* sheet);
  void RecalculateReadersOf(Sheet* changed);

  std::vector<std::unique_ptr<Sheet>> sheets_;
  std::vector<std::unique_ptr<Sheet>> removed_;
  size_t cursor_ = 0;
  Sheet* active_ = nullptr;
  std::u16string name_;
  int32_t fileType_ = kFileTypeNone;
  bool modified_ = false;
  Host* host_;
  std::vector<Listener> listeners_;
  std::u16string loadNotice_;
};

}  // namespace quadrell
