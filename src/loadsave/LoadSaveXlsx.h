#pragma once
// Workbooks as SpreadsheetML packages (.xlsx): reading into a new workbook and
// writing a whole workbook.
#include <memory>
#include <string>
#include <string_view>

#include "model/Style.h"
#include "value/Value.h"

namespace quadrell {

class Host;
class Workbook;

// The new workbook, or null when the file is no ZIP package, is damaged, would
// inflate to an absurd size, or holds no workbook. A damaged part (a sheet cut
// short, shared strings that are not well-formed or too large) keeps what was
// read before the damage: `damage` then names the part for the user to be
// told; it is emptied otherwise.
std::unique_ptr<Workbook> LoadXlsx(const std::string& path, Host* host, std::u16string* damage = nullptr);
// The same over the bytes of a package in memory.
std::unique_ptr<Workbook> LoadXlsxFromMemory(std::string_view bytes, Host* host, std::u16string* damage = nullptr);

// Writes the package through a temporary file renamed over the target, so a
// failure leaves an existing file as it was; false (with the reason) on failure.
bool SaveXlsx(Workbook& workbook, const std::string& path, std::string* reason = nullptr);
// The package's bytes.
bool SaveXlsxToMemory(Workbook& workbook, std::string& bytes);

// Files count days in the 1900 date system of other spreadsheet programs,
// which has a 29 February 1900: from 1 March 1900 on a file's serial is ours
// + 2, before it + 1. Pure times (below 1 under a time format) and numbers
// under other formats are the same on both sides.
double SerialFromFile(double serial, FormatId format);
double SerialToFile(double serial, FormatId format);
// True when the file's readers count a number under the format as a date or time.
bool IsDateFormatInFile(FormatId format);

// The default indexed-colour table of SpreadsheetML: 1 to 63 its entries,
// 81 white, anything else black.
Colour IndexedColor(int64_t index);

}  // namespace quadrell
