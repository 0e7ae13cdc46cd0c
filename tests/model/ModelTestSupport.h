#pragma once
// A host that records what the model asks of it, and a workbook around it.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/Cell.h"
#include "model/Host.h"
#include "model/Sheet.h"
#include "model/Workbook.h"

namespace quadrell::test {

class RecordingHost : public Host {
 public:
  std::u16string_view FormulaLanguage() const override { return language; }
  void UpdateCellInViews(int32_t row, int32_t column) override { repaints.emplace_back(row, column); }
  void AddAction(std::unique_ptr<Action>&&) override { ++actions; }
  void Refresh() override { ++refreshes; }

  int RepaintsOf(int32_t row, int32_t column) const {
    int n = 0;
    for (const auto& r : repaints) n += r == std::pair<int32_t, int32_t>(row, column);
    return n;
  }

  std::u16string language = u"en";
  std::vector<std::pair<int32_t, int32_t>> repaints;
  int actions = 0;
  int refreshes = 0;
};

// One workbook with a recording host; `sheet` is its first sheet.
struct ModelFixture {
  RecordingHost host;
  Workbook workbook{u"test", &host};
  Sheet* sheet = workbook.GetActiveSheet();

  Cell* At(int32_t row, int32_t column) { return sheet->GetCellDirect(row, column); }
  std::u16string TextAt(int32_t row, int32_t column) { return sheet->GetCellText(row, column); }
};

}  // namespace quadrell::test
