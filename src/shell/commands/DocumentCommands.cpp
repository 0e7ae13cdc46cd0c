#include "shell/commands/DocumentCommands.h"

#include <sys/stat.h>

#include <utility>

#include "context/ApplicationContext.h"
#include "document/Document.h"
#include "loadsave/DocumentExport.h"
#include "loadsave/LoadSaveDocx.h"
#include "model/Font.h"
#include "model/Util.h"
#include "platform/Dialogs.h"
#include "shell/Application.h"
#include "shell/DocumentContainer.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

enum DocumentPattern : int { kPatternDocx = 0, kPatternPdf = 1 };

bool IsReadableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void ReportOpenError(const Application* application) {
  ShowError(application ? &application->GetWindow() : nullptr, Text("errorOpenFile"), Text("errorOpenFileMsg"));
}

// Reads the file; null when it is no readable DOCX. `omitted` says what was left out.
std::unique_ptr<Document> ReadDocument(const std::u16string& path, uint32_t& omitted) {
  std::string file = Utf16ToUtf8(path);
  if (!IsReadableFile(file)) return nullptr;
  return LoadDocx(file, nullptr, &omitted);
}

// Once, in the window: what the document lost in the reading.
void ReportOmissions(Application& application, uint32_t omitted) {
  if (omitted == 0) return;
  std::u16string message;
  for (auto [flag, key] : {std::pair{kDocxTables, "docxOmittedTables"}, std::pair{kDocxPictures, "docxOmittedPictures"},
                           std::pair{kDocxHeaders, "docxOmittedHeaders"}}) {
    if ((omitted & flag) == 0) continue;
    message += Text(key);
    message += u"\n";
  }
  message += Text("docxOmittedSave");
  ShowMessage(&application.GetWindow(), Text("docxOmittedTitle"), message);
}

void Show(Application& application, std::unique_ptr<Document> document, const std::u16string& path,
          uint32_t omitted) {
  DocumentContainer* container = DocumentOf(application);
  container->SetDocument(std::move(document));
  // What was left out would be lost by writing over the file.
  container->SetFileName(path, omitted == 0);
  application.GetWindow().SetTitle(WindowTitle(path));
  GetContext().AddRecentFile(path);
  application.RefreshViews(true);
  ReportOmissions(application, omitted);
}

}  // namespace

DocumentContainer* DocumentOf(Application& application) {
  return application.GetKind() == kKindTextDocument ? static_cast<DocumentContainer*>(&application.GetContainer())
                                                    : nullptr;
}

bool IsTextDocumentFile(std::u16string_view path) { return LowerExtension(path) == u"docx"; }

bool OpenTextDocumentInto(Application& application, const std::u16string& path) {
  if (!DocumentOf(application)) return false;
  uint32_t omitted = 0;
  std::unique_ptr<Document> document = ReadDocument(path, omitted);
  if (!document) {
    ReportOpenError(&application);
    return false;
  }
  Show(application, std::move(document), path, omitted);
  return true;
}

Application* OpenTextDocument(const std::u16string& path) {
  uint32_t omitted = 0;
  std::unique_ptr<Document> document = ReadDocument(path, omitted);
  if (!document) {
    // A file that cannot be read opens no window.
    ReportOpenError(WindowMap().empty() ? nullptr : WindowMap().back().get());
    return nullptr;
  }
  Application& application = Application::Create(kKindTextDocument);
  Show(application, std::move(document), path, omitted);
  return &application;
}

void OpenTextDocumentWithDialog(Application& application) {
  if (!DocumentOf(application)) return;
  if (!ConfirmDiscardTextDocument(application)) return;
  FileChoice choice = AskOpenFile(&application.GetWindow(), Text("loadfile"), kDocumentOpenFilter, 0);
  if (choice.path.empty()) return;
  std::u16string path = IsReadableFile(Utf16ToUtf8(choice.path)) ? choice.path : AddDefaultExtension(choice.path, 0, 0);
  OpenTextDocumentInto(application, path);
}

