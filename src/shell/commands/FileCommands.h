#pragma once
// New windows, opening, saving and exporting workbooks, and the question that
// guards unsaved work before a window closes or its workbook is replaced.
#include <memory>
#include <string>
#include <string_view>

namespace quadrell {

class Application;
class Host;
class Workbook;

// The open dialog's patterns, in the order of their index.
// A text document (the last pattern) opens in a window of its own.
inline constexpr std::u16string_view kOpenFilter =
    u"Microsoft Excel (*.xlsx)|*.xlsx|Comma Separated Values (*.csv)|*.csv|Tabstop Separated Values "
    u"(*.tsv)|*.tsv|Microsoft Word (*.docx)|*.docx";
inline constexpr std::u16string_view kSaveFilter =
    u"Microsoft Excel (*.xlsx)|*.xlsx|Comma Separated Values (*.csv)|*.csv|Tabstop Separated Values "
    u"(*.tsv)|*.tsv|Portable Document Format (*.pdf)|*.pdf";

// Reads a workbook file: the extension decides the reader (xlsx, csv, tsv);
// patternHint (0 XLSX, 1 CSV, 2 TSV) only where the extension says nothing.
// The workbook comes back named with the path, typed, and unmodified; null with
// the reason when the file cannot be read. A file read only in part (damaged,
// or beyond the grid) comes back without a type, so that saving asks for a new
// file instead of overwriting the rest, and `damage` says what happened.
std::unique_ptr<Workbook> LoadWorkbookFile(const std::u16string& path, int patternHint, Host* host,
                                           std::string* reason = nullptr, std::u16string* damage = nullptr);
// Tells the user what a partial read kept (nothing when `damage` is empty).
void ReportPartialRead(const Application* application, const std::u16string& damage);

// The path names a workbook file by its extension (xlsx, csv, tsv).
bool IsWorkbookFile(std::u16string_view path);

// A new, empty sheet window.
Application& NewWindow();
// A new, empty text-document window.
Application& NewTextDocument();
// Asks for a file and opens it into the window (after the unsaved-work question).
void OpenWithDialog(Application& application);
// Opens the file into the window: the window's workbook is replaced only when
// the file could be read; otherwise the open-error message is shown and the
// window stays as it was. True when opened.
bool OpenIntoWindow(Application& application, const std::u16string& path, int patternHint = 0);
// Opens the file in a new window (the recent files); on failure the message,
// and no window.
Application* OpenFile(const std::u16string& path);

// Writes the workbook to its file by its type, or asks for one when it has
// none. A failed write is reported and changes nothing. True when written.
bool Save(Application& application);
// Asks for a file and a type and writes it; a PDF export keeps the window's
// file. True when written.
bool SaveAs(Application& application);
// Writes the workbook to the path as the pattern says (0 XLSX, 1 CSV, 2 TSV,
// 3 PDF); the window's file follows unless it was a PDF export. A failure is
// reported and changes nothing.
bool SaveTo(Application& application, const std::u16string& path, int pattern);

// When the workbook has unsaved changes, asks whether to save them: Yes saves
// (true when that worked), No gives them up (true), Cancel keeps everything (false).
bool ConfirmDiscard(Application& application);
// The window's close box: asks first, then closes.
void RequestClose(Application& application);

}  // namespace quadrell
