#pragma once
// Cell style records, interned by content: every distinct combination of
// formatting exists once and is shared by reference. Holders never change a
// shared record: they copy it, change the copy and set it (which interns it).
#include <cstddef>
#include <cstdint>

#include "model/Font.h"
#include "platform/Canvas.h"
#include "value/Value.h"

namespace quadrell {

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kBlack = 0;

enum BorderLineStyle : uint8_t {
  kBorderNone = 0,
  kBorderDotted = 1,
  kBorderDashed = 2,      // 2-pixel dashes
  kBorderDashedLong = 3,  // 3-pixel dashes
  kBorderThin = 4,
  kBorderMedium = 5,
  kBorderDouble = 6,
};

enum VerticalAlignment : uint8_t { kVerticalBottom = 0, kVerticalMiddle = 1, kVerticalTop = 2 };
// General right-aligns numbers and left-aligns everything else.
enum HorizontalAlignment : uint8_t { kHorizontalGeneral = 0, kHorizontalLeft = 1, kHorizontalCenter = 2, kHorizontalRight = 3 };
enum TextFlow : uint8_t { kTextFlowOverflow = 0, kTextFlowHide = 1, kTextFlowLineBreak = 2 };

struct BorderLine {
  Colour colour = 0;
  uint8_t lineStyle = kBorderNone;
  bool operator==(const BorderLine&) const = default;
};

struct StyleRecord {
  const FontRecord* font = GetDefaultFont();
  BorderLine top;
  BorderLine bottom;
  BorderLine left;
  BorderLine right;
  Colour fillColor = kWhite;
  Colour textColor = kBlack;
  uint8_t verticalAlignment = kVerticalMiddle;
  uint8_t horizontalAlignment = kHorizontalGeneral;
  uint8_t indent = 0;  // the grid view indents by 16 pixels per level
  uint8_t textFlow = kTextFlowOverflow;
  FormatId numberFormatId = 0;  // the XLSX number format id of the cell format

  bool operator==(const StyleRecord&) const = default;
};

// A record with the defaults, not interned.
StyleRecord NewDefaultStyle();
// The shared record with the same field values, created on first request.
const StyleRecord* InternStyle(const StyleRecord& record);
// The interned default record.
const StyleRecord* GetDefaultStyle();

// Compact names of interned records for holders that keep millions of them:
// 0 names no style.
uint32_t InternStyleHandle(const StyleRecord& record);
const StyleRecord* StyleFromHandle(uint32_t handle);
size_t InternedStyleCount();

}  // namespace quadrell
