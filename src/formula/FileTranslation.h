#pragma once
// Spreadsheet files name some functions as Quadrell does but give them another
// meaning (COUNT counts numbers there, cells here). Formulas read from a file
// are translated into Quadrell formulas that compute what the file means, and
// formulas written to a file are translated back into the file's terms.
#include <cstdint>
#include <string>
#include <string_view>

namespace quadrell {

class Formula;
class FormulaFunction;
struct FunctionEntry;

// How a file's function is read.
struct FileReading {
  enum Kind { kSame, kTemplate, kUnknown };
  Kind kind = kUnknown;
  // kSame: the entry of the same meaning; kTemplate: the Quadrell text with
  // $1, $2 ... for the arguments and $* for all of them, per argument count.
  const FunctionEntry* entry = nullptr;
  std::u16string_view templateText;
};

// The file's function name in upper case, with any "_XLFN." prefix; the
// number of arguments the call has.
FileReading ReadFileFunction(std::u16string_view name, size_t argumentCount);
// Whether the name is a function of the file that Quadrell knows at all.
bool IsFileFunctionName(std::u16string_view name);

// Appends the call as a file writes it.
void AppendFileCall(std::u16string& out, const FormulaFunction& call);

// False for a file formula whose meaning in other programs Quadrell would not
// reproduce: an operator applied to a whole range (other programs intersect
// it with the formula's row or compute it cell by cell).
bool ComputableFromFile(const Formula& formula);

// A file's formula text as the parser reads it: spaces and line breaks
// outside texts and quoted sheet names removed.
std::u16string NormalizeFileFormula(std::u16string_view text);

// A file's formula text with its relative references moved by the offsets,
// without parsing it (a shared formula of a file, given once for many cells).
std::u16string ShiftFormulaText(std::u16string_view text, int32_t columnOffset, int32_t rowOffset);

}  // namespace quadrell
