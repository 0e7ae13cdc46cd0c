#pragma once
// Text documents as WordprocessingML packages (.docx): the paragraphs with
// their text and character formatting (face, size, bold, italic, underline,
// strike-out, colour) are read, styles and their inheritance resolved, and a
// document is written back with the same.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quadrell {

class Document;

// What a read left out or flattened, for a note to the user.
enum DocxOmission : uint32_t {
  kDocxTables = 1,    // table cells became paragraphs of their own
  kDocxPictures = 2,  // pictures, drawings and text boxes were left out
  kDocxHeaders = 4,   // headers and footers were left out
};

// Parts larger than this when inflated are refused.
constexpr size_t kMaxDocxPartSize = size_t{256} << 20;
// Documents beyond these are refused: the model of a paragraph and of each
// character (a token per space) would take gigabytes of a small package.
constexpr int64_t kMaxDocxParagraphs = 200000;
constexpr int64_t kMaxDocxCharacters = int64_t{16} << 20;
// Elements nested deeper than this make the document unreadable.
constexpr int kMaxDocxDepth = 256;

// The document of the file, or null (with a reason) when the file is not a
// readable DOCX package. `omitted` receives DocxOmission flags.
std::unique_ptr<Document> LoadDocx(const std::string& path, std::string* reason = nullptr,
                                   uint32_t* omitted = nullptr);
std::unique_ptr<Document> LoadDocxFromMemory(std::string_view bytes, std::string* reason = nullptr,
                                             uint32_t* omitted = nullptr);

// Writes through a temporary file renamed over the target. False with the
// system's reason on failure.
bool SaveDocx(const Document& document, const std::string& path, std::string* reason = nullptr);
bool SaveDocxToMemory(const Document& document, std::string& bytes);

}  // namespace quadrell
