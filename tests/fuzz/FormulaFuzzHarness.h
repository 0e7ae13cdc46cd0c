#pragma once
// Compiles and evaluates arbitrary formula text on a small sheet, in both
// languages, and walks everything a formula offers: rendering, shifted
// copies, references, recalculation and rows and columns moving under it.
// Shared by the fuzz target and the test that replays what it found.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "formula/Formula.h"
#include "model/Cell.h"
#include "model/Host.h"
#include "model/Range.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "value/Unicode.h"

namespace quadrell::fuzz {

class QuietHost final : public Host {
 public:
  explicit QuietHost(std::u16string language) : language_(std::move(language)) {}
  std::u16string_view FormulaLanguage() const override { return language_; }
  void UpdateCellInViews(int32_t, int32_t) override {}
  void AddAction(std::unique_ptr<Action>&&) override {}
  void Refresh() override {}

 private:
  std::u16string language_;
};

// The first byte chooses the language (bit 0) and whether the text gets a
// leading "=" (bit 1); the rest is the formula text in UTF-8. False when an
// English rendering of a formula whose tree stands for its whole text does
// not compile back to itself.
inline bool RunFormulaInput(const uint8_t* data, size_t size) {
  if (size == 0) return true;
  std::u16string language = (data[0] & 1) ? u"de" : u"en";
  std::u16string text = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  if (data[0] & 2) text.insert(text.begin(), u'=');

  QuietHost host(language);
  Workbook workbook(u"fuzz", &host);
  Sheet* sheet = workbook.GetActiveSheet();
  const char16_t* inputs[] = {u"1", u"x", u"1.2.2020", u"=A1+1", u"3+4i", u"", u"50%", u"=B1&A2", u"-2,5"};
  for (int i = 0; i < 9; ++i) sheet->GetCellDirect(1 + i / 3, i % 3)->SetInput(inputs[i], u"en");

  bool ok = true;
  std::unique_ptr<Formula> formula = CompileFormula(text, sheet, language);
  if (formula->GetRoot()) {
    std::u16string english = formula->ToText(u"en");
    formula->ToText(u"de");
    size_t quotes = 0;
    for (char16_t c : text) quotes += c == u'"';
    // A formula kept as its text (a tree that stops before the text ends)
    // renders that text, which need not parse alone in English.
    if (quotes % 2 == 0 && english.find(u"#REF") == std::u16string::npos && !formula->KeepsText()) {
      std::unique_ptr<Formula> again = CompileFormula(u"=" + english, sheet, u"en");
      ok = again->GetRoot() && again->ToText(u"en") == english;
    }
    formula->CopyShifted(1, 2)->ToText(u"en");
    formula->CopyShifted(-3, -3)->ToText(u"de");
    formula->ResetCells();
    for (int n = 0; n < 10000 && formula->HasNextCell(); ++n) formula->NextCell();
    formula->ResetRanges();
    while (formula->HasNextRange()) formula->NextRange();
  }
  ReferencedRanges(text, sheet, language);

  // Into the data, where it may read itself, spill over values or be read.
  Cell* inside = sheet->GetCellDirect(2, 1);
  inside->SetInput(text, language);
  Cell* outside = sheet->GetCellDirect(5, 4);
  outside->SetInput(text, language);
  outside->GetInput();
  outside->SetReferenceRanges(text);
  if (outside->HasFormula()) outside->GetEnglishFormulaText();
  sheet->GetCellDirect(6, 5)->CopyFrom(outside, 1, 1);
  sheet->GetCellDirect(1, 0)->SetInput(u"7", u"en");
  sheet->InsertRow(2);
  sheet->InsertColumn(1);
  sheet->GetCellDirect(2, 1)->SetInput(u"x", u"en");
  sheet->DeleteRow(3);
  sheet->DeleteColumn(0);
  sheet->GetCellDirect(1, 0)->SetInput(u"", u"en");
  outside->GetText();
  return ok;
}

}  // namespace quadrell::fuzz
