#pragma once
// Qt's key numbers and the key codes of Keys.h.

namespace quadrell::qt {

// 0 for keys the views do not know.
int KeyCodeOf(int qtKey);
// The Qt key of a key code, 0 when there is none.
int QtKeyOf(int keyCode);

}  // namespace quadrell::qt
