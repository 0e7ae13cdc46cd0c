#pragma once
// Things put into the sheet at the active cell: a picture, a comment, a hyperlink.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "object/LineChart.h"

namespace quadrell {

class Application;

// The picture file kinds the decoders read, as an open dialog's filter.
inline constexpr std::u16string_view kImageFilter = u"Images|*.png;*.jpg;*.jpeg;*.tif;*.tiff";

// Asks for a picture file and anchors it at the active cell; a file that is
// no readable picture (or an absurdly large one) is refused with a message.
void InsertImage(Application& application);
// The same for a known file; true when the picture was placed.
bool InsertImageFile(Application& application, const std::u16string& path);
// Gives the active cell a comment (one undo step) and shows it, once.
void InsertComment(Application& application);
// Asks for an address and a text and makes the active cell a link; one undo step.
void InsertHyperlink(Application& application);
// The active cell becomes a link to the address, shown as the text (the address when empty).
void SetHyperlink(Application& application, std::u16string_view address, std::u16string_view shown);
// Puts a chart of the type over the block on the view's sheet, beside the
// block (PlaceForChart), as one undo step; the chart made.
class LineChart;
class Sheet;
class SheetGadget;
// The cell whose top-left corner a new chart of the size takes: right of the
// block, top aligned with it, or below it, left aligned. With the part of the
// sheet a view shows, the first of the two that lies wholly in it wins;
// otherwise right when the sheet has room there, else below; over the block
// only when the sheet has room for neither.
struct ChartPlace {
  int32_t row;
  int32_t column;
  bool operator==(const ChartPlace&) const = default;
};
ChartPlace PlaceForChart(const Sheet& sheet, const ChartBlock& block, int32_t width, int32_t height,
                         const std::optional<ChartBlock>& shown = std::nullopt);
LineChart* InsertChart(Application& application, SheetGadget& view, const ChartBlock& block, int type);
// "www.example.com" of "http://www.example.com/page".
std::u16string SitePart(std::u16string_view address);

}  // namespace quadrell
