#pragma once
// Facts of the SpreadsheetML format shared by its reader and writer.
#include <cstdint>

namespace quadrell {

// The grid the format can address; anything beyond is not read.
constexpr int64_t kXlsxMaxRows = 1048576;
constexpr int64_t kXlsxMaxColumns = 16384;
// Drawing positions and sizes count English Metric Units.
constexpr int64_t kEmuPerPixel = 9525;
// Merged areas of one sheet together, in cells, that a file may ask for.
constexpr int64_t kMaxMergedCells = 1000000;

}  // namespace quadrell
