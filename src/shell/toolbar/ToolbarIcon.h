#pragma once
// The pictures of the toolbar items, decoded once from the ones built into the
// program and kept for the process.
#include "platform/Bitmap.h"

namespace quadrell {

// The 16 x 16 picture of the item; the dropdown controls share one, and an
// item without a picture of its own gets the fallback picture.
const Bitmap& ToolbarIcon(int id);
// True when the item has a picture of its own.
bool HasToolbarIcon(int id);
// The 60 x 20 start picture of a window kind (0 text documents, else sheets).
const Bitmap& ToolbarStartPicture(int kind);

}  // namespace quadrell
