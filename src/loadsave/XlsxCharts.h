#pragma once
// Charts as DrawingML chart parts (xl/charts/chartN.xml): a chart written
// with its type, title, legend, plot layout and series referencing their
// cells (with the values cached for readers that do not calculate), and a
// chart part of any program read back into a chart setup: its first plot's
// type, series ranges, title and legend.
#include <cstdint>
#include <string>
#include <string_view>

#include "object/LineChart.h"

namespace quadrell {

class XmlDocument;

// The chart part of the chart; sheetName is the name the sheet is written under.
void BuildChartPart(LineChart& chart, std::u16string_view sheetName, XmlDocument& out);

struct ChartImport {
  bool ok = false;
  ChartSetup setup;
  // What of the chart cannot be shown (another kind of chart, series on
  // another sheet, ...): empty when everything can.
  std::u16string problem;
};
// Reads a chart part whose graphic frame lies on the sheet named sheetName.
ChartImport ReadChartPart(const XmlDocument& part, std::u16string_view sheetName);

// "'My sheet'!$B$2:$B$9" of a block; a sheet name is quoted when it needs it.
std::u16string ChartReference(std::u16string_view sheetName, const ChartBlock& block);
// The sheet name and block of a reference; false when it is none.
bool ParseChartReference(std::u16string_view text, std::u16string& sheetName, ChartBlock& block);

}  // namespace quadrell
