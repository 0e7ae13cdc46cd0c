#pragma once
// The commands of text-document windows: opening DOCX files, saving them
// (with a PDF export), the question about unsaved changes, and formatting.
#include <string>
#include <string_view>

#include "shell/commands/StyleCommands.h"

namespace quadrell {

class Application;
class DocumentContainer;

inline constexpr std::u16string_view kDocumentOpenFilter = u"Microsoft Word (*.docx)|*.docx";
inline constexpr std::u16string_view kDocumentSaveFilter =
    u"Microsoft Word (*.docx)|*.docx|Portable Document Format (*.pdf)|*.pdf";

// The container of a text-document window, or null in other windows.
DocumentContainer* DocumentOf(Application& application);
// The path names a text document by its extension (docx).
bool IsTextDocumentFile(std::u16string_view path);

// Reads the file into the text window, replacing its document; on failure the
// open-error message and the window stays as it was. True when opened.
bool OpenTextDocumentInto(Application& application, const std::u16string& path);
// A new text window with the file; on failure the message and no window.
Application* OpenTextDocument(const std::u16string& path);
// Asks for a DOCX file and opens it into the text window (after the unsaved-work question).
void OpenTextDocumentWithDialog(Application& application);

// Writes the document to its file, or asks for one. True when written.
bool SaveTextDocument(Application& application);
// Asks for a file and a type (DOCX, or a PDF export that keeps the window's file).
bool SaveTextDocumentAs(Application& application);
// 0 DOCX, 1 PDF. A failure is reported and changes nothing.
bool SaveTextDocumentTo(Application& application, const std::u16string& path, int pattern);
// The unsaved-changes question of a text window: Yes saves, No discards, Cancel keeps.
bool ConfirmDiscardTextDocument(Application& application);

// A style change in a text window: the selection, or what is typed next.
void ApplyDocumentStyleChange(Application& application, StyleSetter setter, const StyleValue& value);

}  // namespace quadrell
