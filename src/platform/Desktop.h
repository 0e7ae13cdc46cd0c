#pragma once
// The desktop around the program's windows: the clipboard, the screen and the
// handlers that open files and web addresses.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Geometry.h"

namespace quadrell {

// The clipboard's plain text; empty when it holds none.
std::u16string ClipboardText();
void SetClipboardText(std::u16string_view text);

// While it exists, onChange runs from the event loop once after every change
// of the clipboard, the program's own changes included.
class ClipboardWatch {
 public:
  virtual ~ClipboardWatch() = default;
};
std::unique_ptr<ClipboardWatch> WatchClipboard(std::function<void()> onChange);

Point PointerPosition();
// The screen without the desktop's panels.
Rect DesktopWorkArea();

// Opens a file path or a web address with its default handler; false when none could be started.
bool OpenWithDefaultHandler(std::u16string_view pathOrAddress);

}  // namespace quadrell