bool SaveTextDocumentTo(Application& application, const std::u16string& path, int pattern) {
  DocumentContainer* container = DocumentOf(application);
  if (!container) return false;
  std::string file = Utf16ToUtf8(path);
  std::string reason;
  bool written = pattern == kPatternPdf ? SaveDocumentPdf(container->GetDocument(), file, &reason)
                                        : SaveDocx(container->GetDocument(), file, &reason);
  if (!written) {
    std::u16string message = TextWithArgument("errorSaveFileMsg", FileNamePart(path));
    if (!reason.empty()) message += u"\n" + Utf8ToUtf16(reason);
    ShowError(&application.GetWindow(), Text("errorSaveFile"), message);
    return false;
  }
  // An export leaves the window's file as it was.
  if (pattern == kPatternPdf) return true;
  container->SetFileName(path);
  container->SetModified(false);
  application.GetWindow().SetTitle(WindowTitle(path));
  GetContext().AddRecentFile(path);
  return true;
}

bool SaveTextDocument(Application& application) {
  DocumentContainer* container = DocumentOf(application);
  if (!container) return false;
  if (!container->HasWritableFile()) return SaveTextDocumentAs(application);
  return SaveTextDocumentTo(application, container->GetFileName(), kPatternDocx);
}

bool SaveTextDocumentAs(Application& application) {
  if (!DocumentOf(application)) return false;
  FileChoice choice = AskSaveFile(&application.GetWindow(), Text("savefile"), kDocumentSaveFilter, kPatternDocx);
  if (choice.path.empty()) return false;
  std::u16string extension = LowerExtension(choice.path);
  int pattern = extension == u"docx" ? kPatternDocx : extension == u"pdf" ? kPatternPdf : -1;
  std::u16string path = choice.path;
  if (pattern < 0) {
    pattern = choice.pattern == kPatternPdf ? kPatternPdf : kPatternDocx;
    path += pattern == kPatternPdf ? u".pdf" : u".docx";
  }
  if (IsReadableFile(Utf16ToUtf8(path)) &&
      !AskYesNo(&application.GetWindow(), Text("overridefiletitle"),
                TextWithArgument("overridefile", FileNamePart(path)))) {
    return false;
  }
  return SaveTextDocumentTo(application, path, pattern);
}

bool ConfirmDiscardTextDocument(Application& application) {
  DocumentContainer* container = DocumentOf(application);
  if (!container || !container->IsModified()) return true;
  std::u16string name = container->GetFileName().empty() ? Text("unknownName")
                                                         : std::u16string(FileNamePart(container->GetFileName()));
  switch (AskYesNoCancel(&application.GetWindow(), Text("saveChangesTitle"), TextWithArgument("saveChanges", name))) {
    case Answer::Yes:
      return SaveTextDocument(application);
    case Answer::No:
      return true;
    default:
      return false;
  }
}

void ApplyDocumentStyleChange(Application& application, StyleSetter setter, const StyleValue& value) {
  DocumentContainer* container = DocumentOf(application);
  if (!container) return;
  const FontRecord* first = container->GetDocument().SelectionStyle()->font;
  switch (setter) {
    case StyleSetter::FontFlag: {
      auto flag = static_cast<uint32_t>(value.number);
      // The first character decides the direction for all of them.
      bool on = (first->flags & flag) == 0;
      container->ApplyStyle([flag, on](StyleRecord& style) {
        uint32_t flags = on ? (style.font->flags | flag) : (style.font->flags & ~flag);
        style.font = GetFont(style.font->face, style.font->size, flags);
      });
      break;
    }
    case StyleSetter::FontName: {
      if (value.text.empty()) return;
      std::u16string face = value.text;
      container->ApplyStyle(
          [face](StyleRecord& style) { style.font = GetFont(face, style.font->size, style.font->flags); });
      break;
    }
    case StyleSetter::FontSize: {
      auto size = static_cast<int32_t>(std::clamp<int64_t>(value.number, 1, 1638));
      container->ApplyStyle(
          [size](StyleRecord& style) { style.font = GetFont(style.font->face, size, style.font->flags); });
      break;
    }
    case StyleSetter::TextColour: {
      auto colour = static_cast<Colour>(value.number);
      container->ApplyStyle([colour](StyleRecord& style) { style.textColor = colour; });
      break;
    }
    default:
      // Fills, alignment and text flow belong to cells.
      break;
  }
}

}  // namespace quadrell
