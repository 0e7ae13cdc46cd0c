#include "platform/qt/QtKeys.h"

#include <Qt>

#include "platform/Keys.h"

namespace quadrell::qt {

namespace {

struct KeyPair {
  int qtKey;
  int code;
};

constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, kKeyBackspace}, {Qt::Key_Tab, kKeyTab},         {Qt::Key_Backtab, kKeyTab},
    {Qt::Key_Return, kKeyReturn},       {Qt::Key_Enter, kKeyReturn},    {Qt::Key_Shift, kKeyShift},
    {Qt::Key_Control, kKeyControl},     {Qt::Key_Alt, kKeyAlt},         {Qt::Key_Escape, kKeyEscape},
    {Qt::Key_Space, kKeySpace},         {Qt::Key_PageUp, kKeyPageUp},   {Qt::Key_PageDown, kKeyPageDown},
    {Qt::Key_End, kKeyEnd},             {Qt::Key_Home, kKeyHome},       {Qt::Key_Left, kKeyLeft},
    {Qt::Key_Up, kKeyUp},               {Qt::Key_Right, kKeyRight},     {Qt::Key_Down, kKeyDown},
    {Qt::Key_Insert, kKeyInsert},       {Qt::Key_Delete, kKeyDelete},
};

}  // namespace

int KeyCodeOf(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) return qtKey;
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return kKeyF1 + (qtKey - Qt::Key_F1);
  for (const KeyPair& k : kKeys) {
    if (k.qtKey == qtKey) return k.code;
  }
  return 0;
}

int QtKeyOf(int keyCode) {
  if ((keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9')) return keyCode;
  if (keyCode >= kKeyF1 && keyCode < kKeyF1 + 12) return Qt::Key_F1 + (keyCode - kKeyF1);
  for (const KeyPair& k : kKeys) {
    if (k.code == keyCode) return k.qtKey;
  }
  return 0;
}

}  // namespace quadrell::qt
