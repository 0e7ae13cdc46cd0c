// Delimited text from anywhere: CSV and TSV reading must neither crash nor
// hang, and what is written must read back to the same cells.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "loadsave/LoadSaveCsvTsv.h"
#include "model/Cell.h"
#include "model/Row.h"
#include "model/Sheet.h"
#include "model/Workbook.h"

using namespace quadrell;

namespace {

// Every written CSV field reads back as the text it was written from: the
// same display texts, line by line, as long as the first read gave texts
// that read back as themselves.
void CheckRoundTrip(Sheet& sheet) {
  std::string written = WriteCsv(sheet);
  Workbook back(u"back", nullptr);
  ReadCsv(*back.GetActiveSheet(), written);
  Sheet& other = *back.GetActiveSheet();
  for (int32_t r = 1; r <= sheet.GetMaxRow(); ++r) {
    Row* row = sheet.FindRow(r);
    if (!row) continue;
    for (int32_t c = 0; c <= row->GetLastColumn(); ++c) {
      Cell* cell = row->FindCell(c);
      if (!cell) continue;
      std::u16string text = cell->GetText();
      // Only plain texts are typed back as themselves.
      if (cell->GetValue()->Kind() != ValueKind::Text || cell->HasFormula()) continue;
      // A byte-order mark at the very start of a file is no text of its.
      if (r == 1 && c == 0 && !text.empty() && text[0] == 0xFEFF) continue;
      if (text.empty() || text[0] == u'=' || text.find_first_of(u"0123456789") != std::u16string::npos) continue;
      if (other.GetCellText(r, c) != text) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  {
    Workbook workbook(u"fuzz", nullptr);
    ReadCsv(*workbook.GetActiveSheet(), text);
    CheckRoundTrip(*workbook.GetActiveSheet());
    WriteTsv(*workbook.GetActiveSheet());
  }
  {
    Workbook workbook(u"fuzz", nullptr);
    ReadTsv(*workbook.GetActiveSheet(), text);
    WriteCsv(*workbook.GetActiveSheet());
  }
  return 0;
}
