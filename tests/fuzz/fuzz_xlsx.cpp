// The XLSX import on arbitrary bytes, and the export of whatever it loaded.
#include <cstddef>
#include <cstdint>
#include <string>

#include "loadsave/LoadSaveXlsx.h"
#include "loadsave/SavePdf.h"
#include "model/Sheet.h"
#include "model/Workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
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
