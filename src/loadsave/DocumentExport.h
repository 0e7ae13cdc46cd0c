#pragma once
// A text document's laid-out pages as a PDF file, and its plain text.
#include <string>

namespace quadrell {

class Document;

// The pages as the window shows them, one PDF page each. Writes through a
// temporary file; false with the reason on failure.
bool SaveDocumentPdf(Document& document, const std::string& path, std::string* reason = nullptr);
std::string DocumentPdfBytes(Document& document);

// The text in UTF-8, one paragraph a line.
bool SaveDocumentText(const Document& document, const std::string& path, std::string* reason = nullptr);

}  // namespace quadrell
