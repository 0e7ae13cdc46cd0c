#pragma once
// Searching the active sheet of a window for a text and replacing it: one
// match at a time from the selection on, or everywhere at once.
#include <string>
#include <string_view>

namespace quadrell {

class Application;

// Commits an open edit, then selects the next cell after the selection's first
// cell whose shown text (or, when replacing, whose input) holds the text,
// wrapping round to the top once. With replacing, that cell's input gets every
// occurrence replaced, as one undo step. Hidden rows and columns are skipped.
// True when a cell was found.
bool FindNext(Application& application, std::u16string_view search, bool replacing,
              std::u16string_view replacement);
// Replaces the text in the input of every visible cell that holds it, as one
// undo step (none when nothing matched). The number of cells changed.
int ReplaceAll(Application& application, std::u16string_view search, std::u16string_view replacement);

// Every occurrence of search in text replaced, left to right without overlaps.
std::u16string ReplaceEvery(std::u16string_view text, std::u16string_view search, std::u16string_view replacement);

}  // namespace quadrell
