#pragma once
// One sheet as delimited text, UTF-8 without byte-order mark. CSV here means
// fields separated by ";"; TSV is tab-separated without any quoting. Loading
// hands every field to the cell's SetInput, exactly as if it had been typed;
// saving writes the display text of every cell, lines ended by CR LF.
#include <memory>
#include <string>
#include <string_view>

namespace quadrell {

class Host;
class Sheet;
class Workbook;

// A new workbook named with the file name, the data in its only sheet. A file
// that cannot be read gives an empty workbook and, when asked for, the reason.
// Lines and fields beyond the sheet's grid are not read: `damage` then says so
// (it is emptied otherwise), for the user to be told.
std::unique_ptr<Workbook> LoadCsv(Host* host, const std::string& fileName, std::string* error = nullptr,
                                  std::u16string* damage = nullptr);
std::unique_ptr<Workbook> LoadTsv(Host* host, const std::string& fileName, std::string* error = nullptr,
                                  std::u16string* damage = nullptr);

// Write through a temporary file renamed over the target, so an old file
// stays as it was when writing fails; false then, with the reason.
bool SaveCsv(Sheet& sheet, const std::string& fileName, std::string* error = nullptr);
bool SaveTsv(Sheet& sheet, const std::string& fileName, std::string* error = nullptr);

// The text as it stands in a CSV field: enclosed in double quotes, with its
// quotes doubled, when it holds ";", a double quote or a line break.
std::u16string QuoteCsvField(std::u16string_view text);

// The same readers and writers on text in memory; reading fills the sheet
// from row 1.
void ReadCsv(Sheet& sheet, std::string_view text);
void ReadTsv(Sheet& sheet, std::string_view text);
std::string WriteCsv(Sheet& sheet);
std::string WriteTsv(Sheet& sheet);

}  // namespace quadrell
