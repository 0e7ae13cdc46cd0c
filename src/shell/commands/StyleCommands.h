#pragma once
// Formatting the selection: every style change goes through ApplyStyleChange
// as one undo step; the percent format and merging cells.
#include <cstdint>
#include <string>

#include "model/Style.h"

namespace quadrell {

class Application;

enum class StyleSetter {
  FontFlag,             // number: the flag (bold, italic, underline, strike-out); toggled by the first style
  FontName,             // text: the face, same size and flags
  FontSize,             // number: points, same face and flags
  FillColour,           // number: the colour
  TextColour,           // number: the colour
  VerticalAlignment,    // number
  HorizontalAlignment,  // number
  TextFlow,             // number: the mode, or -1 for the next mode
  CopyStyle,            // style: the whole record
};

struct StyleValue {
  int64_t number = 0;
  std::u16string text;
  const StyleRecord* style = nullptr;
};

// Applies the setter to the style of every holder the active view's selection
// covers: the sheet, whole rows or columns (and their existing cells that have
// a style of their own), or every cell of a block. One undo step. In a
// text-document window the change goes to the document view.
void ApplyStyleChange(Application& application, StyleSetter setter, const StyleValue& value);

void ToggleFontFlag(Application& application, uint32_t flag);
void SetFontName(Application& application, std::u16string_view face);
void SetFontSize(Application& application, int32_t points);
void SetFillColour(Application& application, Colour colour);
void SetTextColour(Application& application, Colour colour);
void SetVerticalAlignment(Application& application, uint8_t alignment);
void SetHorizontalAlignment(Application& application, uint8_t alignment);
// -1 steps to the next mode.
void SetTextFlow(Application& application, int mode);

// Numbers of the selection show as percentages: each numeric cell gets its
// value with the percent format (computed ones through the cell's number
// format); texts stay. One undo step.
void PercentFormat(Application& application);
// Merges the selection, or unmerges the merged area it covers. One undo step.
void MergeCells(Application& application);

}  // namespace quadrell
