#pragma once
// The standard dialogs; each waits for the user's answer.
#include <optional>
#include <string>
#include <string_view>

#include "platform/Colour.h"

namespace quadrell {

class Window;

struct FileChoice {
  std::u16string path;  // empty when cancelled
  int pattern = 0;      // index of the chosen filter pattern
};

// filter is a list "name|patterns|name|patterns" with patterns separated by
// ";", for example "Images|*.jpg;*.png"; `pattern` is the one chosen at first.
FileChoice AskOpenFile(const Window* owner, std::u16string_view title, std::u16string_view filter, int pattern = 0);
// Does not ask before replacing an existing file: the caller does.
FileChoice AskSaveFile(const Window* owner, std::u16string_view title, std::u16string_view filter, int pattern = 0);

enum class Answer { Yes, No, Cancel };

// True for "yes". Return answers "no" unless yesIsDefault.
bool AskYesNo(const Window* owner, std::u16string_view title, std::u16string_view text, bool yesIsDefault = false);
// Yes, No or Cancel; closing the box is Cancel.
Answer AskYesNoCancel(const Window* owner, std::u16string_view title, std::u16string_view text);
// A message about something that went wrong.
void ShowError(const Window* owner, std::u16string_view title, std::u16string_view text);
void ShowMessage(const Window* owner, std::u16string_view title, std::u16string_view text);
// The text entered, or nothing when cancelled.
std::optional<std::u16string> AskText(const Window* owner, std::u16string_view title, std::u16string_view prompt,
                                      std::u16string_view initial);
// The colour chosen, or nothing when cancelled.
std::optional<Colour> ChooseColour(const Window* owner, Colour initial);

}  // namespace quadrell
