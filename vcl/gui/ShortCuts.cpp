#include "vcl/gui/ShortCuts.h"

namespace {
bool KeyDown(int vk) { return GetKeyState(vk) < 0; }
constexpr LPARAM kAltMask = 0x20000000;  // context code of a key message: Alt was down
}  // namespace

TShortCut ShortCut(Word key, TShiftState shift) {
  if ((key & 0xFF00) != 0) return scNone;
  TShortCut result = key;
  if (shift.Contains(ssShift)) result |= scShift;
  if (shift.Contains(ssCtrl)) result |= scCtrl;
  if (shift.Contains(ssAlt)) result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift) {
  key = static_cast<Word>(shortCut & ~(scShift | scCtrl | scAlt));
  shift = TShiftState{};
  if (shortCut & scShift) shift.Include(ssShift);
  if (shortCut & scCtrl) shift.Include(ssCtrl);
  if (shortCut & scAlt) shift.Include(ssAlt);
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState result;
  if (KeyDown(VK_SHIFT)) result.Include(ssShift);
  if (KeyDown(VK_CONTROL)) result.Include(ssCtrl);
  if ((keyData & kAltMask) != 0 || KeyDown(VK_MENU)) result.Include(ssAlt);
  return result;
}

TShiftState KeysToShiftState(WPARAM keys) {
  TShiftState result;
  if (keys & MK_SHIFT) result.Include(ssShift);
  if (keys & MK_CONTROL) result.Include(ssCtrl);
  if (keys & MK_LBUTTON) result.Include(ssLeft);
  if (keys & MK_RBUTTON) result.Include(ssRight);
  if (keys & MK_MBUTTON) result.Include(ssMiddle);
  if (KeyDown(VK_MENU)) result.Include(ssAlt);
  return result;
}

bool AltGrDown() { return KeyDown(VK_RMENU); }

TShortCut ShortCutFromMessage(const TWMKey& message) {
  switch (message.CharCode) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
      return scNone;
    default:
      break;
  }
  const TShiftState shift = KeyDataToShiftState(message.KeyData);
  if (shift.Contains(ssCtrl) && shift.Contains(ssAlt) && AltGrDown()) return scNone;
  return ShortCut(message.CharCode, shift);
}
