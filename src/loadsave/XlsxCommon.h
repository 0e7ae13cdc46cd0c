#pragma once
// Facts of the SpreadsheetML format shared by its reader and writer.
#include <cstdint>
#include <string_view>

namespace quadrell {

// The grid the format can address; anything beyond is not read.
constexpr int64_t kXlsxMaxRows = 1048576;
constexpr int64_t kXlsxMaxColumns = 16384;
// Drawing positions and sizes count English Metric Units.
constexpr int64_t kEmuPerPixel = 9525;
// Merged areas of one sheet together, in cells, that a file may ask for.
constexpr int64_t kMaxMergedCells = 1000000;

// Border line styles by their names in the file; any other style is written,
// and any other name read, as "thin".
struct BorderStyleName {
  uint8_t style;
  std::string_view name;
};
constexpr BorderStyleName kBorderStyleNames[] = {
    {1, "dotted"}, {2, "dashed"}, {3, "hair"}, {4, "thin"}, {5, "medium"}, {6, "double"},
};

}  // namespace quadrell
