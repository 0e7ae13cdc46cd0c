// CSV and TSV reading on arbitrary text, and the writing of what was read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "loadsave/LoadSaveCsvTsv.h"
#include "model/Sheet.h"
#include "model/Workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (int tsv = 0; tsv < 2; ++tsv) {
    quadrell::Workbook book(u"fuzz", nullptr);
    quadrell::Sheet& sheet = *book.GetActiveSheet();
    if (tsv) {
      quadrell::ReadTsv(sheet, text);
      (void)quadrell::WriteTsv(sheet);
    } else {
      quadrell::ReadCsv(sheet, text);
      (void)quadrell::WriteCsv(sheet);
    }
  }
  return 0;
}
