#pragma once
// One sheet printed into a PDF file of A4 pages: cells in column bands, each
// band paginated by rows, with fills, texts in the cells' fonts, borders and
// the sheet's pictures.
#include <cstdint>
#include <string>

namespace quadrell {

class Sheet;

// The message of a failed export (shown by the caller under its title).
constexpr const char16_t* kPdfErrorTitle = u"Fehler";
constexpr const char16_t* kPdfErrorMessage =
    u"Beim Speichern ist ein Fehler aufgetreten. Due Datei wird m\u00f6glicherweise von einem anderen Protgramm "
    u"verwendet.";

// A sheet whose printed area would fill more pages than this is refused.
constexpr int64_t kMaxPdfPages = 10000;

// Writes through a temporary file renamed over the target: a failure leaves an
// existing file as it was. False (with the system's reason) on failure, or
// when the sheet would fill more than kMaxPdfPages pages.
bool SavePdf(Sheet* sheet, const std::string& path, std::string* reason = nullptr);
// The file's bytes.
std::string PdfOfSheet(Sheet* sheet);
// The pages the sheet prints: the page-sized pieces of its printed area that
// hold something (at least one; counting stops past kMaxPdfPages).
int64_t PdfPageCount(Sheet* sheet);

}  // namespace quadrell
