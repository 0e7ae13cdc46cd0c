#pragma once
// A sheet to type formulas into, and readable names for UTF-16 texts in messages.
#include <string>

#include <gtest/gtest.h>

#include "context/ApplicationContext.h"
#include "model/ModelTestSupport.h"
#include "value/Unicode.h"

namespace quadrell::test {

inline std::string Narrow(std::u16string_view text) { return Utf16ToUtf8(text); }

class FormulaFixture : public ::testing::Test, public ModelFixture {
 protected:
  void SetUp() override { GetContext().SetSettingInt(kSettingSimpleFormulas, 1); }

  // Types the input into the cell with the language and returns what the cell shows.
  std::u16string Type(int32_t row, int32_t column, std::u16string_view input, std::u16string_view language = u"en") {
    Cell* cell = At(row, column);
    cell->SetInput(input, language);
    return cell->GetText();
  }
  // Evaluates a formula in a cell well away from the data.
  std::u16string Show(std::u16string_view formula, std::u16string_view language = u"en") {
    return Type(100, 20, formula, language);
  }
};

}  // namespace quadrell::test
