// The XLSX import on arbitrary bytes, and the export of whatever it loaded.
// Input that is no ZIP file is read as the members of a package to build, so
// the XML parts themselves get mutated: "name\n" then the content, members
// separated by a zero byte.
#include <cstddef>
#include <cstdint>
#include <string>

#include "loadsave/Container.h"
#include "loadsave/LoadSaveXlsx.h"
#include "loadsave/SavePdf.h"
#include "model/Sheet.h"
#include "model/Workbook.h"

namespace {

std::string PackageOf(std::string_view text) {
  quadrell::PackageWriter writer;
  while (!text.empty()) {
    size_t end = text.find('\0');
    std::string_view member = text.substr(0, end);
    size_t newline = member.find('\n');
    if (newline != std::string_view::npos) writer.AddMember(member.substr(0, newline), member.substr(newline + 1));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  std::string bytes;
  writer.Finish(bytes);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string built;
  if (bytes.substr(0, 2) != "PK") {
    built = PackageOf(bytes);
    bytes = built;
  }
  auto book = quadrell::LoadXlsxFromMemory(bytes, nullptr);
  if (!book) return 0;
  std::string saved;
  if (!quadrell::SaveXlsxToMemory(*book, saved)) __builtin_trap();
  // What we write must read again.
  if (!quadrell::LoadXlsxFromMemory(saved, nullptr)) __builtin_trap();
  // Printing is bounded only for sheets of sane size; fuzzed ones may claim a million rows.
  quadrell::Sheet* sheet = book->GetActiveSheet();
  if (sheet->GetMaxRow() <= 2000 && sheet->GetMaxColumn() <= 200) (void)quadrell::PdfOfSheet(sheet);
  return 0;
}
